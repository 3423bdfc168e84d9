#pragma once

#include <functional>

// Some failures end the program with an exit code (a refused disabled account, an unreachable
// database at start-up). Tests replace the ending so that they can watch it happen.
namespace ProcessExit {

using Hook = std::function<void(int code)>;

void endProcess(int code);
// An empty hook restores the real exit.
void setHook(Hook hook);

} // namespace ProcessExit

#include "common/ProcessExit.h"

#include <cstdio>
#include <cstdlib>

namespace ProcessExit {
namespace {
Hook& hook()
{
    static Hook instance;
    return instance;
}
} // namespace

void endProcess(int code)
{
    if (hook()) {
        hook()(code);
        return;
    }
    std::fflush(nullptr);
    std::exit(code);
}

void setHook(Hook newHook)
{
    hook() = std::move(newHook);
}

} // namespace ProcessExit

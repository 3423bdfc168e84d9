#include "audit/SelectedRecord.h"

std::atomic<int> AuditWindowsOpen{0};

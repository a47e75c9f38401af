// The error register: one per activation of a viewer procedure.
#include "process.h"

namespace {
thread_local ErrorScope* innermost = nullptr;
// Errors recorded outside every procedure (layer tests) land here.
thread_local int threadRegister = 0;
}  // namespace

ErrorScope::ErrorScope() : outer_(innermost) { innermost = this; }

ErrorScope::~ErrorScope() { innermost = outer_; }

int ErrorCode() {
    int& reg = innermost ? innermost->code_ : threadRegister;
    int code = reg;
    reg = 0;
    return code;
}

void ErrorRecord(int n) {
    if (n <= 0 || n > 255) n = ErrorInternal;
    (innermost ? innermost->code_ : threadRegister) = n;
    if (n >= ErrorFatalFirst) ProgramAbort();
}

// Process entry and exit, and the per-thread records.
#include "process.h"

#include <commctrl.h>
#include <objbase.h>

namespace {

DWORD threadSlot = TLS_OUT_OF_INDEXES;
ThreadRecord* mainThreadRecord = nullptr;
HINSTANCE instance = nullptr;
bool comStarted = false;

ThreadRecord* ThreadRecordMake(const ThreadRecord* model) {
    auto* record = static_cast<ThreadRecord*>(GlobalAlloc(GPTR, sizeof(ThreadRecord)));
    if (!record) return nullptr;
    record->codePage = model ? model->codePage : 0;
    record->dialogFontNumber = model ? model->dialogFontNumber : 1;
    return record;
}

}  // namespace

bool ThreadSlotSetup() {
    if (threadSlot == TLS_OUT_OF_INDEXES) threadSlot = TlsAlloc();
    if (threadSlot == TLS_OUT_OF_INDEXES) return false;
    if (!mainThreadRecord) {
        mainThreadRecord = ThreadRecordMake(nullptr);
        if (!mainThreadRecord) return false;
        TlsSetValue(threadSlot, mainThreadRecord);
    }
    return true;
}

void ThreadSlotRelease() {
    if (mainThreadRecord) GlobalFree(mainThreadRecord);
    mainThreadRecord = nullptr;
    if (threadSlot != TLS_OUT_OF_INDEXES) TlsFree(threadSlot);
    threadSlot = TLS_OUT_OF_INDEXES;
}

ThreadRecord* ThreadRecordGet() {
    // The layer tests use the services without the start-up sequence.
    if (threadSlot == TLS_OUT_OF_INDEXES && !ThreadSlotSetup()) return nullptr;
    auto* record = static_cast<ThreadRecord*>(TlsGetValue(threadSlot));
    if (record) return record;
    record = ThreadRecordMake(mainThreadRecord);
    if (record) TlsSetValue(threadSlot, record);
    return record;
}

HINSTANCE ProgramInstance() { return instance ? instance : GetModuleHandleW(nullptr); }

void ProgramCommonControlsInit() {
    constexpr DWORD Classes = ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES |
                              ICC_PROGRESS_CLASS | ICC_HOTKEY_CLASS | ICC_PAGESCROLLER_CLASS |
                              ICC_NATIVEFNTCTL_CLASS | ICC_STANDARD_CLASSES;
    static_assert(Classes == 0x706F);
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), Classes};
    InitCommonControlsEx(&controls);
}

void ProgramStart(const ProgramHooks& hooks) {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);  // 148
    if (!GetVersionExA(&version)) version.dwPlatformId = 0;
    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) {
        MessageBoxA(nullptr, "Win98 No Support", nullptr, MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);  // 0x12000
        ExitProcess(255);
    }

    CommandTail();  // fixes where the tail starts
    instance = GetModuleHandleW(nullptr);
    if (!ThreadSlotSetup()) ProgramAbort();

    // COM is started for whatever the system DLLs the viewer loads may
    // want of it on its one thread; the viewer makes no COM call of its
    // own, so start-up goes on whatever the result.
    CoInitialize(nullptr);
    comStarted = true;

    ProgramCommonControlsInit();

    FpuModeSet();
    if (hooks.initialState) hooks.initialState();
    int result = hooks.main ? hooks.main() : 0;
    ProgramExit(result);
}

void ProgramExit(int exitCode) {
    ThreadSlotRelease();
    if (comStarted) CoUninitialize();
    comStarted = false;
    ExitProcess(static_cast<UINT>(exitCode));
}

void ProgramAbort() { ExitProcess(255); }

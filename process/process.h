// Process services: start-up and exit, command tail, text conversion,
// message boxes, file tests and the error register.
#pragma once

#include <windows.h>

#include <string>

// ---- Start-up and exit -------------------------------------------------

// What the layers above hand to the start-up sequence: the program's
// initial-state step (globals, font table) and its main procedure.
struct ProgramHooks {
    void (*initialState)();
    int (*main)();
};

[[noreturn]] void ProgramStart(const ProgramHooks& hooks);
[[noreturn]] void ProgramExit(int exitCode);
[[noreturn]] void ProgramAbort();
// Registers the common control classes that start-up registers (the layer
// tests start the same way).
void ProgramCommonControlsInit();

// The module instance handle kept at start-up (GetModuleHandleW(NULL) when
// start-up has not run, as in the layer tests).
HINSTANCE ProgramInstance();

// ---- Per-thread record -------------------------------------------------

struct ThreadRecord {
    UINT codePage;         // 0: the system ANSI code page
    int dialogFontNumber;  // font table entry used by dialog templates
};

// Makes the thread slot and the calling thread's record; false when either
// cannot be had.
bool ThreadSlotSetup();
void ThreadSlotRelease();
// The calling thread's record, made on first use with the main thread's
// settings. Never null unless memory is exhausted.
ThreadRecord* ThreadRecordGet();

// ---- GetTickCount64 for the C++ runtime -------------------------------

// What the runtime's import of GetTickCount64 calls (process/tick_count.cpp):
// kernel32's own where it has one (Vista on), else TickCountFromCounter.
using TickCountFunction = ULONGLONG(WINAPI*)();
TickCountFunction TickCountSource();
// Milliseconds from the performance counter, which never wraps.
ULONGLONG WINAPI TickCountFromCounter();

// ---- Floating point ----------------------------------------------------

// The x87 control word the program runs with: every exception masked
// (invalid, denormal, zero divide, overflow, underflow, precision),
// 64-bit extended precision, rounding to nearest with ties to even. Bit
// 12, the 8087's infinity control, does nothing since the 80387; it is set
// only because the program's mode is this word as a whole.
enum : unsigned {
    FpuMaskAllExceptions = 0x3F,
    FpuPrecisionExtended = 0x300,
    FpuRoundNearest = 0x000,
    FpuInfinityControl = 0x1000,
};
constexpr unsigned FpuProgramMode =
    FpuInfinityControl | FpuRoundNearest | FpuPrecisionExtended | FpuMaskAllExceptions;
static_assert(FpuProgramMode == 0x133F);
unsigned FpuControlWord();
void FpuControlWordSet(unsigned word);
inline void FpuModeSet() { FpuControlWordSet(FpuProgramMode); }
// Real to integer, to nearest with ties to even, whatever the FPU mode.
long long RoundHalfEven(long double value);

// ---- Command tail and texts --------------------------------------------

// Where the tail starts in a command line (pure, for tests).
size_t CommandTailOffset(const wchar_t* commandLine);
std::wstring CommandTail();
std::wstring RemoveChars(const std::wstring& text, const std::wstring& pattern);
std::string TextToNarrow(const std::wstring& text);
std::wstring TextToWide(const std::string& text);
void TextToFixedBuffer(char* buffer, size_t size, const std::string& text);

// ---- Message boxes and file tests --------------------------------------

constexpr const wchar_t* MessageBoxDefaultTitle = L"Brightloom";
int MessageBoxShow(const std::wstring& text, const std::wstring& title, UINT style);
int IsFile(const std::wstring& path);           // -1 true, 0 false
DWORD GetAttributes(const std::wstring& path);  // 0 and error 53/64 on failure

// ---- Error register ----------------------------------------------------

enum : int {
    ErrorBadTarget = 5,
    ErrorNoMemory = 7,
    ErrorInternal = 51,
    ErrorPathUnknown = 53,
    ErrorWildcard = 64,
    ErrorFatalFirst = 241,
};

// One register per activation of a viewer procedure: create one on entry.
// Errors recorded while it is the innermost one land in it and die with it.
class ErrorScope {
public:
    ErrorScope();
    ~ErrorScope();
    ErrorScope(const ErrorScope&) = delete;
    ErrorScope& operator=(const ErrorScope&) = delete;

private:
    friend int ErrorCode();
    friend void ErrorRecord(int);
    int code_ = 0;
    ErrorScope* outer_;
};

int ErrorCode();          // read and clear the innermost register
void ErrorRecord(int n);  // 0 becomes 51; 241..255 end the process

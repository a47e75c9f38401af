// Compiled with the product's definitions by the xp_headers test, which
// passes only when the compiler refuses it: the headers for Windows XP
// leave out GetTickCount64, a function of Windows Vista and later.
#include <windows.h>

ULONGLONG Ticks() { return GetTickCount64(); }

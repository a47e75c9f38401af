// The Windows entry point hands over to the process services.
#include "viewer.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { ProgramStart(ProgramHooks{ViewerInitialState, ViewerMain}); }

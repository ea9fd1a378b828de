// The library keeps nothing that needs setting up or tearing down: process
// and thread attach and detach all succeed without doing anything.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

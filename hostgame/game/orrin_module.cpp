// A module named Orrin.dll that does nothing: its presence tells the plug-in that the
// stand-alone script bridge is loaded.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

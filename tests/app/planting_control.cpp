// A program that imports winmm and comctl32 statically, as the installer must
// not: the DLL-planting test shows that planted DLLs do reach such a program.
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

int main() {
    InitCommonControls();
    return timeGetTime() == 0 ? 0 : 1;
}

#include "dialog_input.h"

#include <cstdlib>

void PressButton(HWND dialog, int id) {
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void PostCommand(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

DWORD StretchedWait(DWORD timeoutMs) {
    static const DWORD factor = [] {
        char value[16] = "";
        DWORD length = GetEnvironmentVariableA("TEST_WAIT_STRETCH", value, sizeof value);
        unsigned long parsed =
            length > 0 && length < sizeof value ? std::strtoul(value, nullptr, 10) : 1;
        return parsed >= 1 && parsed <= 100 ? static_cast<DWORD>(parsed) : 1;
    }();
    return timeoutMs == INFINITE ? INFINITE : timeoutMs * factor;
}

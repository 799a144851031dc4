// Drives one install of the real installer for `./dev.sh run` on a machine
// without a display: presses "修正", waits for the completion box, and saves
// pictures of the dialog when ready, while copying and when done. With BOX_TEXT, waits
// for that box instead, a refusal before anything is written, and closes the dialog.
// Usage: demo_install INSTALLER_EXE OUTPUT_FOLDER [BOX_TEXT]
#include "installer_driver.h"
#include "resource.h"

#include <commctrl.h>

#include <cstdio>

namespace {

// Saves what the screen shows of window as a 24-bit BMP file.
bool SaveWindowPicture(HWND window, const std::string& path) {
    RECT rect;
    GetWindowRect(window, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, previous);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    DWORD stride = (width * 3 + 3) & ~3u;
    std::string pixels(stride * height, '\0');
    GetDIBits(memory, bitmap, 0, height, &pixels[0], reinterpret_cast<BITMAPINFO*>(&info),
              DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42; // "BM"
    header.bfOffBits = sizeof header + sizeof info;
    header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD done = 0;
    bool ok = WriteFile(file, &header, sizeof header, &done, nullptr) &&
              WriteFile(file, &info, sizeof info, &done, nullptr) &&
              WriteFile(file, pixels.data(), static_cast<DWORD>(pixels.size()), &done, nullptr);
    CloseHandle(file);
    return ok;
}

int Fail(const char* what) {
    std::fprintf(stderr, "demo install: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        return Fail("usage: demo_install INSTALLER_EXE OUTPUT_FOLDER [BOX_TEXT]");
    }
    std::string pictures = WindowsPath(argv[2]) + "\\";
    InstallerProcess installer;
    if (!installer.Start(WindowsPath(argv[1]))) {
        return Fail("the installer did not start");
    }
    HWND dialog = installer.WaitForWindow("Vek", "#32770", 20000);
    if (dialog == nullptr) {
        return Fail("no dialog");
    }
    Sleep(300); // let it paint
    SaveWindowPicture(dialog, pictures + "ready.bmp");

    DWORD pressed = GetTickCount();
    PressButton(dialog, IDOK);
    // A moment in the middle of a file, with the bar part-way.
    WaitUntil(
        [&] {
            LRESULT position = SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_GETPOS, 0, 0);
            return argc == 4 || (position >= 40 && position <= 70);
        },
        20000);
    SaveWindowPicture(dialog, pictures + "copying.bmp");

    HWND box = installer.WaitForMessageBox("報告", argc == 4 ? argv[3] : "完了しました。", 120000);
    if (box == nullptr) {
        return Fail(argc == 4 ? "no such box" : "no completion box");
    }
    DWORD seconds100 = (GetTickCount() - pressed) / 10;
    Sleep(200);
    SaveWindowPicture(box, pictures + "done-box.bmp");
    PressButton(box, IDOK);
    WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)) != FALSE; }, 5000);
    Sleep(200);
    SaveWindowPicture(dialog, pictures + "done.bmp");
    PressButton(dialog, IDCANCEL);
    DWORD code = installer.WaitForExit(10000);
    std::printf("installed in %lu.%02lu s (from the press of the button to the completion box); "
                "exit code %lu\n",
                seconds100 / 100, seconds100 % 100, code);
    return code == 1 ? 0 : 1;
}

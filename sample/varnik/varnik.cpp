// The sample product's main program: one window that says what it is and
// shows the command line it was started with and its current directory.
#include "varnik_product.h"
#include "varnik_text.h"

#include <windows.h>

namespace {

const char kWindowClass[] = "VarnikSampleWindow";
char windowText[2048];
HFONT titleFont;

void Paint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    SetBkMode(dc, TRANSPARENT);

    RECT title = client;
    InflateRect(&title, -16, -12);
    HGDIOBJ oldFont = SelectObject(dc, titleFont);
    DrawTextA(dc, VARNIK_PRODUCT_NAME, -1, &title, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));

    RECT body = client;
    InflateRect(&body, -16, -12);
    body.top += 40;
    DrawTextA(dc, windowText, -1, &body, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}   // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    char directory[MAX_PATH];
    if (!GetCurrentDirectoryA(sizeof directory, directory))
        directory[0] = '\0';
    VarnikComposeText(VARNIK_PRODUCT_NAME, VARNIK_UNINSTALL_SWITCH, GetCommandLineA(), directory, windowText,
                      sizeof windowText);

    titleFont = CreateFontA(-22, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));   // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassA(&windowClass))
        return 1;

    const int width = 600, height = 260;
    HWND window = CreateWindowExA(0, kWindowClass, VARNIK_PRODUCT_NAME, WS_OVERLAPPEDWINDOW,
                                  (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                  (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr,
                                  nullptr, instance, nullptr);
    if (!window)
        return 1;
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    DeleteObject(titleFont);
    return 0;
}

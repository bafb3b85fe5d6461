// Starting the installed product; see start_product.h.
//
// The installer runs elevated, often with an administrator's password typed
// for a standard user: a product it started itself would run in the wrong
// account, with administrator rights. Where the desktop's shell runs, the
// product is therefore started by that shell, through the documented way
// of asking it (IShellDispatch2::ShellExecute of the desktop's folder view,
// found through the shell windows), as the signed-in user. Without such a
// shell it is started here, with the installer's rights.
#include <windows.h>
#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include "start_product.h"
#include "path_text.h"

enum {
    kRedirectionTrustPolicy = 16,   // ProcessRedirectionTrustPolicy
    kEnforceRedirectionTrust = 1
};

typedef BOOL(WINAPI *SetMitigationFunction)(int, void *, SIZE_T);

void RefuseUntrustedRedirection(void)
{
    SetMitigationFunction set = (SetMitigationFunction)(void *)GetProcAddress(
        GetModuleHandleA("kernel32.dll"), "SetProcessMitigationPolicy");
    DWORD flags = kEnforceRedirectionTrust;
    if (set != NULL)
        set(kRedirectionTrustPolicy, &flags, sizeof flags);
}

// A BSTR in static storage: the text's length in bytes comes before it.
struct StaticText {
    DWORD bytes;
    WCHAR text[kPathSize];
};
static StaticText programText, dirText;

static BSTR MakeText(StaticText *out, const char *text)
{
    const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, out->text, kPathSize);
    out->bytes = units > 0 ? (DWORD)(units - 1) * sizeof(WCHAR) : 0;
    return out->text;
}

// Asks the desktop's shell to start program in dir. 1 when it did.
static int32_t StartThroughShell(const char *program, const char *dir)
{
    // The objects on the way, released in the end whatever was reached.
    enum {
        kWindows,
        kDesktop,
        kProvider,
        kBrowser,
        kView,
        kBackground,
        kFolderView,
        kApplication,
        kShell,
        kObjects
    };
    IUnknown *objects[kObjects];
    ZeroMemory(objects, sizeof objects);
    VARIANT none, directory, show;
    ZeroMemory(&none, sizeof none);   // VT_EMPTY
    directory = none;
    show = none;
    long window = 0;
    int32_t started = 0;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellWindows, NULL, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                   (void **)&objects[kWindows])) &&
        ((IShellWindows *)objects[kWindows])
                ->FindWindowSW(&none, &none, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                               (IDispatch **)&objects[kDesktop]) == S_OK &&
        objects[kDesktop] != NULL &&
        SUCCEEDED(objects[kDesktop]->QueryInterface(IID_IServiceProvider, (void **)&objects[kProvider])) &&
        SUCCEEDED(((IServiceProvider *)objects[kProvider])
                      ->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, (void **)&objects[kBrowser])) &&
        SUCCEEDED(
            ((IShellBrowser *)objects[kBrowser])->QueryActiveShellView((IShellView **)&objects[kView])) &&
        SUCCEEDED(((IShellView *)objects[kView])
                      ->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, (void **)&objects[kBackground])) &&
        SUCCEEDED(
            objects[kBackground]->QueryInterface(IID_IShellFolderViewDual, (void **)&objects[kFolderView])) &&
        SUCCEEDED(((IShellFolderViewDual *)objects[kFolderView])
                      ->get_Application((IDispatch **)&objects[kApplication])) &&
        objects[kApplication] != NULL &&
        SUCCEEDED(objects[kApplication]->QueryInterface(IID_IShellDispatch2, (void **)&objects[kShell]))) {
        directory.vt = VT_BSTR;
        directory.bstrVal = MakeText(&dirText, dir);
        show.vt = VT_I4;
        show.lVal = SW_SHOWNORMAL;
        started = SUCCEEDED(((IShellDispatch2 *)objects[kShell])
                                ->ShellExecute(MakeText(&programText, program), none, directory, none, show));
    }
    for (IUnknown *object : objects)
        if (object != NULL)
            object->Release();
    return started;
}

int32_t StartProduct(char *commandLine, const char *dir)
{
    CoInitialize(NULL);
    const int32_t throughShell = StartThroughShell(commandLine + 1, dir);
    CoUninitialize();
    if (throughShell)
        return 1;
    // WinExec starts it in the current directory, by its quoted path.
    lstrcatA(commandLine, "\"");
    SetCurrentDirectoryA(dir);
    return WinExec(commandLine, SW_SHOWNORMAL) > 31;
}

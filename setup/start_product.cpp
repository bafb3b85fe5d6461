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

enum {
    kTextUnits = 260,
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
    WCHAR text[kTextUnits];
};
static StaticText programText, dirText;

static BSTR MakeText(StaticText *out, const char *text)
{
    const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, out->text, kTextUnits);
    out->bytes = units > 0 ? (DWORD)(units - 1) * sizeof(WCHAR) : 0;
    return out->text;
}

static void Release(IUnknown *object)
{
    if (object != NULL)
        object->Release();
}

// Asks the desktop's shell to start program in dir. 1 when it did.
static int32_t StartThroughShell(const char *program, const char *dir)
{
    IShellWindows *windows = NULL;
    IDispatch *desktop = NULL;
    IServiceProvider *provider = NULL;
    IShellBrowser *browser = NULL;
    IShellView *view = NULL;
    IDispatch *background = NULL;
    IShellFolderViewDual *folderView = NULL;
    IDispatch *application = NULL;
    IShellDispatch2 *shell = NULL;
    VARIANT none, directory, show;
    ZeroMemory(&none, sizeof none);   // VT_EMPTY
    directory = none;
    show = none;
    long window = 0;
    int32_t started = 0;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellWindows, NULL, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                   (void **)&windows)) &&
        windows->FindWindowSW(&none, &none, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, &desktop) == S_OK &&
        desktop != NULL &&
        SUCCEEDED(desktop->QueryInterface(IID_IServiceProvider, (void **)&provider)) &&
        SUCCEEDED(provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, (void **)&browser)) &&
        SUCCEEDED(browser->QueryActiveShellView(&view)) &&
        SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, (void **)&background)) &&
        SUCCEEDED(background->QueryInterface(IID_IShellFolderViewDual, (void **)&folderView)) &&
        SUCCEEDED(folderView->get_Application(&application)) && application != NULL &&
        SUCCEEDED(application->QueryInterface(IID_IShellDispatch2, (void **)&shell))) {
        directory.vt = VT_BSTR;
        directory.bstrVal = MakeText(&dirText, dir);
        show.vt = VT_I4;
        show.lVal = SW_SHOWNORMAL;
        started = SUCCEEDED(shell->ShellExecute(MakeText(&programText, program), none, directory, none,
                                                show));
    }
    Release(shell);
    Release(application);
    Release(folderView);
    Release(background);
    Release(view);
    Release(browser);
    Release(provider);
    Release(desktop);
    Release(windows);
    return started;
}

int32_t StartProduct(char *commandLine, const char *dir)
{
    // The program's path is the command line without its quotes.
    char program[kTextUnits];
    lstrcpynA(program, commandLine + 1, kTextUnits);
    program[lstrlenA(program) - 1] = '\0';
    CoInitialize(NULL);
    const int32_t throughShell = StartThroughShell(program, dir);
    CoUninitialize();
    if (throughShell)
        return 1;

    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, dir, &startup, &process))
        return 0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}

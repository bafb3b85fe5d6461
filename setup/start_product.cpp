// Starting the installed product; see start_product.h.
#include <windows.h>

#include "start_product.h"

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

int32_t StartProduct(char *commandLine, const char *dir)
{
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

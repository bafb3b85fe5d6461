// Stands in for the installed main program in the GUI tests: records how it
// was started (current directory, command line and the show command its
// starter asked for, "none" when it named none, and the id of the process
// that started it) in "launched.txt" next to its
// own file, then ends.
#include <windows.h>
#include <tlhelp32.h>

// The id of the process that started this one.
static void AppendParent(char *report)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    DWORD parent = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ProcessID == GetCurrentProcessId())
            parent = entry.th32ParentProcessID;
    wsprintfA(report + lstrlenA(report), "\r\nparent=%lu", parent);
    CloseHandle(snapshot);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    while (length > 0 && path[length - 1] != '\\')
        --length;
    lstrcpyA(path + length, "launched.txt");

    char report[3 * MAX_PATH + 64] = "cwd=";
    GetCurrentDirectoryA(MAX_PATH, report + 4);
    lstrcatA(report, "\r\ncmd=");
    lstrcpynA(report + lstrlenA(report), GetCommandLineA(), MAX_PATH);
    lstrcatA(report, "\r\nshow=");
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    if (startup.dwFlags & STARTF_USESHOWWINDOW)
        wsprintfA(report + lstrlenA(report), "%d", (int)startup.wShowWindow);
    else
        lstrcatA(report, "none");
    AppendParent(report);
    lstrcatA(report, "\r\n");

    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 2;
    DWORD written = 0;
    WriteFile(file, report, (DWORD)lstrlenA(report), &written, NULL);
    CloseHandle(file);
    return 0;
}

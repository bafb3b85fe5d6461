// The product's entry in the system's list of installed programs, and the
// removal of the older generation's entry.
#include <windows.h>

#include "uninstall.h"
#include "setup_config.h"
#include "path_text.h"
#include "setup_state.h"

static const char kUninstallKeyPrefix[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
static const char kOlderUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Varnik";

// The key path and each value's text are composed in turn in this buffer.
enum {
    kEntryCapacity = 256
};

// Writes text as a REG_SZ value, stored with exactly one terminating NUL.
static void WriteTextValue(HKEY key, const char *name, const char *text)
{
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text, (DWORD)lstrlenA(text) + 1);
}

int32_t RegisterUninstall(void)
{
    char entry[kEntryCapacity];
    entry[0] = 0;
    if (!AppendText(entry, kUninstallKeyPrefix, kEntryCapacity) ||
        !AppendText(entry, SetupConfig.productName, kEntryCapacity)) {
        return 0;
    }

    static char emptyClass[] = "";
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, entry, 0, emptyClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        NULL, &key, &disposition) != ERROR_SUCCESS) {
        return 0;
    }

    WriteTextValue(key, "DisplayName", SetupConfig.productName);

    // The program path is quoted: unquoted, a path with blanks would be
    // resolved piece by piece ("c:\program.exe" first) when the command runs.
    entry[0] = '"';
    if (JoinPath(entry + 1, kEntryCapacity - 1, SetupState.installDir, SetupConfig.exeBaseName) &&
        AppendText(entry, ".exe\" ", kEntryCapacity) &&
        AppendText(entry, SetupConfig.uninstallSwitch, kEntryCapacity)) {
        WriteTextValue(key, "UninstallString", entry);
    } else {
        // No room for the command: an earlier install's command would name
        // the program in that install's folder, so it goes too.
        RegDeleteValueA(key, "UninstallString");
    }

    RegCloseKey(key);
    return 1;
}

int32_t RemoveUninstallEntry(void)
{
    HKEY key;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kOlderUninstallKey, &key) != ERROR_SUCCESS)
        return 0;
    RegDeleteValueA(key, "DisplayName");
    RegDeleteValueA(key, "UninstallString");
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kOlderUninstallKey);
    return 1;
}

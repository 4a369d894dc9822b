/* The registry step of the Windows stand-in builder, as a real builder configures the system
 * it builds: the source's hive I386\SETUPREG.HIV is copied into the output, the restore and
 * backup privileges enabled, the copy loaded, edited (every value kind, a name outside the
 * ANSI code page, a class, one key per enabled plugin; the value DeleteMe and the key
 * DeleteKey removed), unloaded, loaded again to check the change is in the file, saved to
 * I386\SAVED.HIV (restored into a scratch key to check it), replaced by a copy of the saved
 * file (NEW.HIV, the hive as it was kept as SETUPREG.OLD) and unloaded. Without a hive in the
 * source there is nothing to do. */

#include "hives.h"

#include <windows.h>

#define MOUNT "PE-SETUPREG"

static int Privilege(const char* name) {
    HANDLE token;
    TOKEN_PRIVILEGES tp;
    BOOL ok;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return 0;
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    ok = LookupPrivilegeValueA(NULL, name, &tp.Privileges[0].Luid) &&
         AdjustTokenPrivileges(token, FALSE, &tp, 0, NULL, NULL) && GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return ok;
}

static int Check(LONG result, const char* what, char* reason) {
    if (result == ERROR_SUCCESS) return 1;
    wsprintfA(reason, "Registry: %s failed with error %ld", what, result);
    return 0;
}

static int Edit(const char* const* plugins, int pluginCount, char* reason) {
    static const BYTE odd[3] = {1, 2, 3};
    static const BYTE binary[4] = {0, 0xff, 0x10, 0x7f};
    static const WCHAR multi[] = L"first\0second\0";
    static const WCHAR wideName[] = {0x540d, 0x524d, 0};
    static const WCHAR wideData[] = {0x65e5, 0x672c, 0x8a9e, 0};
    DWORD dword = 42;
    ULONGLONG qword = 0x0102030405060708ull;
    HKEY key, root, sub;
    char name[64];
    int i;
    if (!Check(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"" MOUNT "\\VrnxStandIn", 0, L"StandInClass", 0,
                               KEY_ALL_ACCESS, NULL, &key, NULL),
               "creating the key VrnxStandIn", reason))
        return 0;
    if (!Check(RegSetValueExA(key, NULL, 0, REG_SZ, (const BYTE*)"default", 8), "the default value",
               reason) ||
        !Check(RegSetValueExA(key, "sz", 0, REG_SZ, (const BYTE*)"stand-in", 9), "a string",
               reason) ||
        !Check(RegSetValueExA(key, "expand", 0, REG_EXPAND_SZ, (const BYTE*)"%SystemRoot%\\x", 15),
               "an expandable string", reason) ||
        !Check(RegSetValueExW(key, L"multi", 0, REG_MULTI_SZ, (const BYTE*)multi, sizeof multi),
               "a multi-string", reason) ||
        !Check(RegSetValueExA(key, "dword", 0, REG_DWORD, (const BYTE*)&dword, 4), "a DWORD",
               reason) ||
        !Check(RegSetValueExA(key, "qword", 0, REG_QWORD, (const BYTE*)&qword, 8), "a QWORD",
               reason) ||
        !Check(RegSetValueExA(key, "binary", 0, REG_BINARY, binary, 4), "binary data", reason) ||
        !Check(RegSetValueExA(key, "none", 0, REG_NONE, NULL, 0), "a value without type", reason) ||
        !Check(RegSetValueExA(key, "odd", 0, 0x1234, odd, 3), "a value of an unnamed type",
               reason) ||
        !Check(RegSetValueExW(key, wideName, 0, REG_SZ, (const BYTE*)wideData, sizeof wideData),
               "a value with a Japanese name", reason)) {
        RegCloseKey(key);
        return 0;
    }
    for (i = 0; i < pluginCount; ++i) {
        wsprintfA(name, "Plugins\\%d", i + 1);
        if (!Check(RegCreateKeyExA(key, name, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &sub, NULL),
                   "a plugin key", reason)) {
            RegCloseKey(key);
            return 0;
        }
        RegSetValueExA(sub, "file", 0, REG_SZ, (const BYTE*)plugins[i],
                       (DWORD)lstrlenA(plugins[i]) + 1);
        RegCloseKey(sub);
    }
    RegCloseKey(key);
    if (!Check(RegOpenKeyExA(HKEY_LOCAL_MACHINE, MOUNT, 0, KEY_ALL_ACCESS, &root),
               "opening the hive", reason))
        return 0;
    RegDeleteValueA(root, "DeleteMe");
    RegDeleteKeyA(root, "DeleteKey");
    RegCloseKey(root);
    return 1;
}

/* RegRestoreKey of the saved hive into a scratch key of the user's registry brings back the
 * key the build added. */
static int Restored(const char* saved, char* reason) {
    HKEY scratch, key;
    DWORD value = 0, size = sizeof value;
    LONG r;
    reason[0] = '\0';
    if (!Check(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\VrnxRestoreCheck", 0, NULL, 0,
                               KEY_ALL_ACCESS, NULL, &scratch, NULL),
               "creating a key to restore into", reason))
        return 0;
    r = RegRestoreKeyA(scratch, saved, 0);
    if (r == ERROR_SUCCESS) {
        r = RegOpenKeyExA(scratch, "VrnxStandIn", 0, KEY_READ, &key);
        if (r == ERROR_SUCCESS) {
            r = RegQueryValueExA(key, "dword", NULL, NULL, (BYTE*)&value, &size);
            RegCloseKey(key);
        }
        if (r == ERROR_SUCCESS && value != 42) r = ERROR_INVALID_DATA;
    }
    RegDeleteTreeA(scratch, NULL);
    RegCloseKey(scratch);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\VrnxRestoreCheck");
    return Check(r, "restoring SAVED.HIV", reason);
}

int EditHives(const char* sourceI386, const char* outputI386, const char* const* plugins,
              int pluginCount, char* reason) {
    char source[MAX_PATH], hive[MAX_PATH], saved[MAX_PATH], copy[MAX_PATH], old[MAX_PATH];
    HKEY key;
    DWORD value = 0, size = sizeof value;
    LONG r;
    wsprintfA(source, "%s\\SETUPREG.HIV", sourceI386);
    if (GetFileAttributesA(source) == INVALID_FILE_ATTRIBUTES) return 1;
    wsprintfA(hive, "%s\\SETUPREG.HIV", outputI386);
    wsprintfA(saved, "%s\\SAVED.HIV", outputI386);
    if (!CopyFileA(source, hive, FALSE)) {
        wsprintfA(reason, "Registry: cannot copy %s", source);
        return 0;
    }
    SetFileAttributesA(hive, FILE_ATTRIBUTE_NORMAL); /* a CD's copy is read-only */
    if (!Privilege("SeRestorePrivilege") || !Privilege("SeBackupPrivilege")) {
        lstrcpyA(reason, "Registry: cannot enable the restore and backup privileges");
        return 0;
    }
    if (!Check(RegLoadKeyA(HKEY_LOCAL_MACHINE, MOUNT, hive), "loading SETUPREG.HIV", reason))
        return 0;
    if (!Edit(plugins, pluginCount, reason)) {
        RegUnLoadKeyA(HKEY_LOCAL_MACHINE, MOUNT);
        return 0;
    }
    if (!Check(RegUnLoadKeyA(HKEY_LOCAL_MACHINE, MOUNT), "unloading SETUPREG.HIV", reason))
        return 0;

    if (!Check(RegLoadKeyA(HKEY_LOCAL_MACHINE, MOUNT, hive), "loading SETUPREG.HIV again", reason))
        return 0;
    r = RegOpenKeyExA(HKEY_LOCAL_MACHINE, MOUNT "\\VrnxStandIn", 0, KEY_READ, &key);
    if (r == ERROR_SUCCESS) {
        r = RegQueryValueExA(key, "dword", NULL, NULL, (BYTE*)&value, &size);
        RegCloseKey(key);
    }
    if (r != ERROR_SUCCESS || value != 42) {
        RegUnLoadKeyA(HKEY_LOCAL_MACHINE, MOUNT);
        lstrcpyA(reason, "Registry: the changes were not in SETUPREG.HIV when it was loaded again");
        return 0;
    }
    DeleteFileA(saved);
    r = RegOpenKeyExA(HKEY_LOCAL_MACHINE, MOUNT, 0, KEY_READ, &key);
    if (r == ERROR_SUCCESS) {
        r = RegSaveKeyA(key, saved, NULL);
        RegCloseKey(key);
    }
    if (!Check(r, "saving the hive to SAVED.HIV", reason) || !Restored(saved, reason)) {
        RegUnLoadKeyA(HKEY_LOCAL_MACHINE, MOUNT);
        return 0;
    }
    /* The saved copy replaces the hive when it is unloaded; the hive as it was becomes
     * SETUPREG.OLD. */
    wsprintfA(copy, "%s\\NEW.HIV", outputI386);
    wsprintfA(old, "%s\\SETUPREG.OLD", outputI386);
    if (!CopyFileA(saved, copy, FALSE) ||
        !Check(RegReplaceKeyA(HKEY_LOCAL_MACHINE, MOUNT, copy, old), "replacing SETUPREG.HIV",
               reason)) {
        if (!reason[0]) lstrcpyA(reason, "Registry: cannot copy SAVED.HIV");
        RegUnLoadKeyA(HKEY_LOCAL_MACHINE, MOUNT);
        return 0;
    }
    return Check(RegUnLoadKeyA(HKEY_LOCAL_MACHINE, MOUNT), "unloading SETUPREG.HIV again", reason);
}

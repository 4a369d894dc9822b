/* Loads a registry hive (or Wine's text form of one) into HKLM\VRNX2-BENCH, adds two keys and
 * unloads it, timing the load and the unload. For bench_wine_hive.
 *   hive_load.exe FILE TIMES_FILE     TIMES_FILE gets "LOAD_MS UNLOAD_MS" */
#include <stdio.h>
#include <windows.h>

static void Privilege(const char* name) {
    HANDLE token;
    TOKEN_PRIVILEGES tp;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return;
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(NULL, name, &tp.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &tp, 0, NULL, NULL);
    CloseHandle(token);
}

int main(int argc, char** argv) {
    LARGE_INTEGER f, t0, t1, t2, t3;
    HKEY key;
    FILE* out;
    LONG r;
    if (argc != 3) return 2;
    Privilege("SeRestorePrivilege");
    Privilege("SeBackupPrivilege");
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    r = RegLoadKeyA(HKEY_LOCAL_MACHINE, "VRNX2-BENCH", argv[1]);
    QueryPerformanceCounter(&t1);
    if (r != ERROR_SUCCESS) return 10;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, "VRNX2-BENCH\\Added1", &key) == ERROR_SUCCESS)
        RegCloseKey(key);
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, "VRNX2-BENCH\\Added2", &key) == ERROR_SUCCESS)
        RegCloseKey(key);
    QueryPerformanceCounter(&t2);
    r = RegUnLoadKeyA(HKEY_LOCAL_MACHINE, "VRNX2-BENCH");
    QueryPerformanceCounter(&t3);
    if (r != ERROR_SUCCESS) return 11;
    out = fopen(argv[2], "w");
    if (!out) return 12;
    fprintf(out, "%.1f %.1f\n", 1000.0 * (double)(t1.QuadPart - t0.QuadPart) / (double)f.QuadPart,
            1000.0 * (double)(t3.QuadPart - t2.QuadPart) / (double)f.QuadPart);
    return fclose(out) == 0 ? 0 : 13;
}

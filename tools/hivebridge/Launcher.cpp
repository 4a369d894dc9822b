// Starts a Windows program under Wine with the hive bridge loaded into it before its first
// instruction, waits for it, finishes any hive it left mounted and ends with its exit code.
//   vrnx2-launchNN.exe PROGRAM [ARGUMENTS...]
// PROGRAM may be a Linux path ("/home/me/builder/pebuilder.exe"); the arguments reach the
// program exactly as they reached the launcher.

#include <windows.h>

#include <cstdio>
#include <string>

#include "Bridge.h"

namespace {

#ifdef _WIN64
constexpr const wchar_t* kHookName = L"vrnx2-hive64.dll";
#else
constexpr const wchar_t* kHookName = L"vrnx2-hive32.dll";
#endif

// The end of the first argument of a Windows command line (double quotes group).
const wchar_t* SkipArgument(const wchar_t* p, std::wstring* value) {
    bool quoted = false;
    for (; *p && (quoted || (*p != L' ' && *p != L'\t')); ++p) {
        if (*p == L'"')
            quoted = !quoted;
        else if (value)
            value->push_back(*p);
    }
    return p;
}

std::wstring DosPath(const std::wstring& program) {
    if (program.empty() || program[0] != L'/') return program;
    using ToDos = LPWSTR(CDECL*)(LPCSTR);
    auto toDos = reinterpret_cast<ToDos>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name"));
    if (!toDos) return program;
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, program.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string unix(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, program.c_str(), -1, &unix[0], n, nullptr, nullptr);
    LPWSTR dos = toDos(unix.c_str());
    if (!dos) return program;
    std::wstring out = dos;
    HeapFree(GetProcessHeap(), 0, dos);
    return out;
}

std::wstring OwnFolder() {
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring s(path, n);
    const size_t slash = s.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : s.substr(0, slash + 1);
}

// LoadLibraryW(hook) in the suspended program, through a thread of its own: the program's
// imports are bound by then, and its own code has not run.
bool Inject(HANDLE process, const std::wstring& hook) {
    const SIZE_T size = (hook.size() + 1) * sizeof(wchar_t);
    void* remote = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote) return false;
    bool ok = WriteProcessMemory(process, remote, hook.c_str(), size, nullptr);
    if (ok) {
        auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW"));
        HANDLE thread = CreateRemoteThread(process, nullptr, 0, load, remote, 0, nullptr);
        ok = thread && WaitForSingleObject(thread, 60000) == WAIT_OBJECT_0;
        DWORD result = 0;
        if (ok) ok = GetExitCodeThread(thread, &result) && result != 0;
        if (thread) CloseHandle(thread);
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return ok;
}

void RemoveFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW((folder + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

int wmain() {
    const wchar_t* rest = SkipArgument(GetCommandLineW(), nullptr);
    while (*rest == L' ' || *rest == L'\t') ++rest;
    std::wstring program;
    const wchar_t* arguments = SkipArgument(rest, &program);
    if (program.empty()) {
        fwprintf(stderr, L"usage: vrnx2-launch PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    program = DosPath(program);
    std::wstring commandLine = L"\"" + program + L"\"" + arguments;

    wchar_t temp[MAX_PATH * 2];
    GetTempPathW(MAX_PATH * 2, temp);
    const std::wstring folder =
        std::wstring(temp) + L"vrnx2-hive-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    SetEnvironmentVariableW(L"VRNX2_HIVE_TEMP", folder.c_str());
    bridge::Init();

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &info)) {
        const DWORD error = GetLastError();
        fwprintf(stderr, L"vrnx2-launch: cannot start %ls (Windows error %lu)\n", program.c_str(),
                 error);
        RemoveFolder(folder);
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 127 : 126;
    }
    const std::wstring hook = OwnFolder() + kHookName;
    if (!Inject(info.hProcess, hook)) {
        fwprintf(stderr, L"vrnx2-launch: cannot load %ls into %ls; registry hives would not load\n",
                 hook.c_str(), program.c_str());
        TerminateProcess(info.hProcess, 126);
        RemoveFolder(folder);
        return 126;
    }
    ResumeThread(info.hThread);
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    bridge::FinishLeftovers(folder.c_str());
    RemoveFolder(folder);
    return static_cast<int>(code);
}

// The library the launcher loads into a Windows program before it runs: it points the
// program's imports of the registry's hive calls (and GetProcAddress, for programs that look
// them up) at the bridge. Nothing is changed outside this process.

#include <windows.h>
// after windows.h, which it needs
#include <tlhelp32.h>

#include <string>

#include "Bridge.h"

namespace {

HMODULE self;

std::wstring FromAnsi(LPCSTR s) {
    if (!s) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
    std::wstring out(n > 0 ? static_cast<size_t>(n - 1) : 0, L'\0');
    if (n > 1) MultiByteToWideChar(CP_ACP, 0, s, -1, &out[0], n);
    return out;
}
LPCWSTR OrNull(LPCSTR s, const std::wstring& w) {
    return s ? w.c_str() : nullptr;
}

LSTATUS WINAPI LoadKeyW(HKEY root, LPCWSTR subkey, LPCWSTR file) {
    return bridge::LoadKey(root, subkey, file);
}
LSTATUS WINAPI LoadKeyA(HKEY root, LPCSTR subkey, LPCSTR file) {
    const std::wstring s = FromAnsi(subkey), f = FromAnsi(file);
    return bridge::LoadKey(root, OrNull(subkey, s), OrNull(file, f));
}
LSTATUS WINAPI UnloadKeyW(HKEY root, LPCWSTR subkey) {
    return bridge::UnloadKey(root, subkey);
}
LSTATUS WINAPI UnloadKeyA(HKEY root, LPCSTR subkey) {
    const std::wstring s = FromAnsi(subkey);
    return bridge::UnloadKey(root, OrNull(subkey, s));
}
LSTATUS WINAPI SaveKeyW(HKEY key, LPCWSTR file, LPSECURITY_ATTRIBUTES sa) {
    return bridge::SaveKey(key, file, sa, 1);
}
LSTATUS WINAPI SaveKeyA(HKEY key, LPCSTR file, LPSECURITY_ATTRIBUTES sa) {
    const std::wstring f = FromAnsi(file);
    return bridge::SaveKey(key, OrNull(file, f), sa, 1);
}
LSTATUS WINAPI SaveKeyExW(HKEY key, LPCWSTR file, LPSECURITY_ATTRIBUTES sa, DWORD flags) {
    return bridge::SaveKey(key, file, sa, flags);
}
LSTATUS WINAPI SaveKeyExA(HKEY key, LPCSTR file, LPSECURITY_ATTRIBUTES sa, DWORD flags) {
    const std::wstring f = FromAnsi(file);
    return bridge::SaveKey(key, OrNull(file, f), sa, flags);
}
LSTATUS WINAPI RestoreKeyW(HKEY key, LPCWSTR file, DWORD flags) {
    return bridge::RestoreKey(key, file, flags);
}
LSTATUS WINAPI RestoreKeyA(HKEY key, LPCSTR file, DWORD flags) {
    const std::wstring f = FromAnsi(file);
    return bridge::RestoreKey(key, OrNull(file, f), flags);
}
LSTATUS WINAPI ReplaceKeyW(HKEY root, LPCWSTR subkey, LPCWSTR newFile, LPCWSTR oldFile) {
    return bridge::ReplaceKey(root, subkey, newFile, oldFile);
}
LSTATUS WINAPI ReplaceKeyA(HKEY root, LPCSTR subkey, LPCSTR newFile, LPCSTR oldFile) {
    const std::wstring s = FromAnsi(subkey), n = FromAnsi(newFile), o = FromAnsi(oldFile);
    return bridge::ReplaceKey(root, OrNull(subkey, s), OrNull(newFile, n), OrNull(oldFile, o));
}

FARPROC WINAPI HookedGetProcAddress(HMODULE module, LPCSTR name);
HMODULE WINAPI HookedLoadLibraryA(LPCSTR name);
HMODULE WINAPI HookedLoadLibraryW(LPCWSTR name);
HMODULE WINAPI HookedLoadLibraryExA(LPCSTR name, HANDLE file, DWORD flags);
HMODULE WINAPI HookedLoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags);

struct Target {
    const char* module;
    const char* name;
    void* hook;
    void* original;
};

Target targets[] = {
    {"advapi32.dll", "RegLoadKeyA", reinterpret_cast<void*>(LoadKeyA), nullptr},
    {"advapi32.dll", "RegLoadKeyW", reinterpret_cast<void*>(LoadKeyW), nullptr},
    {"advapi32.dll", "RegUnLoadKeyA", reinterpret_cast<void*>(UnloadKeyA), nullptr},
    {"advapi32.dll", "RegUnLoadKeyW", reinterpret_cast<void*>(UnloadKeyW), nullptr},
    {"advapi32.dll", "RegSaveKeyA", reinterpret_cast<void*>(SaveKeyA), nullptr},
    {"advapi32.dll", "RegSaveKeyW", reinterpret_cast<void*>(SaveKeyW), nullptr},
    {"advapi32.dll", "RegSaveKeyExA", reinterpret_cast<void*>(SaveKeyExA), nullptr},
    {"advapi32.dll", "RegSaveKeyExW", reinterpret_cast<void*>(SaveKeyExW), nullptr},
    {"advapi32.dll", "RegRestoreKeyA", reinterpret_cast<void*>(RestoreKeyA), nullptr},
    {"advapi32.dll", "RegRestoreKeyW", reinterpret_cast<void*>(RestoreKeyW), nullptr},
    {"advapi32.dll", "RegReplaceKeyA", reinterpret_cast<void*>(ReplaceKeyA), nullptr},
    {"advapi32.dll", "RegReplaceKeyW", reinterpret_cast<void*>(ReplaceKeyW), nullptr},
    {"kernel32.dll", "GetProcAddress", reinterpret_cast<void*>(HookedGetProcAddress), nullptr},
    {"kernel32.dll", "LoadLibraryA", reinterpret_cast<void*>(HookedLoadLibraryA), nullptr},
    {"kernel32.dll", "LoadLibraryW", reinterpret_cast<void*>(HookedLoadLibraryW), nullptr},
    {"kernel32.dll", "LoadLibraryExA", reinterpret_cast<void*>(HookedLoadLibraryExA), nullptr},
    {"kernel32.dll", "LoadLibraryExW", reinterpret_cast<void*>(HookedLoadLibraryExW), nullptr},
};

template <typename F>
F Original(int index) {
    return reinterpret_cast<F>(targets[index].original);
}

void* HookFor(void* address) {
    if (!address) return nullptr;
    for (const Target& t : targets)
        if (t.original == address) return t.hook;
    return nullptr;
}

// Points every import of `base` that resolves to a hooked function at its hook.
void PatchModule(HMODULE module) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return;
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return;
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress || !dir.Size) return;
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         imp->Name; ++imp) {
        if (!imp->FirstThunk) continue;
        for (auto* thunk = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
             thunk->u1.Function; ++thunk) {
            void** slot = reinterpret_cast<void**>(&thunk->u1.Function);
            void* hook = HookFor(*slot);
            if (!hook) continue;
            DWORD old;
            if (VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old)) {
                *slot = hook;
                VirtualProtect(slot, sizeof(void*), old, &old);
            }
        }
    }
}

void PatchAll() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
    if (snap == INVALID_HANDLE_VALUE) return;
    MODULEENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Module32FirstW(snap, &entry); more; more = Module32NextW(snap, &entry))
        if (entry.hModule != self) PatchModule(entry.hModule);
    CloseHandle(snap);
}

FARPROC WINAPI HookedGetProcAddress(HMODULE module, LPCSTR name) {
    FARPROC found = Original<FARPROC(WINAPI*)(HMODULE, LPCSTR)>(12)(module, name);
    void* hook = HookFor(reinterpret_cast<void*>(found));
    return hook ? reinterpret_cast<FARPROC>(hook) : found;
}

HMODULE Patched(HMODULE loaded) {
    if (loaded) PatchAll();
    return loaded;
}
HMODULE WINAPI HookedLoadLibraryA(LPCSTR name) {
    return Patched(Original<HMODULE(WINAPI*)(LPCSTR)>(13)(name));
}
HMODULE WINAPI HookedLoadLibraryW(LPCWSTR name) {
    return Patched(Original<HMODULE(WINAPI*)(LPCWSTR)>(14)(name));
}
HMODULE WINAPI HookedLoadLibraryExA(LPCSTR name, HANDLE file, DWORD flags) {
    return Patched(Original<HMODULE(WINAPI*)(LPCSTR, HANDLE, DWORD)>(15)(name, file, flags));
}
HMODULE WINAPI HookedLoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags) {
    return Patched(Original<HMODULE(WINAPI*)(LPCWSTR, HANDLE, DWORD)>(16)(name, file, flags));
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        DisableThreadLibraryCalls(instance);
        bridge::Init();
        for (Target& t : targets)
            t.original =
                reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(t.module), t.name));
        PatchAll();
    }
    return TRUE;
}

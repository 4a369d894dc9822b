#include "Bridge.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/hive/Hive.h"
#include "platform/hive/WineText.h"

namespace bridge {

namespace {

Originals real;
SRWLOCK lock = SRWLOCK_INIT;
LONG counter = 0;

struct Mount {
    HKEY root;
    std::wstring subkey;
    std::wstring file;     // full path of the hive file
    std::wstring journal;  // this mount's record for the launcher; empty: none
    std::wstring replaceNew, replaceOld;
};
std::vector<Mount> mounts;

struct Guard {
    Guard() { AcquireSRWLockExclusive(&lock); }
    ~Guard() { ReleaseSRWLockExclusive(&lock); }
};

uint64_t Now() {
    FILETIME t;
    GetSystemTimeAsFileTime(&t);
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

bool ReadWhole(const std::wstring& path, std::string& out) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(f, &size) && size.QuadPart < 0x7FFFFFFF;
    if (ok) {
        out.resize(static_cast<size_t>(size.QuadPart));
        size_t done = 0;
        while (ok && done < out.size()) {
            DWORD got = 0;
            ok = ReadFile(f, &out[done], static_cast<DWORD>(out.size() - done), &got, nullptr) &&
                 got > 0;
            done += got;
        }
    }
    CloseHandle(f);
    return ok;
}

bool WriteWhole(const std::wstring& path, const std::string& bytes, DWORD disposition) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        DWORD put = 0;
        ok = WriteFile(f, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &put,
                       nullptr) &&
             put > 0;
        done += put;
    }
    ok = FlushFileBuffers(f) && ok;
    ok = CloseHandle(f) && ok;
    if (!ok) DeleteFileW(path.c_str());
    return ok;
}

// Into a temporary file beside `path`, then renamed over it: a failed write leaves the old
// hive whole.
bool ReplaceFileContent(const std::wstring& path, const std::string& bytes) {
    const std::wstring temp = path + L".vrnx2-" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    if (!WriteWhole(temp, bytes, CREATE_ALWAYS)) return false;
    if (!MoveFileExW(temp.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

std::wstring TempName(const wchar_t* what) {
    std::wstring name = TempFolder();
    if (!name.empty() && name.back() != L'\\') name += L'\\';
    return name + what + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(InterlockedIncrement(&counter)) + L".txt";
}

std::wstring FullPath(LPCWSTR file) {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD n = GetFullPathNameW(file, MAX_PATH * 4, buffer, nullptr);
    return n > 0 && n < MAX_PATH * 4 ? std::wstring(buffer, n) : std::wstring(file);
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::string Utf8(const std::wstring& s) {
    if (s.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), &out[0], n, nullptr,
                        nullptr);
    return out;
}

std::wstring Wide(const std::string& s) {
    if (s.empty()) return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), &out[0], n);
    return out;
}

bool Predefined(HKEY root) {
    return root == HKEY_LOCAL_MACHINE || root == HKEY_USERS;
}

// Wine's text of `key` and everything below it.
LSTATUS SaveAsText(HKEY key, std::string& text) {
    const std::wstring temp = TempName(L"saved");
    DeleteFileW(temp.c_str());
    LSTATUS r = real.saveKeyEx(key, temp.c_str(), nullptr, 0);
    if (r == ERROR_SUCCESS && !ReadWhole(temp, text)) r = ERROR_REGISTRY_IO_FAILED;
    DeleteFileW(temp.c_str());
    return r;
}

// What the program changed in `m`'s mounted key, merged into its hive file.
LSTATUS WriteBack(const Mount& m) {
    HKEY key;
    LSTATUS r = RegOpenKeyExW(m.root, m.subkey.c_str(), 0, KEY_READ, &key);
    if (r != ERROR_SUCCESS) return r;
    std::string text;
    r = SaveAsText(key, text);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS) return r;
    std::string bytes;
    if (!ReadWhole(m.file, bytes)) return ERROR_REGISTRY_IO_FAILED;
    try {
        const hive::Hive original = hive::ReadHive(bytes);
        bool changed = false;
        const uint64_t now = Now();
        hive::Key merged = hive::MergeSaved(original.root, hive::ParseWineText(text), now, changed);
        if (!changed) return ERROR_SUCCESS;
        if (!ReplaceFileContent(m.file,
                                hive::WriteHive(hive::Hive{original.base, std::move(merged)}, now)))
            return ERROR_REGISTRY_IO_FAILED;
    } catch (const std::exception&) {
        return ERROR_BADDB;
    }
    return ERROR_SUCCESS;
}

void WriteJournal(Mount& m) {
    if (!Predefined(m.root)) return;
    m.journal = TempName(L"mount");
    const std::string record = std::string(m.root == HKEY_LOCAL_MACHINE ? "HKLM" : "HKU") + "\n" +
                               Utf8(m.subkey) + "\n" + Utf8(m.file) + "\n";
    if (!WriteWhole(m.journal, record, CREATE_ALWAYS)) m.journal.clear();
}

// Unloads `m` after writing it back; a failed write-back leaves it mounted and the file as
// it was, so nothing the program did is lost to a half-written hive.
LSTATUS Finish(const Mount& m) {
    LSTATUS r = WriteBack(m);
    if (r != ERROR_SUCCESS) return r;
    r = real.unloadKey(m.root, m.subkey.c_str());
    if (r != ERROR_SUCCESS) return r;
    if (!m.replaceNew.empty()) {
        // The replacement a program asked for while the hive was mounted takes effect now.
        if (!MoveFileExW(m.file.c_str(), m.replaceOld.c_str(), MOVEFILE_REPLACE_EXISTING) ||
            !MoveFileExW(m.replaceNew.c_str(), m.file.c_str(), MOVEFILE_REPLACE_EXISTING))
            r = ERROR_REGISTRY_IO_FAILED;
    }
    if (!m.journal.empty()) DeleteFileW(m.journal.c_str());
    return r;
}

std::vector<Mount>::iterator FindMount(HKEY root, const std::wstring& subkey) {
    for (auto it = mounts.begin(); it != mounts.end(); ++it)
        if (it->root == root && SameText(it->subkey, subkey)) return it;
    return mounts.end();
}

LSTATUS WriteTree(HKEY key, const hive::Key& tree) {
    for (const hive::Value& v : tree.values) {
        const std::wstring name(v.name.begin(), v.name.end());
        const LSTATUS r = RegSetValueExW(key, name.c_str(), 0, v.type,
                                         reinterpret_cast<const BYTE*>(v.data.data()),
                                         static_cast<DWORD>(v.data.size()));
        if (r != ERROR_SUCCESS) return r;
    }
    for (const hive::Key& child : tree.subkeys) {
        const std::wstring name(child.name.begin(), child.name.end());
        const std::wstring cls(child.className.begin(), child.className.end());
        HKEY sub;
        LSTATUS r = RegCreateKeyExW(key, name.c_str(), 0,
                                    child.hasClass ? const_cast<LPWSTR>(cls.c_str()) : nullptr, 0,
                                    KEY_ALL_ACCESS, nullptr, &sub, nullptr);
        if (r != ERROR_SUCCESS) return r;
        r = WriteTree(sub, child);
        RegCloseKey(sub);
        if (r != ERROR_SUCCESS) return r;
    }
    return ERROR_SUCCESS;
}

}  // namespace

void Init() {
    HMODULE advapi = GetModuleHandleW(L"advapi32.dll");
    real.loadKey = reinterpret_cast<decltype(real.loadKey)>(GetProcAddress(advapi, "RegLoadKeyW"));
    real.unloadKey =
        reinterpret_cast<decltype(real.unloadKey)>(GetProcAddress(advapi, "RegUnLoadKeyW"));
    real.saveKeyEx =
        reinterpret_cast<decltype(real.saveKeyEx)>(GetProcAddress(advapi, "RegSaveKeyExW"));
    real.restoreKey =
        reinterpret_cast<decltype(real.restoreKey)>(GetProcAddress(advapi, "RegRestoreKeyW"));
    real.replaceKey =
        reinterpret_cast<decltype(real.replaceKey)>(GetProcAddress(advapi, "RegReplaceKeyW"));
}

const Originals& Real() {
    return real;
}

const wchar_t* TempFolder() {
    static wchar_t folder[MAX_PATH * 2];
    if (!folder[0]) {
        const DWORD n = GetEnvironmentVariableW(L"VRNX2_HIVE_TEMP", folder, MAX_PATH * 2);
        if (n == 0 || n >= MAX_PATH * 2) GetTempPathW(MAX_PATH * 2, folder);
    }
    return folder;
}

LSTATUS LoadKey(HKEY root, LPCWSTR subkey, LPCWSTR file) {
    if (!subkey || !file || !*subkey) return real.loadKey(root, subkey, file);
    std::string bytes;
    if (!ReadWhole(file, bytes) || !hive::LooksLikeHive(bytes))
        return real.loadKey(root, subkey, file);
    std::string text;
    try {
        text = hive::ToWineText(hive::ReadHive(bytes).root);
    } catch (const std::exception&) {
        return ERROR_BADDB;  // as Windows answers a damaged hive; nothing is mounted
    }
    const std::wstring temp = TempName(L"load");
    if (!WriteWhole(temp, text, CREATE_ALWAYS)) return ERROR_REGISTRY_IO_FAILED;
    Guard guard;
    const LSTATUS r = real.loadKey(root, subkey, temp.c_str());
    DeleteFileW(temp.c_str());
    if (r != ERROR_SUCCESS) return r;
    mounts.push_back(Mount{root, subkey, FullPath(file), {}, {}, {}});
    WriteJournal(mounts.back());
    return ERROR_SUCCESS;
}

LSTATUS UnloadKey(HKEY root, LPCWSTR subkey) {
    if (!subkey) return real.unloadKey(root, subkey);
    Guard guard;
    auto it = FindMount(root, subkey);
    if (it == mounts.end()) return real.unloadKey(root, subkey);
    const LSTATUS r = Finish(*it);
    if (r == ERROR_SUCCESS) mounts.erase(it);
    return r;
}

namespace {

// The key's full name ("\REGISTRY\MACHINE\PE-SOFT\Setup"); empty when Wine cannot tell.
std::wstring KeyName(HKEY key) {
    using QueryKey = LONG(NTAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    static const auto query =
        reinterpret_cast<QueryKey>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryKey"));
    if (!query) return {};
    std::vector<char> buffer(4096);
    ULONG length = 0;
    if (query(key, 3 /* KeyNameInformation */, buffer.data(), static_cast<ULONG>(buffer.size()),
              &length) != 0)
        return {};
    ULONG bytes;
    std::memcpy(&bytes, buffer.data(), sizeof bytes);
    bytes = std::min<ULONG>(bytes, static_cast<ULONG>(buffer.size() - sizeof bytes));
    return std::wstring(reinterpret_cast<const wchar_t*>(buffer.data() + sizeof bytes),
                        bytes / sizeof(wchar_t));
}

// Where `key` lies in a mounted hive: its file and the path below the hive's root. False
// for keys outside every mounted hive.
bool InMount(HKEY key, std::wstring& file, std::wstring& below) {
    const std::wstring name = KeyName(key);
    for (const Mount& m : mounts) {
        const std::wstring root =
            std::wstring(m.root == HKEY_LOCAL_MACHINE ? L"\\REGISTRY\\MACHINE\\"
                                                      : L"\\REGISTRY\\USER\\") +
            m.subkey;
        if (name.size() < root.size() || !SameText(name.substr(0, root.size()), root)) continue;
        if (name.size() > root.size() && name[root.size()] != L'\\') continue;
        file = m.file;
        below = name.size() > root.size() ? name.substr(root.size() + 1) : std::wstring();
        return true;
    }
    return false;
}

}  // namespace

LSTATUS SaveKey(HKEY key, LPCWSTR file, LPSECURITY_ATTRIBUTES security, DWORD flags) {
    if (!file || !*file) return ERROR_INVALID_PARAMETER;
    if (GetFileAttributesW(file) != INVALID_FILE_ATTRIBUTES) return ERROR_ALREADY_EXISTS;
    std::string text;
    LSTATUS r = SaveAsText(key, text);
    if (r != ERROR_SUCCESS) return r;
    (void)security;
    try {
        // A key of a mounted hive keeps the descriptors, classes and times it has there, and
        // the hive's format; elsewhere Windows writes its era's format, the latest on request.
        hive::Hive base = hive::NewHive(u"", flags == 2 /* REG_LATEST_FORMAT */ ? 5 : 3);
        hive::Key original = base.root;
        std::wstring hiveFile, below;
        std::string bytes;
        Guard guard;
        if (InMount(key, hiveFile, below) && ReadWhole(hiveFile, bytes)) {
            const hive::Hive mounted = hive::ReadHive(bytes);
            base.base = mounted.base;
            const hive::Key* at = &mounted.root;
            size_t start = 0;
            while (at && start < below.size()) {
                size_t end = below.find(L'\\', start);
                if (end == std::wstring::npos) end = below.size();
                const std::u16string part(below.begin() + start, below.begin() + end);
                const hive::Key* next = nullptr;
                for (const hive::Key& child : at->subkeys)
                    if (hive::SameName(child.name, part)) next = &child;
                at = next;
                start = end + 1;
            }
            if (at) original = *at;
        }
        bool changed = false;
        const uint64_t now = Now();
        base.root = hive::MergeSaved(original, hive::ParseWineText(text), now, changed);
        if (base.root.security.empty()) base.root.security = hive::NewHive(u"").root.security;
        base.root.flags |= hive::kKeyHiveEntry | hive::kKeyNoDelete;
        if (!WriteWhole(file, hive::WriteHive(base, now), CREATE_NEW))
            return ERROR_REGISTRY_IO_FAILED;
    } catch (const std::exception&) {
        return ERROR_REGISTRY_CORRUPT;
    }
    return ERROR_SUCCESS;
}

LSTATUS RestoreKey(HKEY key, LPCWSTR file, DWORD flags) {
    if (!file || !*file) return ERROR_INVALID_PARAMETER;
    std::string bytes;
    if (!ReadWhole(file, bytes))
        return GetLastError() ? static_cast<LSTATUS>(GetLastError()) : ERROR_FILE_NOT_FOUND;
    if (!hive::LooksLikeHive(bytes)) return real.restoreKey(key, file, flags);
    hive::Hive h;
    try {
        h = hive::ReadHive(bytes);
    } catch (const std::exception&) {
        return ERROR_BADDB;
    }
    // The key's values and subkeys are replaced by the file's, as Windows does.
    LSTATUS r = RegDeleteTreeW(key, nullptr);
    if (r != ERROR_SUCCESS) return r;
    return WriteTree(key, h.root);
}

LSTATUS ReplaceKey(HKEY root, LPCWSTR subkey, LPCWSTR newFile, LPCWSTR oldFile) {
    if (!subkey || !newFile || !oldFile) return real.replaceKey(root, subkey, newFile, oldFile);
    Guard guard;
    auto it = FindMount(root, subkey);
    if (it == mounts.end()) return real.replaceKey(root, subkey, newFile, oldFile);
    if (GetFileAttributesW(newFile) == INVALID_FILE_ATTRIBUTES) return ERROR_FILE_NOT_FOUND;
    it->replaceNew = FullPath(newFile);
    it->replaceOld = FullPath(oldFile);
    return ERROR_SUCCESS;
}

void FinishLeftovers(LPCWSTR folder) {
    std::wstring pattern = folder;
    if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
    const std::wstring dir = pattern;
    pattern += L"mount-*.txt";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        Mount m{};
        m.journal = dir + found.cFileName;
        std::string record;
        if (!ReadWhole(m.journal, record)) continue;
        const size_t a = record.find('\n'), b = record.find('\n', a + 1),
                     c = record.find('\n', b + 1);
        if (a == std::string::npos || b == std::string::npos || c == std::string::npos) continue;
        m.root = record.substr(0, a) == "HKLM" ? HKEY_LOCAL_MACHINE : HKEY_USERS;
        m.subkey = Wide(record.substr(a + 1, b - a - 1));
        m.file = Wide(record.substr(b + 1, c - b - 1));
        if (Finish(m) != ERROR_SUCCESS) {
            real.unloadKey(m.root, m.subkey.c_str());  // never leave it in the prefix
            DeleteFileW(m.journal.c_str());
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace bridge

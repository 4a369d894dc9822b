#pragma once
// Registry hive files for Windows programs under Wine, whose registry loads only its own
// text format. A hive load becomes "convert the file to Wine's text, load that"; an unload
// becomes "save the mounted key, merge what the program changed into the hive file,
// unload". Used by the hook library inside the program and by the launcher, which finishes
// what a program left mounted when it ended.

#include <windows.h>

namespace bridge {

// Wine's own entry points, called for everything that is not a binary hive.
struct Originals {
    LSTATUS(WINAPI* loadKey)(HKEY, LPCWSTR, LPCWSTR) = nullptr;
    LSTATUS(WINAPI* unloadKey)(HKEY, LPCWSTR) = nullptr;
    LSTATUS(WINAPI* saveKeyEx)(HKEY, LPCWSTR, LPSECURITY_ATTRIBUTES, DWORD) = nullptr;
    LSTATUS(WINAPI* restoreKey)(HKEY, LPCWSTR, DWORD) = nullptr;
    LSTATUS(WINAPI* replaceKey)(HKEY, LPCWSTR, LPCWSTR, LPCWSTR) = nullptr;
};

// Reads the entry points from advapi32 (before any patching).
void Init();
const Originals& Real();

LSTATUS LoadKey(HKEY root, LPCWSTR subkey, LPCWSTR file);
LSTATUS UnloadKey(HKEY root, LPCWSTR subkey);
LSTATUS SaveKey(HKEY key, LPCWSTR file, LPSECURITY_ATTRIBUTES security, DWORD flags);
LSTATUS RestoreKey(HKEY key, LPCWSTR file, DWORD flags);
LSTATUS ReplaceKey(HKEY root, LPCWSTR subkey, LPCWSTR newFile, LPCWSTR oldFile);

// Writes back and unloads every hive a program of this run left mounted (its journal lies
// in `folder`); the launcher calls it after the program ended.
void FinishLeftovers(LPCWSTR folder);

// The folder of this run's temporary files and journal: $VRNX2_HIVE_TEMP, else the
// system's temporary folder.
const wchar_t* TempFolder();

}  // namespace bridge

#pragma once
// Registry files (.reg) for the settings store: export writes the "Windows Registry Editor
// Version 5.00" form (UTF-16LE with byte-order mark, CR LF); import reads that form and the
// older "REGEDIT4" form. Only the current user's hive, string and DWORD values exist here.

#include <string>
#include <string_view>
#include <vector>

#include "vrnx2/settings/Store.h"

namespace vrnx2 {

// Splits "HKCU\Software\..." or "HKEY_CURRENT_USER\Software\..." (any case) into the path
// relative to the hive. False for another hive or no hive at all.
bool ParseHiveKey(std::string_view key, std::string& relative);
// "HKEY_CURRENT_USER" plus "\" and the relative path when there is one.
std::string FullKeyName(const std::string& relative);

struct RegFileOp {
    enum Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
    Kind kind = CreateKey;
    std::string key;  // relative to the hive
    RegValue value;   // SetValue; DeleteValue uses value.name
    int line = 0;
};

struct RegFileError {
    int line = 0;  // 0: the file as a whole
    std::string message;
};

// Decodes (byte-order mark: UTF-16LE or UTF-8; none: UTF-8 when the bytes are valid UTF-8,
// else the ANSI code page) and parses the whole file. On the first fault returns false with
// its line; `ops` is then meaningless.
bool ParseRegFile(std::string_view bytes, int ansiCodePage, std::vector<RegFileOp>& ops,
                  RegFileError& error);
// Carries the operations out as one transaction. Throws StoreError.
void ApplyRegFile(const std::vector<RegFileOp>& ops);

// The tree at `relative` as the bytes of a version 5.00 file. False with a message when the
// key does not exist or holds what the form cannot carry.
bool ExportRegFile(const std::string& relative, std::string& bytes, std::string& error);

}  // namespace vrnx2

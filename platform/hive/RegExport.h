#pragma once
// A hive key and everything below it in regedit's ".reg" text form, for people to read.

#include <string>

#include "platform/hive/Hive.h"

namespace hive {

// "Windows Registry Editor Version 5.00", then each key as "[prefix\path]" with its values:
// strings as "text", DWORDs as dword:, everything else as hex/hex(type) wrapped as regedit
// wraps it. UTF-8 with "\n" line ends.
std::string ExportRegText(const Key& key, const std::string& prefix);

// The key at a "\"-separated path below `root` (letter case ignored); null when absent.
const Key* FindKey(const Key& root, const std::string& path);

}  // namespace hive

#pragma once
// INI readers: the whole file is loaded, one key read, the file released. Section and key
// names compare without regard to letter case; the file's bytes are in the ANSI code page
// and the result is UTF-8.

#include <cstdint>
#include <string>

std::string IniReadString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& def);
int32_t IniReadInteger(const std::string& file, const std::string& section,
                       const std::string& key, int32_t def);

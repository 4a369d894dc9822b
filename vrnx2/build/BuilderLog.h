#pragma once
// Reading the builder's log after a build: did it end normally, was it terminated by the
// user, or did it fail? The texts come from the builder's language files when it has them.

#include <cstdint>
#include <string>
#include <vector>

namespace vrnx2 {

enum class LogVerdict { NotInspected, Missing, Empty, Ok, Terminated, Failed };

const char* LogVerdictName(LogVerdict v);

// The language file whose texts the builder writes: `langfile` of the options file, else
// the first lang/*.lng whose [language] lcid matches `lcid`, else english.lng.
std::string BuilderLanguageFile(const std::string& builderDir, const std::string& optionsFile,
                                uint32_t lcid);

// The verdict on the log's lines (UTF-8).
LogVerdict InspectLogLines(const std::string& builderDir, const std::string& optionsFile,
                           uint32_t lcid, const std::vector<std::string>& lines);
// Reads the log (8-bit text in the ANSI code page) and inspects it.
LogVerdict InspectBuilderLog(const std::string& builderDir, const std::string& optionsFile,
                             const std::string& logFile);

}  // namespace vrnx2

#pragma once
// The language resource the programs read when none lies beside them: the one for the
// locale's language from the resource folder of the installation (or of the build tree),
// English for a language that has none, the built-in Japanese texts for a Japanese locale.

#include <filesystem>
#include <string>

namespace vrnx2 {

// The locale naming the language of messages: LC_ALL, then LC_MESSAGES, then LANG, without
// its code set ("de_DE.UTF-8" -> "de_DE"); "en_US" when none is set or it is "C"/"POSIX".
std::string MessageLocaleName();

// The language part of a locale name, lower case: "ja_JP" -> "ja", "pt-BR" -> "pt".
std::string LanguageOf(const std::string& localeName);

// The resource in `langDir` for the locale: "<language in English>.rsl" ("german.rsl" for
// de_DE), else "english.rsl"; empty for a Japanese locale or when neither file exists, so
// the built-in texts are used.
std::filesystem::path ResourceForLocale(const std::filesystem::path& langDir,
                                        const std::string& localeName);

// share/vrnx2/lang beside the program's bin folder: where the install rules put the
// resources and where the build tree copies them, so both work wherever they are moved.
std::filesystem::path LanguageDirectory();

// The program file's path with its extension replaced by ".rsl": the resource beside the
// program, which comes before any other.
std::string LanguageFileName();

}  // namespace vrnx2

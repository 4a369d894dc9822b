#include "vrnx2/base/MessageTable.h"

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Texts.h"
#include "vrnx2/base/BuiltInMessages.h"
#include "vrnx2/base/LanguageChoice.h"
#include "vrnx2/base/LanguageResource.h"
#include "vrnx2/base/MessageIds.h"

namespace vrnx2 {

namespace {

// Hiragana and katakana (U+3040..U+30FF) are three UTF-8 bytes from E3 81 80 to E3 83 BF.
bool HoldsKana(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        for (size_t i = 0; i + 1 < line.size(); ++i) {
            const auto lead = static_cast<unsigned char>(line[i]);
            const auto next = static_cast<unsigned char>(line[i + 1]);
            if (lead == 0xE3 && next >= 0x81 && next <= 0x83) return true;
        }
    }
    return false;
}

// The platform layer's reasons in the table's language; an id the table lacks keeps them
// English.
std::string PlatformForm(platform::Sentence id) {
    static constexpr const char* kIds[] = {
        kMsgNotAProgram,     kMsgNeedsWine,        kMsgNeedsWine32,     kMsgNeedsDisplay,
        kMsgNoWineDrive,     kMsgCannotOpen,       kMsgCannotRead,      kMsgCannotReadStatus,
        kMsgNotARegularFile, kMsgCannotCreateTemp, kMsgCannotWrite,     kMsgCannotReplace,
        kMsgCannotSetMode,   kMsgCannotKeepOwner,  kMsgCannotKeepMode,  kMsgCannotKeepTime,
        kMsgCannotDelete,    kMsgNotInCodePage,    kMsgPrefixLacks32Bit};
    static_assert(std::size(kIds) == static_cast<size_t>(platform::Sentence::Count));
    const auto index = static_cast<size_t>(id);
    return index < std::size(kIds) ? Msg(kIds[index]) : std::string();
}

}  // namespace

MessageTable& MessageTable::Instance() {
    static MessageTable& table = []() -> MessageTable& {
        static MessageTable instance;
        platform::SetForms(&PlatformForm);
        return instance;
    }();
    return table;
}

std::string MessageTable::Lookup(std::string_view id) const {
    for (const std::string& line : lines_) {
        auto eq = line.find('=');
        if (eq == std::string::npos) continue;  // a line without "=" names no id
        if (SameIniName(std::string_view(line).substr(0, eq), id)) return line.substr(eq + 1);
    }
    return {};
}

void MessageTable::Clear() {
    lines_.clear();
    languageLoaded = false;
    japaneseTexts = true;
    font1 = FontSetting{0, "MS UI Gothic", 9};
    font2 = FontSetting{0, "MS UI Gothic", 10};
}

void MessageTable::AddLine(std::string line) {
    lines_.push_back(std::move(line));
}

void MessageTable::LoadBuiltIn() {
    Clear();
    lines_.assign(kBuiltInMessages.begin(), kBuiltInMessages.end());
}

bool MessageTable::LoadResource(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    std::string error;
    auto bytes = platform::ReadFile(path, &error);
    if (!bytes) {
        // Empty captions everywhere would leave the program unusable; keep the built-in
        // texts instead and say why.
        std::fprintf(stderr, "vrnx2: cannot read %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    LanguageResource resource =
        ParseLanguageResource(DecodeResourceText(*bytes, platform::CurrentLocale().ansiCodePage));
    Clear();
    lines_ = std::move(resource.strings);
    font1 = std::move(resource.font1);
    font2 = std::move(resource.font2);
    languageLoaded = true;
    japaneseTexts = HoldsKana(lines_);
    return true;
}

void MessageTable::LoadForProgram(const std::string& beside) {
    if (LoadResource(beside)) return;
    const std::filesystem::path chosen =
        ResourceForLocale(LanguageDirectory(), MessageLocaleName());
    if (!chosen.empty() && LoadResource(chosen.string())) return;
    LoadBuiltIn();
}

void MessageTable::LoadDefault() {
    LoadForProgram(LanguageFileName());
}

std::string Msg(std::string_view id) {
    return MessageTable::Instance().Lookup(id);
}

}  // namespace vrnx2

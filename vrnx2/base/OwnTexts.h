#pragma once
// Sentences of the program's own that the message table has no id for (the build run's
// reports about the plugin folder), in the language of the message table.

#include <initializer_list>
#include <string>
#include <string_view>

namespace vrnx2 {

enum class OwnText {
    StashBesideUserTree,  // stash, plugin folder, plugin folder, stash
    StashPutBack,         // stash, plugin folder
    StagedFoldersMoveTo,  // folder
    StagedLinksRemoved,
    CannotDelete,  // folder
    CannotRename,  // from, to
    CannotWriteEnable,
    CannotStage,
    MoreFailures,  // count
    BuilderInUse,  // builder folder, the running build
    AnotherProgram,
    PluginNotStagedHere,  // plugin folder, stash
    EndedWithCode,        // program, exit code
    ErrorOutputTail,      // program
    WineLocaleMissing,    // code page, a value that is not ASCII, locale to install
    ImageNotDisc,         // file
    ImageDamaged,         // file, reason
    ImageNoSpace,         // file, folder, MiB needed, MiB free
    ImageUnpackFailed,    // file, reason
    ImageUnpacking,       // file
    ImageChoose,
    ImageFilter,
    PrefixInUse,  // Wine prefix, the running build
};

// The text in Japanese when the message table holds Japanese texts, else in English.
std::string Own(OwnText id);
std::string OwnIn(OwnText id, bool japanese);

// `text` with each "%s" replaced by the next argument, in order; a "%s" without an argument
// is left as it stands and nothing in the arguments is interpreted.
std::string FillIn(std::string_view text, std::initializer_list<std::string_view> args);

// Two sentences as one text: joined as they stand, with a blank between them where the first
// ends in ASCII punctuation and the second starts with an ASCII character ("Sure." "Go on?"),
// so English reads right while Japanese stays without one.
std::string JoinSentences(std::string_view first, std::string_view second);

// Every id, for tests that compare the two languages.
inline constexpr std::initializer_list<OwnText> kAllOwnTexts = {
    OwnText::StashBesideUserTree, OwnText::StashPutBack,    OwnText::StagedFoldersMoveTo,
    OwnText::StagedLinksRemoved,  OwnText::CannotDelete,    OwnText::CannotRename,
    OwnText::CannotWriteEnable,   OwnText::CannotStage,     OwnText::MoreFailures,
    OwnText::BuilderInUse,        OwnText::AnotherProgram,  OwnText::PluginNotStagedHere,
    OwnText::EndedWithCode,       OwnText::ErrorOutputTail, OwnText::WineLocaleMissing,
    OwnText::ImageNotDisc,        OwnText::ImageDamaged,    OwnText::ImageNoSpace,
    OwnText::ImageUnpackFailed,   OwnText::ImageUnpacking,  OwnText::ImageChoose,
    OwnText::ImageFilter,         OwnText::PrefixInUse};

}  // namespace vrnx2

#pragma once
// The sentences the platform layer says about files and programs. English by default (the
// console programs); the window program and vrnx2-cli build install their message table's
// forms, so a Japanese caption never frames an English reason.

#include <initializer_list>
#include <string>
#include <string_view>

namespace platform {

// Each form takes "%s" arguments in the order its comment gives.
enum class Sentence {
    NotAProgram,   // file, reason
    NeedsWine,     // file, Wine command
    NeedsWine32,   // file
    NeedsDisplay,  // file
    NoWineDrive,   // prefix, path, prefix
    CannotOpen,    // path, system reason (so do all below)
    CannotRead,
    CannotReadStatus,
    NotARegularFile,
    CannotCreateTemp,  // "... beside" the path
    CannotWrite,
    CannotReplace,
    CannotSetMode,
    CannotKeepOwner,
    CannotKeepMode,
    CannotKeepTime,
    CannotDelete,
    NotInCodePage,     // key, code page, value
    PrefixLacks32Bit,  // file, prefix, prefix, prefix
    Count
};

std::string_view EnglishForm(Sentence id);
// The installed form of `id`, or the English one where none is installed or it is empty.
std::string Form(Sentence id);
// Installs `forms` (a plain function, kept for the life of the process); null restores
// English.
using FormSource = std::string (*)(Sentence id);
void SetForms(FormSource forms);

// `text` with each "%s" replaced by the next argument, in order; a "%s" without an argument
// stays as it stands and nothing in the arguments is interpreted.
std::string FillIn(std::string_view text, std::initializer_list<std::string_view> args);
// Form(id) filled in.
std::string Say(Sentence id, std::initializer_list<std::string_view> args);

}  // namespace platform

#include "vrnx2/settings/SystemRoutines.h"

#include <cstdio>
#include <optional>

#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/OutputFile.h"
#include "platform/Process.h"
#include "platform/StopGroup.h"
#include "platform/WineLaunch.h"
#include "platform/WineServer.h"
#include "vrnx2/base/UserInterface.h"

namespace vrnx2 {

namespace {

constexpr size_t kInputLimit = 255;  // characters, as the input box allows
constexpr int kWaitSliceMs = 50;     // often enough for painting, rare enough to cost nothing
constexpr size_t kErrorLines = 12;   // of a Windows program's standard error: enough for Wine

// Cuts UTF-8 text after `limit` characters, never inside one.
std::string LimitCharacters(const std::string& text, size_t limit) {
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (chars++ == limit) return text.substr(0, i);
    }
    return text;
}

}  // namespace

int RunProgram(const std::string& commandLine, bool wait, std::string* error) {
    return RunArguments(platform::SplitCommandLine(commandLine), wait, error);
}

int RunArguments(const std::vector<std::string>& argv, bool wait, std::string* error,
                 std::vector<std::string>* errorLines) {
    platform::LaunchPlan plan = platform::PlanLaunch(argv);
    if (errorLines) errorLines->clear();
    if (plan.Refused()) {
        if (error) *error = plan.error;
        return 0;
    }
    std::optional<platform::OutputFile> errors;
    if (errorLines && wait && plan.options.quietStreams) {
        errors.emplace();
        plan.options.errorFd = errors->Descriptor();
    }
    // A program waited for leads a group of its own, so a stop ends it with its children.
    plan.options.ownProcessGroup = wait;
    // Wine's service processes outlive the program; they are this run's to end only when
    // no server ran for the prefix before (the person's own Wine programs may use it).
    const bool windows = wait && plan.kind.IsWindows();
    const std::vector<std::string> wine =
        windows ? platform::WineCommand() : std::vector<std::string>{};
    const std::string prefix = windows ? platform::WinePrefixOf(wine) : std::string();
    const bool serverOfOthers = windows && platform::WineServerRunning(prefix);

    std::string reason;
    platform::RunningProgram program =
        platform::RunningProgram::Start(plan.argv, &reason, plan.options);
    if (error) *error = reason;
    // A failed start answers 0 like a successful run: callers treat it so. A program not
    // waited for is reaped in the background once `program` goes.
    if (!wait || !program.Started()) return 0;
    // Waited for in slices, so the windows stay painted while a long program runs.
    int exitCode = 0;
    platform::GroupStop stop(program);
    while (!program.WaitFor(kWaitSliceMs, exitCode)) {
        UI().ProcessMessages();
        if (UI().StopRequested()) stop.Request(UI().StopNow());
    }
    if (stop.Requested() || UI().StopRequested()) {
        stop.EndRest();
        if (windows && !serverOfOthers) platform::EndWinePrefix(prefix, wine);
    }
    if (errors) *errorLines = errors->LastLines(kErrorLines);
    return exitCode;
}

bool BrowseForFolder(const std::string& title, std::string& path, bool extended) {
    std::string chosen = path;
    if (!UI().BrowseForFolder(title, chosen, extended)) return false;
    path = std::move(chosen);
    return true;
}

bool InputText(const std::string& caption, const std::string& prompt, std::string& text) {
    std::string entered = text;
    if (!UI().InputText(caption, prompt, entered)) return false;
    text = LimitCharacters(entered, kInputLimit);
    return true;
}

std::string StripAfterColon(const std::string& text) {
    if (text.size() <= 3) return text;
    size_t colon = text.find(':', 3);
    return colon == std::string::npos ? text : text.substr(0, colon);
}

std::string LocaleString(LocaleItem item) {
    platform::UserLocale locale = platform::CurrentLocale();
    switch (item) {
        case LocaleItem::EnglishLanguageName:
            return locale.englishLanguage;
        case LocaleItem::Lcid: {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%04x", static_cast<unsigned>(locale.lcid));
            return buf;
        }
        case LocaleItem::AnsiCodePage:
            return std::to_string(locale.ansiCodePage);
        case LocaleItem::DecimalSeparator:
            return locale.decimalSeparator;
    }
    return std::string();
}

}  // namespace vrnx2

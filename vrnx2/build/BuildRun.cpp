#include "vrnx2/build/BuildRun.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <vector>

#include "common/Number.h"
#include "common/Trim.h"
#include "platform/FileSystem.h"
#include "platform/Files.h"
#include "platform/FolderLock.h"
#include "platform/Locale.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/TextCase.h"
#include "platform/WineLaunch.h"
#include "platform/WineLocale.h"
#include "platform/WineServer.h"
#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/OwnTexts.h"
#include "vrnx2/base/UserInterface.h"
#include "vrnx2/build/BuildPlan.h"
#include "vrnx2/build/BuildReport.h"
#include "vrnx2/build/IniText.h"
#include "vrnx2/build/Macros.h"
#include "vrnx2/build/OutsideProgram.h"
#include "vrnx2/build/PluginChoices.h"
#include "vrnx2/build/PluginFiles.h"
#include "vrnx2/build/PluginFolderStash.h"
#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/RecordHolder.h"
#include "vrnx2/settings/Store.h"
#include "vrnx2/settings/SystemRoutines.h"

namespace vrnx2 {

namespace fs = std::filesystem;

namespace {

bool IsDirectory(const std::string& p) {
    std::error_code ec;
    return !p.empty() && fs::is_directory(p, ec);
}

void ShowError(const std::string& text) {
    UI().MessageBox(text, Msg(kMsgError), MB_ERROR_OK);
}

// A list of failures, shortened so the box stays readable.
std::string FailureText(const std::string& headline, const std::vector<std::string>& failures) {
    std::string text = headline;
    size_t shown = std::min<size_t>(failures.size(), 10);
    for (size_t i = 0; i < shown; ++i) text += "\r\n" + failures[i];
    if (failures.size() > shown)
        text +=
            "\r\n" + FillIn(Own(OwnText::MoreFailures), {std::to_string(failures.size() - shown)});
    return text;
}

void Pump() {
    UI().ProcessMessages();
}

// While the builder is waited for, the window may show its log as it grows.
class LogWatch {
public:
    explicit LogWatch(const std::string& logFile) { UI().WatchLog(logFile); }
    ~LogWatch() { UI().WatchLog(std::string()); }
    LogWatch(const LogWatch&) = delete;
    LogWatch& operator=(const LogWatch&) = delete;
};

// Applies the profile's stored choices to the scanned plugins; enabled ones go to the report
// in the order the store lists them.
void ApplyProfileChoices(const TProfileRec& p, PluginHolder& plugins, BuildReport& report) {
    for (int i = 0; i < plugins.Count(); ++i) {
        plugins.Get(i)->Enabled = false;
        plugins.Get(i)->Order = 0;
    }
    for (int i :
         ApplyPluginChoices(ReadPluginChoices(ProfileKey(p.ProfileNumber) + "\\Plugin"), plugins))
        if (plugins.Get(i)->Enabled) report.AddPlugin(plugins.Get(i)->Name);
}

// Orders the enabled plugins by "%.4d_KEY" (upper-cased): by Order, then by name and path.
void SortForStaging(PluginHolder& plugins) {
    for (int i = 0; i < plugins.Count(); ++i) {
        char order[16];
        std::snprintf(order, sizeof order, "%.4d_", plugins.Get(i)->Order);
        plugins.SetText(i, platform::UpperCase(order + plugins.Text(i)));
    }
    std::stable_sort(plugins.Entries().begin(), plugins.Entries().end(),
                     [](const auto& a, const auto& b) {
                         return platform::CompareNoCaseLocale(a.text, b.text) < 0;
                     });
}

// Starts a program from its argument list; a program that cannot be started is reported
// with `shown`, the line it was started from.
bool StartArguments(const std::vector<std::string>& argv, const std::string& shown, bool wait,
                    int* exitCode = nullptr, std::vector<std::string>* errorLines = nullptr) {
    std::string error;
    int code = RunArguments(argv, wait, &error, errorLines);
    if (!error.empty()) {
        ShowError(shown + "\r\n" + error);
        return false;
    }
    if (exitCode) *exitCode = code;
    return true;
}

// The command a builder is started with, as a line: what goes before the program (the Wine
// command of a Windows builder), the program in quotes, its options.
std::string ShownCommand(const platform::LaunchPlan& plan, const std::string& program,
                         const std::string& options) {
    std::string line;
    for (const auto& [name, value] : plan.options.environment) line += name + "=" + value + " ";
    for (size_t i = 0; i + 1 < plan.argv.size() && plan.kind.IsWindows(); ++i) {
        const std::string& arg = plan.argv[i];
        const bool plain = !arg.empty() && arg.find_first_of(" \t\"") == std::string::npos;
        line += (plain ? arg : platform::QuoteArgument(arg)) + " ";
    }
    return line + "\"" + program + "\" " + options;
}

// The first of the program's path and the options-file values that is not all ASCII.
const std::string* FirstNotAscii(const std::string& program,
                                 const std::vector<std::pair<std::string, std::string>>& values) {
    auto ascii = [](const std::string& text) {
        return std::all_of(text.begin(), text.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    };
    if (!ascii(program)) return &program;
    for (const auto& [key, value] : values)
        if (!ascii(value)) return &value;
    return nullptr;
}

// What a Windows builder (and Wine) wrote on its standard error, for a box that says it failed.
std::string ErrorLinesText(const std::string& program, const std::vector<std::string>& lines) {
    std::string text;
    if (lines.empty()) return text;
    text = "\r\n" + FillIn(Own(OwnText::ErrorOutputTail), {program});
    for (const auto& line : lines) text += "\r\n" + line;
    return text;
}

// A builder that ended with a non-zero code: what it and Wine said, when they said anything.
void ShowErrorLines(const std::string& program, int exitCode,
                    const std::vector<std::string>& lines) {
    if (exitCode != 0 && !lines.empty())
        ShowError(FillIn(Own(OwnText::EndedWithCode), {program, std::to_string(exitCode)}) +
                  ErrorLinesText(program, lines));
}

// Starts a profile's outside program; one that cannot be started is reported.
bool StartOutsideProgram(const OutsideCommand& command, bool wait) {
    if (!command.error.empty()) {
        ShowError(command.shown + "\r\n" + command.error);
        return false;
    }
    return StartArguments(command.argv, command.shown, wait);
}

// A source naming something that is not a folder is taken for a CD image.
bool IsFileSource(const std::string& source) {
    const std::string path = platform::WithoutTrailingSlash(source);
    std::error_code ec;
    return !path.empty() && fs::exists(path, ec) && !fs::is_directory(path, ec);
}

std::string MiB(uint64_t bytes) {
    return std::to_string((bytes + (1 << 20) - 1) >> 20);
}

// Shows why a source image cannot be used; true when it can.
bool RefuseImage(const ImageSource& image) {
    switch (image.refusal) {
        case ImageRefusal::None:
            return true;
        case ImageRefusal::NotAnImage:
            ShowError(FillIn(Own(OwnText::ImageNotDisc), {image.image}));
            break;
        case ImageRefusal::Damaged:
            ShowError(FillIn(Own(OwnText::ImageDamaged), {image.image, image.detail}));
            break;
        case ImageRefusal::NoShell32:
            ShowError(Msg(kMsgSourceFolderInvalid) + "\r\n" + image.image);
            break;
        case ImageRefusal::NoSpace:
            ShowError(
                FillIn(Own(OwnText::ImageNoSpace),
                       {image.image, fs::path(image.folder).parent_path().parent_path().string(),
                        MiB(image.summary.diskBytes), MiB(image.freeBytes)}));
            break;
    }
    return false;
}

}  // namespace

BuildResult RunBuild(BuildMode mode, const TProfileRec& profile, const BuildSteps& steps,
                     const BuildEnvironment& environment) {
    BuildResult result;
    const std::string programDir = environment.programDir.empty()
                                       ? platform::ProgramDirectory().string()
                                       : environment.programDir;
    const std::string reportFile = platform::JoinPath(ReportDirectory(programDir), "build.info");

    // 1. Every run starts from an empty report. A failure is told once, when the run has
    // been confirmed and the report is written again (or would have been).
    BuildReport report;
    std::string reportError;
    report.Write(reportFile, &reportError);
    const auto reportFailed = [&](const std::string& error) {
        ShowError(reportFile + "\r\n" + error);
        result.reportWritten = false;
    };

    // 2. Paths and flags. The builder's fixed names are found without regard to case.
    TProfileRec p = profile;
    const std::string builderDir = platform::WithoutTrailingSlash(p.Builder.Path);
    const std::string optionsFile = platform::ResolveNoCase(builderDir, "input.inf").string();
    const std::string outDir = OutputFolder(p);
    const std::string builderProgram =
        platform::ResolveNoCase(builderDir, "pebuilder.exe").string();
    const std::string logFile = platform::ResolveNoCase(builderDir, "pebuilder.log").string();
    const std::string pluginDir = platform::ResolveNoCase(builderDir, "Plugin").string();
    const std::string stashDir = platform::ResolveNoCase(builderDir, "!Plugin!").string();
    const RunFlags flags = ComputeRunFlags(mode, p, steps);
    result.built = flags.doBuild;

    // 3. Checks. Without its folder every builder path would be relative to wherever the
    // program runs.
    if (builderDir.empty() || !IsDirectory(builderDir)) {
        ShowError(Msg(kMsgSpecifiedFolderDoesNotExist) + "\r\n" + builderDir);
        return result;
    }
    // A source that names a file is a CD image: checked now, unpacked after the confirmation;
    // from here on the source is the folder its files are unpacked to.
    std::optional<ImageSource> image;
    if (IsFileSource(p.Source)) {
        image = CheckImageSource(platform::WithoutTrailingSlash(p.Source), flags.doBuild,
                                 environment.imageCache);
        if (!RefuseImage(*image)) return result;
        p.Source = image->folder;
    }
    if (flags.doBuild && (platform::WithoutTrailingSlash(p.Source).empty() ||
                          !(image || platform::ExistsNoCase(p.Source, "i386/SHELL32.DL_")))) {
        ShowError(Msg(kMsgSourceFolderInvalid));
        return result;
    }
    if (flags.doBuild && !IsDirectory(outDir)) {
        ShowError(Msg(kMsgOutputPathInvalid));
        return result;
    }
    if (flags.imageOnly && (outDir.empty() || !platform::ExistsNoCase(outDir, "bootsect.bin"))) {
        ShowError(Msg(kMsgNoBuildDataExists));
        return result;
    }

    // A builder that cannot be started here is refused before anything changes (an image
    // made by the outside program does not need it). A Windows builder reads every path of
    // its options file in Windows form.
    const platform::LaunchPlan builderPlan = platform::PlanLaunch({builderProgram});
    if (builderPlan.Refused() && (flags.doBuild || !p.ISO_UseExternalProgram)) {
        ShowError(builderPlan.error);
        return result;
    }
    auto optionValues = OptionsFileValues(mode, p, steps, flags);
    const int codePage = platform::CurrentLocale().ansiCodePage;
    if (builderPlan.kind.IsWindows()) {
        std::string error;
        if (!OptionPathsInForm(optionValues, WindowsPathForm(), &error)) {
            ShowError(error);
            return result;
        }
        // Without a locale of our code page Wine garbles every name that is not ASCII.
        const platform::WineLocale locale = platform::WineLocaleFor(codePage);
        const bool startsBuilder = flags.doBuild || !p.ISO_UseExternalProgram;
        if (const std::string* garbled = FirstNotAscii(builderProgram, optionValues);
            startsBuilder && !locale.fits && garbled) {
            ShowError(FillIn(
                Own(OwnText::WineLocaleMissing),
                {std::to_string(codePage), *garbled,
                 locale.wanted.empty() ? "(" + std::to_string(codePage) + ")" : locale.wanted}));
            return result;
        }
    }

    // One run at a time per builder folder: a second one would take the first one's staging
    // for the leftover of an interrupted run. Held until the plugin folder is back.
    const platform::FolderLock lock = platform::FolderLock::TryTake(builderDir);
    if (!lock.Held()) {
        result.builderInUse = lock.Busy();
        ShowError(lock.Busy()
                      ? FillIn(Own(OwnText::BuilderInUse),
                               {builderDir, lock.Holder().empty() ? Own(OwnText::AnotherProgram)
                                                                  : lock.Holder()})
                      : lock.Error());
        return result;
    }

    // And one build at a time per Wine prefix: builders of two folders load their registry
    // hives under the same names there, and the second load would fail halfway through.
    platform::FolderLock prefixLock;
    if (builderPlan.kind.IsWindows() && flags.doBuild) {
        const std::string prefix = platform::WinePrefixOf(platform::WineCommand());
        if (IsDirectory(prefix)) prefixLock = platform::FolderLock::TryTake(prefix);
        if (prefixLock.Busy()) {
            result.builderInUse = true;
            ShowError(FillIn(Own(OwnText::PrefixInUse),
                             {prefix, prefixLock.Holder().empty() ? Own(OwnText::AnotherProgram)
                                                                  : prefixLock.Holder()}));
            return result;
        }
    }

    // 4. Confirmation.
    if (UI().MessageBox(JoinSentences(Msg(flags.imageOnly ? kMsgCreatingIsoImage : kMsgBuildingPE),
                                      Msg(kMsgYouSure)),
                        Msg(kMsgConfirmation), MB_QUESTION_YESNO) != ID_YES)
        return result;

    if (image && !image->unpacked) {
        UI().BeginProgress(FillIn(Own(OwnText::ImageUnpacking), {image->image}),
                           image->summary.bytes);
        std::string error;
        const UnpackResult unpacked = UnpackImageSource(
            *image,
            [](const std::string& name, uint64_t done) { return UI().Progress(name, done); },
            environment.imageCache, &error);
        UI().EndProgress(unpacked == UnpackResult::Done);
        if (unpacked == UnpackResult::Cancelled) return result;
        if (unpacked != UnpackResult::Done) {
            ShowError(FillIn(Own(OwnText::ImageUnpackFailed), {image->image, error}));
            return result;
        }
        result.imageUnpacked = true;
    } else if (image) {
        UnpackImageSource(*image, {}, environment.imageCache, nullptr);
    }

    // 5. The options file.
    {
        std::string error;
        if (!UpdateIniSection(optionsFile, "input", optionValues, codePage, &error)) {
            ShowError(optionsFile + "\r\n" + error);
            return result;
        }
    }
    Pump();

    // 6. Plugin enable states, and the staged plugin folder when the profile keeps the order.
    bool staged = false;
    StagedFolder stagedFolder;
    if (flags.doBuild) {
        // The report names the source the profile names, an image file included.
        report.AddProfileSections(profile, mode);
        BusyPointer busy;
        if (!ResolveLeftoverStash(pluginDir, stashDir, p.ManageOrder)) return result;
        PluginHolder plugins;
        if (IsDirectory(pluginDir)) ScanPluginFiles(pluginDir, pluginDir, plugins);
        ApplyProfileChoices(p, plugins, report);
        auto failures = WritePluginEnable(plugins);
        if (!failures.empty()) {
            ShowError(FailureText(Own(OwnText::CannotWriteEnable), failures));
            return result;
        }
        if (p.ManageOrder && IsDirectory(pluginDir)) {
            if (!StashPluginFolder(pluginDir, stashDir)) return result;
            const int made = platform::Fs().MakeFolder(pluginDir);
            const int madeError = errno;
            staged = true;
            stagedFolder = StagedFolderOf(pluginDir);
            if (made != 0) {
                failures.push_back(pluginDir + ": " + std::strerror(madeError));
            } else {
                SortForStaging(plugins);
                failures = StagePlugins(plugins, pluginDir, stashDir, IsNtfsDrive(builderDir));
                for (const auto& e : platform::ListDirectory(pluginDir))
                    stagedFolder.staged.insert(e.name);
            }
            if (!failures.empty()) {
                // A build with plugins missing would look like a good one; stop instead.
                ShowError(FailureText(Own(OwnText::CannotStage), failures));
                result.pluginFolderRestored =
                    RestorePluginFolder(pluginDir, stashDir, stagedFolder);
                return result;
            }
        }
    }

    // A stop asked for meanwhile starts nothing more.
    // The report says the build is unfinished, so it is never taken for a finished one.
    auto markStopped = [&] {
        result.stopped = true;
        report.AddStopped();
        std::string error;
        if (!report.Write(reportFile, &error)) ShowError(reportFile + "\r\n" + error);
    };
    auto stopped = [&] {
        if (!UI().StopRequested()) return false;
        if (staged)
            result.pluginFolderRestored = RestorePluginFolder(pluginDir, stashDir, stagedFolder);
        if (flags.doBuild) markStopped();
        return true;
    };

    // 7. The pre-build program; its exit code is not looked at.
    if (stopped()) return result;
    if (flags.doBuild && p.PreBuild_UseExternalProgram)
        StartOutsideProgram(PrepareOutsideCommand(p.ExternalProgram1, outDir, p, programDir), true);

    if (flags.doBuild) {
        if (stopped()) return result;
        // 8. The build.
        {
            std::string error;
            if (!report.Write(reportFile, &error)) reportFailed(error);
            if (!platform::WriteFileAtomic(logFile, "", &error))
                ShowError(logFile + "\r\n" + error);
        }
        const std::string options = BuildOptionsText(p.BuildParameter, flags.skipFiles);
        result.commandLine = ShownCommand(builderPlan, builderProgram, options);
        std::string error;
        std::vector<std::string> errorLines;
        {
            LogWatch watch(logFile);
            result.exitCode =
                RunArguments(BuilderArguments(builderProgram, options), true, &error, &errorLines);
        }
        result.builderStarted = error.empty();
        // A builder that did not start is a failure, not a build that ended with 0.
        if (!result.builderStarted) ShowError(builderProgram + "\r\n" + error);
        if (staged)
            result.pluginFolderRestored = RestorePluginFolder(pluginDir, stashDir, stagedFolder);
        if (!result.builderStarted) return result;
        if (UI().StopRequested()) {
            markStopped();  // and nothing after the builder runs
            return result;
        }
        ShowErrorLines(builderProgram, result.exitCode, errorLines);
        // The builder may end with 0 after a failure it logged, so the log is read after
        // every such build; it decides on the after-build program, as before, and on
        // whether the run counts as a success.
        if (result.exitCode == 0) {
            result.log = InspectBuilderLog(builderDir, optionsFile, logFile);
            // The log was emptied before the start: a builder that ends with 0 and leaves
            // it so never ran (Wine without 32-bit support does exactly this).
            if (result.log == LogVerdict::Missing || result.log == LogVerdict::Empty)
                ShowError(builderProgram +
                          "\r\nThe builder ended with exit code 0 but wrote "
                          "nothing to " +
                          logFile + ": it did not run. The build failed." +
                          ErrorLinesText(builderProgram, errorLines));
        }
        if (result.exitCode == 0 && flags.makeImage && p.Build_UseExternalProgram) {
            if (result.log != LogVerdict::Ok) return result;
            StartOutsideProgram(PrepareOutsideCommand(p.ExternalProgram2, outDir, p, programDir),
                                false);
        }
        result.endedEarly = false;
        return result;
    }

    // 9. Image-only run.
    if (!reportError.empty()) reportFailed(reportError);
    if (p.ISO_UseExternalProgram) {
        const OutsideCommand command =
            PrepareOutsideCommand(p.ExternalProgram3, outDir, p, programDir);
        result.commandLine = command.shown;
        result.builderStarted = StartOutsideProgram(command, false);
    } else {
        const std::string options = ImageOptionsText(p.ISOBuildParameter);
        result.commandLine = ShownCommand(builderPlan, builderProgram, options);
        std::vector<std::string> errorLines;
        {
            LogWatch watch(logFile);
            result.builderStarted =
                StartArguments(BuilderArguments(builderProgram, options), result.commandLine, true,
                               &result.exitCode, &errorLines);
        }
        result.stopped = result.builderStarted && UI().StopRequested();
        if (result.builderStarted && !result.stopped)
            ShowErrorLines(builderProgram, result.exitCode, errorLines);
    }
    result.endedEarly = !result.builderStarted;
    return result;
}

}  // namespace vrnx2

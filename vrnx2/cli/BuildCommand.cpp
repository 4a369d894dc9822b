// vrnx2-cli build: the build run of the window program, unattended.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "common/Number.h"
#include "common/Trim.h"
#include "platform/Files.h"
#include "platform/Signals.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/TerminalInterface.h"
#include "vrnx2/build/BuildRun.h"
#include "vrnx2/cli/Commands.h"
#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/Store.h"

namespace vrnx2 {

namespace {

const char* kUsage =
    "usage: vrnx2-cli build PROFILE [--mode basic|iso|advanced] [--steps LIST] [--yes]\n"
    "                               [--timeout SECONDS]\n"
    "\n"
    "Runs the builder for a profile, as the window program's build actions do.\n"
    "  PROFILE        list position (as 'vrnx2-cli profiles' prints it) or exact name\n"
    "  --mode M       basic (default): build; iso: image only; advanced: the steps of LIST\n"
    "  --steps LIST   advanced mode: comma-separated subset of registry,files,iso,burn\n"
    "  --yes          answer Yes to every question (a retry is tried at most three times)\n"
    "  --timeout S    stop the builder, and every program it started, when the run takes\n"
    "                longer than S seconds\n"
    "Exit code: 0 builder started (and for a build ended with 0), 1 the run ended early or\n"
    "the builder failed, 2 bad usage or unknown profile, 3 another build of the same\n"
    "builder folder is running, 124 stopped at the time limit, 128+N stopped by signal N\n"
    "(the builder and its children are stopped too and the plugin folder put back first).\n";

constexpr int kTimedOut = 124;  // as timeout(1) ends

int Usage(const char* problem) {
    if (problem) std::fprintf(stderr, "vrnx2-cli build: %s\n", problem);
    std::fputs(kUsage, stderr);
    return 2;
}

bool ParseSteps(const std::string& list, BuildSteps& steps) {
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        std::string item = Trim(
            list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (item == "registry")
            steps.registry = true;
        else if (item == "files")
            steps.files = true;
        else if (item == "iso")
            steps.iso = true;
        else if (item == "burn")
            steps.burn = true;
        else if (!item.empty())
            return false;
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return true;
}

// Terminate signals wait for the run: the builder's process group is stopped, and the run
// then puts the plugin folder back before the program ends. So does the time limit.
class StoppableTerminal : public TerminalInterface {
public:
    using Clock = std::chrono::steady_clock;
    StoppableTerminal(bool yes, platform::HeldSignals& held, std::optional<Clock::time_point> end)
        : TerminalInterface(yes, stdin, stderr), held_(held), end_(end) {}
    bool StopRequested() override { return held_.Received() != 0 || TimedOut(); }
    bool StopNow() override { return held_.Count() > 1; }
    bool TimedOut() {
        if (!timedOut_ && end_ && Clock::now() >= *end_) timedOut_ = true;
        return timedOut_;
    }

private:
    platform::HeldSignals& held_;
    std::optional<Clock::time_point> end_;
    bool timedOut_ = false;
};

std::optional<BuildMode> ModeNamed(const std::string& name) {
    if (name == "basic") return BuildMode::Basic;
    if (name == "iso") return BuildMode::ImageOnly;
    if (name == "advanced") return BuildMode::Advanced;
    return std::nullopt;
}

}  // namespace

int BuildCommand(const Args& args) {
    std::string profileName;
    std::string modeName = "basic";
    std::optional<std::string> stepList;
    bool yes = false;
    std::optional<std::string> timeoutText;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--yes" || a == "-y") {
            yes = true;
        } else if (a == "--mode" || a == "--steps" || a == "--timeout") {
            if (i + 1 >= args.size()) return Usage((a + " needs a value").c_str());
            (a == "--mode"    ? modeName
             : a == "--steps" ? stepList.emplace()
                              : timeoutText.emplace()) = args[++i];
        } else if (a.rfind("--timeout=", 0) == 0) {
            timeoutText = a.substr(10);
        } else if (a.rfind("--mode=", 0) == 0) {
            modeName = a.substr(7);
        } else if (a.rfind("--steps=", 0) == 0) {
            stepList = a.substr(8);
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            return Usage(("unknown option " + a).c_str());
        } else if (profileName.empty()) {
            profileName = a;
        } else {
            return Usage("more than one profile named");
        }
    }
    if (profileName.empty()) return Usage("no profile named");
    const std::optional<BuildMode> mode = ModeNamed(modeName);
    if (!mode) return Usage(("unknown mode " + modeName).c_str());
    std::optional<StoppableTerminal::Clock::time_point> end;
    long timeout = 0;
    if (timeoutText && (timeout = DigitsOrZero(*timeoutText)) < 1)
        return Usage(("--timeout needs a number of seconds from 1, not " + *timeoutText).c_str());
    BuildSteps steps;
    if (stepList) {
        if (*mode != BuildMode::Advanced) return Usage("--steps needs --mode advanced");
        if (!ParseSteps(*stepList, steps)) return Usage(("unknown step in " + *stepList).c_str());
    }

    // The window program's language resource, so one file sets the language of both; without
    // it the locale chooses, as for the window program.
    MessageTable::Instance().LoadForProgram((platform::ProgramDirectory() / "vrnx2.rsl").string());

    int failed = 0;
    const std::optional<TProfileRec> profile = LookUpProfile("build", profileName, failed);
    if (!profile) return failed;

    platform::HeldSignals held;
    if (timeout > 0) end = StoppableTerminal::Clock::now() + std::chrono::seconds(timeout);
    StoppableTerminal terminal(yes, held, end);
    UserInterface* previous = SetUserInterface(&terminal);
    BuildResult result = RunBuild(*mode, *profile, steps);
    SetUserInterface(previous);

    if (result.builderStarted && !result.commandLine.empty())
        std::fprintf(stderr, "started: %s\n", result.commandLine.c_str());
    if (result.builderStarted && result.built)
        std::fprintf(stderr, "builder exit code: %d\n", result.exitCode);
    if (result.log != LogVerdict::NotInspected)
        std::fprintf(stderr, "builder log: %s\n", LogVerdictName(result.log));
    if (int sig = held.Received()) {
        std::fprintf(stderr, "vrnx2-cli build: stopped by signal %d (%s)\n", sig, strsignal(sig));
        return 128 + sig;
    }
    if (result.builderInUse) return 3;
    if (terminal.TimedOut()) {
        std::fprintf(stderr, "vrnx2-cli build: stopped after the time limit of %ld seconds\n",
                     timeout);
        return kTimedOut;
    }
    return result.Succeeded() ? 0 : 1;
}

}  // namespace vrnx2

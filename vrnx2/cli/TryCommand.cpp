// vrnx2-cli try: boots a profile's built image in QEMU.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

#include "common/Number.h"
#include "platform/Files.h"
#include "platform/Signals.h"
#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/TerminalInterface.h"
#include "vrnx2/build/TryImage.h"
#include "vrnx2/cli/Commands.h"
#include "vrnx2/settings/Store.h"

namespace vrnx2 {

namespace {

const char* kUsage =
    "usage: vrnx2-cli try PROFILE [--headless] [--seconds N] [--serial FILE] [--screenshot FILE]\n"
    "\n"
    "Boots the profile's image (ISOPath/ISOFile) in QEMU.\n"
    "  PROFILE          list position (as 'vrnx2-cli profiles' prints it) or exact name\n"
    "  --headless       show no window; the serial port's text goes to standard output\n"
    "  --seconds N      end the machine after N seconds (exit code 0 when it still ran)\n"
    "  --serial FILE    write the machine's first serial port to FILE\n"
    "  --screenshot F   write a PNG of the screen just before the end\n"
    "Exit code: QEMU's without --seconds; 0 when the machine ran until the time limit;\n"
    "1 nothing started (no image, no QEMU) or QEMU ended before the limit; 2 bad usage or\n"
    "unknown profile; 128+N ended by signal N.\n";

int Usage(const char* problem) {
    if (problem) std::fprintf(stderr, "vrnx2-cli try: %s\n", problem);
    std::fputs(kUsage, stderr);
    return 2;
}

// A file for the serial text of a headless machine when none was named.
class ScratchFile {
public:
    ScratchFile() {
        std::string templ =
            std::filesystem::temp_directory_path().string() + "/vrnx2-serial.XXXXXX";
        const int fd = ::mkstemp(templ.data());
        if (fd >= 0) {
            ::close(fd);
            path_ = templ;
        }
    }
    ~ScratchFile() {
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace

int TryCommand(const Args& args) {
    std::string profileName;
    TryOptions options;
    std::optional<std::string> secondsText;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--headless") {
            options.headless = true;
        } else if (a == "--seconds" || a == "--serial" || a == "--screenshot") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return Usage((a + " needs a value").c_str());
            const std::string& value = args[++i];
            if (a == "--seconds")
                secondsText = value;
            else
                (a == "--serial" ? options.serialFile : options.screenshotFile) = value;
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage(("unknown option " + a).c_str());
        } else if (profileName.empty()) {
            profileName = a;
        } else {
            return Usage("more than one profile named");
        }
    }
    if (profileName.empty()) return Usage("no profile named");
    if (secondsText && (options.seconds = DigitsOrZero(*secondsText)) < 1)
        return Usage(("--seconds needs a number from 1, not " + *secondsText).c_str());

    MessageTable::Instance().LoadForProgram((platform::ProgramDirectory() / "vrnx2.rsl").string());
    int failed = 0;
    const std::optional<TProfileRec> profile = LookUpProfile("try", profileName, failed);
    if (!profile) return failed;
    VmPreferences prefs;
    try {
        prefs = LoadVmPreferences();
    } catch (const StoreError& e) {
        std::fprintf(stderr, "vrnx2-cli try: %s\n", e.what());
        return 1;
    }

    ScratchFile scratch;
    const bool echoSerial = options.headless;
    if (echoSerial && options.serialFile.empty()) options.serialFile = scratch.Path();
    options.title = "Varnex v2: " + profile->ProfileName;
    const TryPlan plan = PlanTry(*profile, options, prefs);
    TerminalInterface terminal(false, stdin, stderr);
    if (plan.Refused()) {
        terminal.MessageBox(plan.refusal, Msg(kMsgError), MB_ERROR_OK);
        return 1;
    }
    if (!plan.kvm) std::fprintf(stderr, "%s\n", Msg(kMsgNoKvm).c_str());

    platform::HeldSignals held;
    TryCallbacks callbacks;
    callbacks.stopWanted = [&held] { return held.Received() != 0; };
    callbacks.report = [](const std::string& line) {
        std::fprintf(stderr, "vrnx2-cli try: %s\n", line.c_str());
    };
    if (echoSerial)
        callbacks.serialOut = [](const std::string& text) {
            std::fwrite(text.data(), 1, text.size(), stdout);
            std::fflush(stdout);
        };
    const int code = RunTry(plan, options, callbacks);
    if (int sig = held.Received()) {
        std::fprintf(stderr, "vrnx2-cli try: ended by signal %d (%s)\n", sig, strsignal(sig));
        return 128 + sig;
    }
    return code;
}

}  // namespace vrnx2

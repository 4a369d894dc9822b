#include "vrnx2/build/TryImage.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "common/Trim.h"
#include "platform/LocalSocket.h"
#include "platform/ProgramOutput.h"
#include "platform/WineLaunch.h"
#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/OwnTexts.h"
#include "vrnx2/build/Macros.h"
#include "vrnx2/settings/Store.h"

namespace vrnx2 {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSystemKey = "Software\\HALV\\Varnex v2\\System";
constexpr const char* kVmMemory = "VM Memory";
constexpr const char* kVmOptions = "VM Options";
constexpr const char* kVmKvm = "VM KVM";
constexpr int kDefaultMemoryMb = 512;

using Clock = std::chrono::steady_clock;

// QEMU's option syntax splits at commas; a doubled comma stands for one.
std::string OptionValue(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == ',') out += ',';
    }
    return out;
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// A private folder for the control socket, removed with what is in it.
class SocketFolder {
public:
    SocketFolder() {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        std::string base = runtime && *runtime == '/' ? runtime : "/tmp";
        std::string templ = base + "/vrnx2-vm.XXXXXX";
        if (::mkdtemp(templ.data())) path_ = templ;
    }
    ~SocketFolder() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    SocketFolder(const SocketFolder&) = delete;
    SocketFolder& operator=(const SocketFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// One command of QEMU's machine protocol; true when it answered with a result.
bool Command(platform::LocalSocket& socket, const std::string& json, int milliseconds,
             std::string* error) {
    if (!socket.Send(json + "\n")) return false;
    const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
    std::string line;
    while (Clock::now() < end) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (!socket.ReadLine(line, static_cast<int>(left))) return false;
        if (line.find("\"return\"") != std::string::npos) return true;
        if (line.find("\"error\"") != std::string::npos) {
            if (error) *error = line;
            return false;
        }
        // Anything else is an event, not the answer.
    }
    return false;
}

// Hands on what was added to a file since the last call.
class FileFollower {
public:
    explicit FileFollower(std::string path) : path_(std::move(path)) {}
    void Poll(const std::function<void(const std::string&)>& out) {
        if (!out || path_.empty()) return;
        std::ifstream in(path_, std::ios::binary);
        if (!in) return;
        in.seekg(static_cast<std::streamoff>(offset_));
        std::string chunk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (chunk.empty()) return;
        offset_ += chunk.size();
        out(chunk);
    }

private:
    std::string path_;
    size_t offset_ = 0;
};

}  // namespace

VmPreferences LoadVmPreferences() {
    StoreTransaction read(StoreTransaction::Read);
    VmPreferences p;
    p.memoryMb = RegReadInteger(0, kSystemKey, kVmMemory, kDefaultMemoryMb);
    if (p.memoryMb < kLeastVmMemoryMb) p.memoryMb = kDefaultMemoryMb;
    p.extraOptions = RegReadString(0, kSystemKey, kVmOptions, "");
    p.useKvm = RegReadBool(0, kSystemKey, kVmKvm, true);
    read.Commit();
    return p;
}

void SaveVmPreferences(const VmPreferences& prefs) {
    StoreTransaction write;
    RegWriteInteger(0, kSystemKey, kVmMemory, prefs.memoryMb);
    RegWriteString(0, kSystemKey, kVmOptions, prefs.extraOptions);
    RegWriteBool(0, kSystemKey, kVmKvm, prefs.useKvm);
    write.Commit();
}

std::vector<std::string> QemuCommand() {
    const char* configured = std::getenv("VRNX2_QEMU");
    if (configured) {
        std::vector<std::string> command = platform::SplitCommandLine(configured);
        if (!command.empty() && !command[0].empty()) return command;
    }
    for (const char* name : {"qemu-system-i386", "qemu-system-x86_64"})
        if (!platform::FindProgram(name).empty()) return {name};
    return {};
}

bool QemuShowsWindows(const std::vector<std::string>& qemu) {
    std::vector<std::string> argv = qemu;
    argv.insert(argv.end(), {"-display", "help"});
    std::string output;
    if (!platform::RunForOutput(argv, output)) return true;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        line = Trim(line);
        if (line == "gtk" || line == "sdl" || line == "cocoa") return true;
    }
    return false;
}

bool KvmUsable(const std::string& device) {
    const int fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

std::vector<std::string> QemuArguments(const std::vector<std::string>& qemu,
                                       const std::string& image, const TryOptions& options,
                                       const VmPreferences& prefs, bool kvm) {
    std::vector<std::string> argv = qemu;
    auto add = [&argv](std::initializer_list<std::string> items) {
        argv.insert(argv.end(), items.begin(), items.end());
    };
    if (!options.title.empty()) add({"-name", OptionValue(options.title)});
    // The classic PC: its IDE CD drive boots such systems without extra drivers.
    add({"-machine", "pc", "-m", std::to_string(prefs.memoryMb)});
    add({"-drive", "file=" + OptionValue(image) + ",media=cdrom,if=ide,index=2,readonly=on",
         "-boot", "order=d"});
    add({"-nic", "user,model=rtl8139", "-rtc", "base=localtime"});
    // Listed twice, QEMU falls back to plain emulation where KVM fails after all.
    if (kvm)
        add({"-accel", "kvm", "-accel", "tcg"});
    else
        add({"-accel", "tcg"});
    if (options.headless) add({"-display", "none"});
    if (!options.serialFile.empty())
        add({"-chardev", "file,id=serial0,path=" + OptionValue(options.serialFile), "-serial",
             "chardev:serial0"});
    for (std::string& extra : platform::SplitArguments(prefs.extraOptions))
        argv.push_back(std::move(extra));
    return argv;
}

bool ImageFileExists(const TProfileRec& profile) {
    std::error_code ec;
    return !profile.ISOFile.empty() && fs::is_regular_file(IsoFilePath(profile), ec);
}

TryPlan PlanTry(const TProfileRec& profile, const TryOptions& options, const VmPreferences& prefs) {
    TryPlan plan;
    const std::string image = IsoFilePath(profile);
    if (!ImageFileExists(profile)) {
        plan.refusal = FillIn(Msg(kMsgImageFileMissing), {image});
        return plan;
    }
    const std::vector<std::string> qemu = QemuCommand();
    const std::string program = qemu.empty() ? std::string() : platform::FindProgram(qemu[0]);
    if (program.empty() || ::access(program.c_str(), X_OK) != 0) {
        plan.refusal = FillIn(Msg(kMsgQemuNotFound),
                              {qemu.empty() ? "qemu-system-i386, qemu-system-x86_64" : qemu[0]});
        return plan;
    }
    if (!options.headless && !QemuShowsWindows(qemu)) {
        plan.refusal = FillIn(Msg(kMsgQemuWithoutWindow), {program});
        return plan;
    }
    plan.kvm = prefs.useKvm && KvmUsable();
    plan.argv = QemuArguments(qemu, image, options, prefs, plan.kvm);
    return plan;
}

bool VmSession::Running() {
    int exitCode = 0;
    return program_.Started() && !program_.WaitFor(0, exitCode);
}

bool VmSession::Start(const TryPlan& plan, std::string* error) {
    platform::StartOptions options;
    options.ownProcessGroup = true;  // a Ctrl+C meant for the window program spares it
    program_ = platform::RunningProgram::Start(plan.argv, error, options);
    return program_.Started();
}

int RunTry(const TryPlan& plan, const TryOptions& options, const TryCallbacks& callbacks) {
    auto report = [&callbacks](const std::string& line) {
        if (callbacks.report) callbacks.report(line);
    };
    SocketFolder folder;
    std::vector<std::string> argv = plan.argv;
    const std::string socketPath = folder.Path().empty() ? "" : folder.Path() + "/qmp";
    if (!socketPath.empty()) {
        argv.push_back("-qmp");
        argv.push_back("unix:" + OptionValue(socketPath) + ",server=on,wait=off");
    }
    platform::StartOptions startOptions;
    startOptions.ownProcessGroup = true;
    std::string error;
    platform::RunningProgram program = platform::RunningProgram::Start(argv, &error, startOptions);
    if (!program.Started()) {
        report(error);
        return 1;
    }
    const auto started = Clock::now();
    const auto limit = started + std::chrono::seconds(options.seconds);
    int exitCode = 0;
    bool endedByUs = false;
    FileFollower serial(options.serialFile);
    while (!program.WaitFor(100, exitCode)) {
        serial.Poll(callbacks.serialOut);
        const bool stop = callbacks.stopWanted && callbacks.stopWanted();
        if (!(options.seconds > 0 && Clock::now() >= limit) && !stop) continue;
        endedByUs = true;
        platform::LocalSocket socket;
        std::string line;
        const bool control = !socketPath.empty() && socket.Connect(socketPath, 2000) &&
                             socket.ReadLine(line, 2000) &&
                             Command(socket, R"({"execute":"qmp_capabilities"})", 2000, nullptr);
        if (!options.screenshotFile.empty()) {
            std::string reason;
            if (!control ||
                !Command(socket,
                         R"({"execute":"screendump","arguments":{"filename":)" +
                             JsonString(options.screenshotFile) + R"(,"format":"png"}})",
                         10000, &reason))
                report("no screenshot written to " + options.screenshotFile +
                       (reason.empty() ? std::string() : ": " + reason));
        }
        // Without its control socket QEMU is ended by the signal at once.
        const bool quit = control && Command(socket, R"({"execute":"quit"})", 2000, nullptr);
        if (!quit || !program.WaitFor(5000, exitCode)) {
            program.SignalGroup(SIGTERM);
            if (!program.WaitFor(3000, exitCode)) {
                program.SignalGroup(SIGKILL);
                program.Wait();
            }
        }
        break;
    }
    program.SignalGroup(SIGKILL);  // nothing of the machine outlives the command
    serial.Poll(callbacks.serialOut);
    if (endedByUs) return 0;
    if (exitCode == 0 && options.seconds > 0) {
        const auto ran =
            std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - started).count();
        report("QEMU ended after " + std::to_string(ran) + " s, before the time limit of " +
               std::to_string(options.seconds) + " s");
        return 1;
    }
    return exitCode;
}

}  // namespace vrnx2

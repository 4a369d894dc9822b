#include "vrnx2/build/OutsideProgram.h"

#include <memory>

#include "platform/Process.h"
#include "platform/ProgramKind.h"
#include "platform/WineLaunch.h"
#include "platform/WinePath.h"

namespace vrnx2 {

PathForm WindowsPathForm() {
    // The drives are read when first needed, and once per run of the caller.
    auto drives = std::make_shared<std::unique_ptr<platform::WineDrives>>();
    return [drives](const std::string& path, std::string& out, std::string* error) {
        if (!*drives) *drives = std::make_unique<platform::WineDrives>();
        return (*drives)->ToWindows(path, out, error);
    };
}

std::string PathForProgram(const std::string& program, const std::string& path) {
    const std::string file = platform::FindProgram(program);
    if (file.empty() || !platform::DetectProgramKind(file).IsWindows()) return path;
    std::string windows;
    return platform::WineDrives().ToWindows(path, windows) ? windows : path;
}

std::vector<std::string> BuilderArguments(const std::string& program, const std::string& options) {
    std::vector<std::string> argv{program};
    for (std::string& a : platform::SplitArguments(options)) argv.push_back(std::move(a));
    return argv;
}

OutsideCommand PrepareOutsideCommand(const std::string& templ, const std::string& outDir,
                                     const TProfileRec& profile, const std::string& varnexDir) {
    OutsideCommand command;
    command.shown = ExpandMacros(templ, outDir, profile, varnexDir);
    command.argv = platform::SplitCommandLine(command.shown);
    if (command.argv.empty() || command.argv[0].empty()) return command;
    const std::string program = platform::FindProgram(command.argv[0]);
    if (program.empty() || !platform::DetectProgramKind(program).IsWindows()) return command;

    std::string windowsLine;
    if (!ExpandMacros(templ, outDir, profile, varnexDir, WindowsPathForm(), windowsLine,
                      &command.error))
        return command;
    std::vector<std::string> argv = platform::SplitCommandLine(windowsLine);
    if (argv.empty()) return command;
    argv[0] = command.argv[0];
    command.argv = std::move(argv);
    command.shown = windowsLine;
    return command;
}

}  // namespace vrnx2

// vrnx2-cli: the console companion of the window program.

#include <cstdio>
#include <cstring>
#include <exception>

#include "Vrnx2Version.h"
#include "vrnx2/cli/Commands.h"

namespace vrnx2 {

namespace {

// Every command once: its name dispatches it, its arguments and help make its usage line, and
// the bash completion reads the names from that usage.
struct Command {
    const char* name;
    int (*run)(const Args& args);
    const char* arguments;
    const char* help;
};

constexpr Command kCommands[] = {
    {"reg", RegCommand, "query|add|delete|export|import ...", "edit the settings store"},
    {"profiles", ProfilesCommand, "", "list the build profiles"},
    {"build", BuildCommand, "PROFILE [--mode basic|iso|advanced] [--steps LIST] [--yes]",
     "run a build unattended"},
    {"extract", ExtractCommand, "CABINET FOLDER", "unpack a cabinet file"},
    {"try", TryCommand, "PROFILE [--headless] [--seconds N] [--serial FILE] [--screenshot FILE]",
     "boot the profile's image in QEMU"},
    {"hive", HiveCommand, "export FILE [KEY]", "show a registry hive file as text"},
    {"cache", CacheCommand, "list|clear", "show or empty the unpacked source images"},
};

void Usage(FILE* out) {
    // Helps start in one column; a longer command line puts its help on the next line.
    constexpr int kHelpColumn = 43;
    std::fputs("usage: vrnx2-cli COMMAND [ARGUMENTS]\n\ncommands:\n", out);
    for (const Command& c : kCommands) {
        int width = std::fprintf(out, "  %s%s%s", c.name, *c.arguments ? " " : "", c.arguments);
        if (width >= kHelpColumn) {
            std::fputc('\n', out);
            width = 0;
        }
        std::fprintf(out, "%*s%s\n", kHelpColumn - width, "", c.help);
    }
    std::fputs(
        "\n"
        "options:\n"
        "  -h, --help     print this help and exit\n"
        "  --version      print the version and exit\n"
        "\n"
        "Run 'vrnx2-cli COMMAND --help' for a command's own usage; 'man vrnx2-cli' for more.\n",
        out);
}

}  // namespace

}  // namespace vrnx2

using namespace vrnx2;

int main(int argc, char** argv) {
    if (argc < 2) {
        Usage(stderr);
        return 2;
    }
    const char* command = argv[1];
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) {
        Usage(stdout);
        return 0;
    }
    if (std::strcmp(command, "--version") == 0) {
        std::fputs(VersionLine("vrnx2-cli").c_str(), stdout);
        return 0;
    }
    for (const Command& c : kCommands) {
        if (std::strcmp(command, c.name) != 0) continue;
        try {
            return c.run(Args(argv + 2, argv + argc));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "vrnx2-cli: %s\n", e.what());
            return 1;
        }
    }
    std::fprintf(stderr, "vrnx2-cli: unknown command '%s'\n", command);
    Usage(stderr);
    return 2;
}

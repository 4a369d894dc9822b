// vrnx2-cli: the console companion of the window program.

#include <cstdio>
#include <cstring>
#include <exception>

#include "Vrnx2Version.h"
#include "vrnx2/cli/Commands.h"

namespace vrnx2 {

namespace {

void Usage(FILE* out) {
    std::fputs(
        "usage: vrnx2-cli COMMAND [ARGUMENTS]\n"
        "\n"
        "commands:\n"
        "  reg query|add|delete|export|import ...   edit the settings store\n"
        "  profiles                                 list the build profiles\n"
        "  build PROFILE [--mode basic|iso|advanced] [--steps LIST] [--yes]\n"
        "                                           run a build unattended\n"
        "  extract CABINET FOLDER                   unpack a cabinet file\n"
        "  try PROFILE [--headless] [--seconds N] [--serial FILE] [--screenshot FILE]\n"
        "                                           boot the profile's image in QEMU\n"
        "  hive export FILE [KEY]                   show a registry hive file as text\n"
        "  cache list|clear                         show or empty the unpacked source images\n"
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
    Args args(argv + 2, argv + argc);
    try {
        if (std::strcmp(command, "reg") == 0) return RegCommand(args);
        if (std::strcmp(command, "profiles") == 0) return ProfilesCommand(args);
        if (std::strcmp(command, "build") == 0) return BuildCommand(args);
        if (std::strcmp(command, "extract") == 0) return ExtractCommand(args);
        if (std::strcmp(command, "try") == 0) return TryCommand(args);
        if (std::strcmp(command, "hive") == 0) return HiveCommand(args);
        if (std::strcmp(command, "cache") == 0) return CacheCommand(args);
        if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) {
            Usage(stdout);
            return 0;
        }
        if (std::strcmp(command, "--version") == 0) {
            std::fputs(VersionLine("vrnx2-cli").c_str(), stdout);
            return 0;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vrnx2-cli: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "vrnx2-cli: unknown command '%s'\n", command);
    Usage(stderr);
    return 2;
}

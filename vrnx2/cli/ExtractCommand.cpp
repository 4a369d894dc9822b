// vrnx2-cli extract CABINET FOLDER: unpacks a cabinet, and the cabinets that follow it in its
// set, as the plugin window's Install does.

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "vrnx2/cli/Commands.h"
#include "vrnx2/plugins/cabinet/CabSTComps.h"

namespace vrnx2 {

namespace {

void Usage(FILE* out) {
    std::fputs(
        "usage: vrnx2-cli extract CABINET FOLDER\n"
        "\n"
        "Extracts every file of CABINET, and of the cabinets that follow it in its set,\n"
        "into FOLDER (created when missing). Files of the same name are replaced; other\n"
        "files in FOLDER stay.\n",
        out);
}

// The error texts separate their sentences with CR LF, as message boxes want; a terminal
// wants LF.
std::string ForTerminal(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

}  // namespace

int ExtractCommand(const Args& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        Usage(stdout);
        return 0;
    }
    // An empty FOLDER (an unset shell variable, as a rule) would unpack into the current
    // folder.
    if (args.size() != 2 || args[1].empty()) {
        Usage(stderr);
        return 2;
    }
    TSTCabReader reader;
    try {
        reader.ExtractCabinet(args[0], args[1], false);
    } catch (const ESTCabinet& e) {
        std::fprintf(stderr, "%s\n", ForTerminal(e.what()).c_str());
        return 1;
    }
    // A cabinet without files still leaves the folder it was asked to fill.
    std::error_code ec;
    std::filesystem::create_directories(args[1], ec);
    if (ec) {
        std::fprintf(stderr, "Cannot create the folder %s: %s\n", args[1].c_str(),
                     ec.message().c_str());
        return 1;
    }
    return 0;
}

}  // namespace vrnx2

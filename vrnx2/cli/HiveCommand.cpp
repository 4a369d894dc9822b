// vrnx2-cli hive export FILE [KEY]: shows a registry hive file (or one key of it with
// everything below) in regedit's text form, so a person can check what a build put into
// an image.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/hive/Hive.h"
#include "platform/hive/RegExport.h"
#include "vrnx2/cli/Commands.h"

namespace vrnx2 {

namespace {

void Usage(FILE* out) {
    std::fputs(
        "usage: vrnx2-cli hive export FILE [KEY] [--root NAME]\n"
        "\n"
        "Prints the registry hive FILE, or its key KEY (a path below the hive's root, parts\n"
        "separated by \\, letter case ignored) with everything below it, in the text form of\n"
        "regedit (\"Windows Registry Editor Version 5.00\"), UTF-8. Key paths start with NAME,\n"
        "by default HKEY_LOCAL_MACHINE\\ and the file's name without extension (SETUPREG.HIV:\n"
        "HKEY_LOCAL_MACHINE\\SETUPREG).\n",
        out);
}

std::string DefaultRoot(const std::string& file) {
    std::string stem = std::filesystem::path(file).stem().string();
    for (char& c : stem)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return "HKEY_LOCAL_MACHINE\\" + stem;
}

}  // namespace

int HiveCommand(const Args& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        Usage(stdout);
        return 0;
    }
    if (args.empty() || args[0] != "export") {
        Usage(stderr);
        return 2;
    }
    std::string file, key, root;
    bool haveRoot = false;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--root" && i + 1 < args.size()) {
            root = args[++i];
            haveRoot = true;
        } else if (args[i] == "--help" || args[i] == "-h") {
            Usage(stdout);
            return 0;
        } else if (!args[i].empty() && args[i][0] == '-') {
            std::fprintf(stderr, "vrnx2-cli hive: unknown option '%s'\n", args[i].c_str());
            Usage(stderr);
            return 2;
        } else if (file.empty()) {
            file = args[i];
        } else if (key.empty()) {
            key = args[i];
        } else {
            Usage(stderr);
            return 2;
        }
    }
    if (file.empty()) {
        Usage(stderr);
        return 2;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "vrnx2-cli hive: cannot read %s\n", file.c_str());
        return 1;
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    hive::Hive h;
    try {
        h = hive::ReadHive(bytes);
    } catch (const hive::HiveError& e) {
        std::fprintf(stderr, "vrnx2-cli hive: %s is not a sound registry hive: %s\n", file.c_str(),
                     e.what());
        return 1;
    }
    if (!haveRoot) root = DefaultRoot(file);
    // The path as the hive spells it.
    const hive::Key* found = &h.root;
    std::string path = root;
    size_t start = 0;
    while (start < key.size()) {
        size_t end = key.find('\\', start);
        if (end == std::string::npos) end = key.size();
        if (end > start) {
            found = hive::FindKey(*found, key.substr(start, end - start));
            if (!found) {
                std::fprintf(stderr, "vrnx2-cli hive: %s has no key %s\n", file.c_str(),
                             key.c_str());
                return 1;
            }
            path += "\\" + hive::ToUtf8(found->name);
        }
        start = end + 1;
    }
    const std::string text = hive::ExportRegText(*found, path);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace vrnx2

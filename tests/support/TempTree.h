#pragma once
// A temporary folder for one test, with small helpers to lay out files in it.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/TempDir.h"
#include "vrnx2/settings/Records.h"

// TempDir with paths as strings, as the build code takes them.
class TempTree {
public:
    std::string Path(const std::string& rel = "") const {
        return rel.empty() ? dir_.path().string() : (dir_.path() / rel).string();
    }
    std::string Write(const std::string& rel, const std::string& bytes) const {
        return dir_.Write(rel, bytes).string();
    }
    std::string Mkdir(const std::string& rel) const {
        std::filesystem::create_directories(dir_.path() / rel);
        return Path(rel);
    }

private:
    TempDir dir_{"vrnx2-build"};
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool PathExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// A plugin file: [Version] signature and a [PEBuilder] section with the given lines.
inline std::string PluginInf(const std::string& name, const std::string& extra = "Enable=1\r\n") {
    return "[Version]\r\nSignature= \"$Windows NT$\"\r\n\r\n[PEBuilder]\r\nName=\"" + name +
           "\"\r\n" + extra + "\r\n[Files]\r\nfile.txt=1\r\n";
}

// ASCII text as UTF-16LE (with a byte-order mark unless told otherwise).
inline std::string Utf16Le(const std::string& ascii, bool bom = true) {
    std::string out = bom ? "\xFF\xFE" : "";
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

// Profile 1, "Rescue", of the builder `builderName` in t/builder, with source t/source/,
// output "out" below the builder and the image t/iso/pe.iso.
inline vrnx2::TProfileRec StandInProfile(const TempTree& t, const std::string& builderName) {
    vrnx2::TProfileRec p;
    p.ProfileName = "Rescue";
    p.ProfileNumber = 1;
    p.Builder = {builderName, t.Path("builder"), 1};
    p.Source = t.Path("source") + "/";
    p.OutDir = "out";
    p.ISOPath = t.Path("iso");
    p.ISOFile = "pe.iso";
    return p;
}

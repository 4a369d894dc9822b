// What kind of program a file is, the Windows form of paths under a Wine prefix, and how a
// Windows program is started through Wine. None of it starts Wine.

#include "platform/WineLaunch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/ProgramKind.h"
#include "platform/WineLocale.h"
#include "platform/WinePath.h"
#include "tests/support/PeImage.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using platform::ProgramKind;
using platform::ProgramType;

class WineTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"VRNX2_WINE", "WINEDEBUG", "WINEDLLOVERRIDES", "LOCPATH", "LANG",
                                 "LC_ALL", "LC_CTYPE", "ANSI_CODEPAGE"}) {
            const char* v = std::getenv(name);
            saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
        platform::SetWineSearchRoot("");
    }
    std::string Write(const std::string& rel, const std::string& data, bool executable = false) {
        const fs::path p = dir_ / rel;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << data;
        if (executable) ::chmod(p.c_str(), 0755);
        return p.string();
    }
    // A stand-in for the Wine program inside the test's own tree.
    std::string FakeWine() { return Write("root/usr/bin/wine", "#!/bin/sh\nexit 0\n", true); }

    TempDir temp_{"platform-wine"};
    const fs::path dir_ = temp_.path();
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(WineTest, DetectsTheKindOfProgramFromItsHeader) {
    struct Row {
        const char* what;
        std::string file;
        ProgramType type;
        uint16_t machine = 0;
        uint16_t subsystem = 0;
    };
    std::string mzZeros = "MZ" + std::string(200, '\0');
    std::vector<Row> rows = {
        {"32-bit window program", Write("w32.exe", PeImage(0x14c, 2)), ProgramType::Windows, 0x14c,
         2},
        {"64-bit console program", Write("c64.exe", PeImage(0x8664, 3)), ProgramType::Windows,
         0x8664, 3},
        {"program for another processor", Write("arm.exe", PeImage(0xAA64, 3)),
         ProgramType::NotAProgram},
        {"PE header cut short", Write("cut.exe", PeImage(0x8664, 3).substr(0, 0x50)),
         ProgramType::NotAProgram},
        {"MZ and zeros", Write("zeros.exe", mzZeros), ProgramType::NotAProgram},
        {"MZ alone", Write("mz.exe", "MZ"), ProgramType::NotAProgram},
        {"ELF program", "/bin/true", ProgramType::Native},
        {"script", Write("run.sh", "#!/bin/sh\n"), ProgramType::Native},
        {"text file", Write("notes.txt", "PE builder notes\n"), ProgramType::NotAProgram},
        {"empty file", Write("empty", ""), ProgramType::NotAProgram},
        {"missing file", (dir_ / "missing.exe").string(), ProgramType::NotAProgram},
        {"folder", dir_.string(), ProgramType::NotAProgram},
    };
    const char* bin = std::getenv("TEST_BIN_DIR");
    const std::string mingw = bin ? std::string(bin) + "/pebuilder-win.exe" : "";
    if (!mingw.empty() && fs::exists(mingw))
        rows.push_back({"mingw-built program", mingw, ProgramType::Windows, 0x8664, 3});
    for (const Row& r : rows) {
        const ProgramKind kind = platform::DetectProgramKind(r.file);
        EXPECT_EQ(kind.type, r.type) << r.what;
        EXPECT_EQ(kind.machine, r.machine) << r.what;
        EXPECT_EQ(kind.subsystem, r.subsystem) << r.what;
        EXPECT_EQ(kind.reason.empty(), r.type != ProgramType::NotAProgram) << r.what;
    }
}

TEST_F(WineTest, WindowsFormFollowsThePrefixDrives) {
    const fs::path prefix = dir_ / "prefix";
    fs::create_directories(prefix / "dosdevices");
    fs::create_directories(prefix / "drive_c/users");
    fs::create_directories(dir_ / "data/pe/out");
    fs::create_directories(dir_ / "elsewhere");
    fs::create_directory_symlink("../drive_c", prefix / "dosdevices/c:");
    fs::create_directory_symlink(dir_ / "data", prefix / "dosdevices/d:");
    fs::create_directory_symlink("/", prefix / "dosdevices/z:");
    fs::create_symlink("/dev/null", prefix / "dosdevices/d::");  // raw devices are no drives
    fs::create_symlink("/dev/ttyS0", prefix / "dosdevices/com1");
    const std::string d = (dir_ / "data").string();
    std::string z = "Z:" + dir_.string();
    std::replace(z.begin(), z.end(), '/', '\\');

    platform::WineDrives drives(prefix.string());
    ASSERT_TRUE(drives.PrefixExists());
    struct Row {
        std::string path;
        std::string want;
    } rows[] = {
        {d + "/pe/out", "D:\\pe\\out"},
        {d + "/pe/../pe/out/", "D:\\pe\\out"},
        {d + "/pe/not yet/made.iso", "D:\\pe\\not yet\\made.iso"},  // deepest existing parent
        {d, "D:\\"},
        {(prefix / "drive_c/users").string(), "C:\\users"},
        {(dir_ / "elsewhere/x").string(), z + "\\elsewhere\\x"},
        {"/", "Z:\\"},
        {"out", "out"},  // relative stays relative
        {"sub/out", "sub\\out"},
        {"", ""},
    };
    for (const Row& r : rows) {
        std::string out, error;
        EXPECT_TRUE(drives.ToWindows(r.path, out, &error)) << r.path << ": " << error;
        EXPECT_EQ(out, r.want) << r.path;
    }

    // Without z: no drive holds a path outside C: and D:.
    fs::remove(prefix / "dosdevices/z:");
    std::string out, error;
    EXPECT_FALSE(platform::WineDrives(prefix.string()).ToWindows("/usr/share", out, &error));
    EXPECT_NE(error.find("/usr/share"), std::string::npos) << error;
    EXPECT_NE(error.find(prefix.string()), std::string::npos) << error;

    // A prefix not made yet: Wine's default Z: for the root.
    platform::WineDrives fresh((dir_ / "no-prefix").string());
    EXPECT_FALSE(fresh.PrefixExists());
    EXPECT_TRUE(fresh.ToWindows("/home/me/pe out", out));
    EXPECT_EQ(out, "Z:\\home\\me\\pe out");
}

TEST_F(WineTest, WineCommandComesFromTheEnvironment) {
    ::unsetenv("VRNX2_WINE");
    EXPECT_EQ(platform::WineCommand(), std::vector<std::string>{"wine"});
    ::setenv("VRNX2_WINE", "  ", 1);
    EXPECT_EQ(platform::WineCommand(), std::vector<std::string>{"wine"});
    ::setenv("VRNX2_WINE", "env \"WINEPREFIX=/my pe/prefix\" /opt/wine/bin/wine", 1);
    EXPECT_EQ(platform::WineCommand(),
              (std::vector<std::string>{"env", "WINEPREFIX=/my pe/prefix", "/opt/wine/bin/wine"}));
}

TEST_F(WineTest, ThirtyTwoBitWineIsFoundWhereDistributionsPutIt) {
    const std::string root = (dir_ / "root").string();
    fs::create_directories(root);
    EXPECT_FALSE(platform::HasWine32("", root));
    for (const char* place : {"usr/lib/i386-linux-gnu/wine/i386-windows/ntdll.dll",
                              "usr/lib32/wine/i386-windows/ntdll.dll",
                              "opt/wine-stable/lib/wine/i386-windows/ntdll.dll"}) {
        Write(std::string("root/") + place, "MZ");
        EXPECT_TRUE(platform::HasWine32("", root)) << place;
        fs::remove(dir_ / "root" / place);
    }
    // A Wine of its own prefix carries its 32-bit part beside it.
    const std::string wine = Write("own/bin/wine", "#!/bin/sh\n", true);
    EXPECT_FALSE(platform::HasWine32(wine, root));
    Write("own/lib/wine/i386-windows/ntdll.dll", "MZ");
    EXPECT_TRUE(platform::HasWine32(wine, root));
}

TEST_F(WineTest, WindowsProgramsStartThroughWineOrAreRefused) {
    const std::string root = (dir_ / "root").string();
    platform::SetWineSearchRoot(root);
    ::setenv("VRNX2_WINE", (FakeWine() + " --flag").c_str(), 1);
    ::unsetenv("WINEDEBUG");
    const std::string console64 = Write("c64.exe", PeImage(0x8664, 3));
    const std::string console32 = Write("c32.exe", PeImage(0x14c, 3));
    const std::string window64 = Write("w64.exe", PeImage(0x8664, 2));

    // Native programs start as they are, with nothing added.
    platform::LaunchPlan native = platform::PlanLaunch({"/bin/true", "a"});
    EXPECT_FALSE(native.Refused());
    EXPECT_EQ(native.argv, (std::vector<std::string>{"/bin/true", "a"}));
    EXPECT_FALSE(native.options.quietStreams);
    // A program that is not there is left to the start, which names the reason.
    EXPECT_FALSE(platform::PlanLaunch({(dir_ / "gone").string()}).Refused());

    // Through the hive bridge's launcher of the program's bitness, when it and its library
    // are installed.
    platform::SetHiveBridgeFolder((dir_ / "bridge").string());
    platform::LaunchPlan plan = platform::PlanLaunch({console64, "-auto", "two words"});
    ASSERT_FALSE(plan.Refused()) << plan.error;
    EXPECT_EQ(plan.argv,
              (std::vector<std::string>{FakeWine(), "--flag", console64, "-auto", "two words"}));
    const std::string launcher = Write("bridge/vrnx2-launch64.exe", PeImage(0x8664, 3));
    Write("bridge/vrnx2-launch32.exe", PeImage(0x14c, 3));
    Write("bridge/vrnx2-hive64.dll", "MZ");
    EXPECT_EQ(platform::PlanLaunch({console64, "-auto"}).argv,
              (std::vector<std::string>{FakeWine(), "--flag", launcher, console64, "-auto"}));
    EXPECT_EQ(platform::HiveBridgeLauncher(true), "");  // its library is missing
    platform::SetHiveBridgeFolder("");
    EXPECT_TRUE(plan.options.quietStreams);
    EXPECT_EQ(plan.options.defaultEnvironment,
              (std::vector<std::pair<std::string, std::string>>{
                  {"WINEDEBUG", "-all"}, {"WINEDLLOVERRIDES", "mscoree,mshtml="}}));

    // Each refusal names the file and what to do.
    struct Row {
        const char* what;
        std::string file;
        std::vector<std::string> mentions;
        std::function<void()> arrange;
    };
    const std::vector<Row> rows = {
        {"not a program", Write("text.exe", "hello"), {"is not a program"}, [] {}},
        {"no Wine",
         console64,
         {"wine", "wine64", "VRNX2_WINE"},
         [&] { ::setenv("VRNX2_WINE", (dir_ / "no/wine").c_str(), 1); }},
        {"32-bit without 32-bit Wine",
         console32,
         {"32-bit", "dpkg --add-architecture i386", "wine32:i386"},
         [&] { ::setenv("VRNX2_WINE", FakeWine().c_str(), 1); }},
        {"32-bit in a prefix made without 32-bit Wine",
         console32,
         {"wineboot -u", (dir_ / "prefix").string()},
         [&] {
             Write("root/usr/lib/i386-linux-gnu/wine/i386-windows/ntdll.dll", "MZ");
             Write("prefix/system.reg",
                   "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n");
             ::setenv("VRNX2_WINE",
                      ("env WINEPREFIX=" + (dir_ / "prefix").string() + " " + FakeWine()).c_str(),
                      1);
         }},
        {"window program without display",
         window64,
         {"DISPLAY", "WAYLAND_DISPLAY"},
         [&] {
             ::unsetenv("DISPLAY");
             ::setenv("WAYLAND_DISPLAY", "", 1);
         }},
    };
    for (const Row& r : rows) {
        r.arrange();
        const platform::LaunchPlan refused = platform::PlanLaunch({r.file});
        ASSERT_TRUE(refused.Refused()) << r.what;
        EXPECT_NE(refused.error.find(r.file), std::string::npos) << refused.error;
        for (const std::string& m : r.mentions)
            EXPECT_NE(refused.error.find(m), std::string::npos) << r.what << ": " << refused.error;
    }

    // The same programs start once their needs are met.
    Write("prefix/drive_c/windows/syswow64/kernel32.dll", "MZ");
    EXPECT_FALSE(platform::PlanLaunch({console32}).Refused());
    ::setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    EXPECT_FALSE(platform::PlanLaunch({window64}).Refused());
    ::unsetenv("WAYLAND_DISPLAY");
}

TEST_F(WineTest, StartOptionsKeepTheUsersSettingsAndQuietTheStreams) {
    ::setenv("WINEDEBUG", "+relay", 1);
    ::unsetenv("WINEDLLOVERRIDES");
    const std::string out = (dir_ / "env.txt").string();
    platform::StartOptions options;
    options.defaultEnvironment = {{"WINEDEBUG", "-all"}, {"WINEDLLOVERRIDES", "mscoree="}};
    options.quietStreams = true;
    // The child writes its environment to a file, and tries its standard output too.
    const platform::StartResult r = platform::StartProgram(
        {"/bin/sh", "-c", "echo \"$WINEDEBUG|$WINEDLLOVERRIDES\" > '" + out + "'; echo out; read x",
         "sh"},
        true, options);
    ASSERT_TRUE(r.started) << r.error;
    EXPECT_EQ(r.exitCode, 1);  // read met the end of /dev/null at once
    std::ifstream in(out);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "+relay|mscoree=");
}

// Wine read the files we wrote in code page 932 in the code page of the user's locale (1252).
TEST_F(WineTest, WindowsProgramsStartInAnInstalledLocaleOfOurCodePage) {
    // With LOCPATH set the C library looks there alone; only its built-in C.UTF-8 remains.
    fs::create_directories(dir_ / "no-locales");
    ::setenv("LOCPATH", (dir_ / "no-locales").c_str(), 1);
    ::setenv("LANG", "en_US.UTF-8", 1);
    for (const char* name : {"LC_ALL", "LC_CTYPE", "ANSI_CODEPAGE"}) ::unsetenv(name);
    const platform::WineLocale english = platform::WineLocaleFor(1252);
    EXPECT_TRUE(english.fits);
    EXPECT_EQ(english.startIn, "C.UTF-8");  // Wine reads it as English
    for (int cp : {874, 932, 936, 949, 950, 1250, 1251, 1253, 1254, 1255, 1256, 1257, 1258}) {
        const platform::WineLocale missing = platform::WineLocaleFor(cp);
        EXPECT_FALSE(missing.fits) << cp;
        EXPECT_EQ(platform::AnsiCodePageOf(missing.wanted.substr(0, missing.wanted.find('.'))), cp)
            << missing.wanted;
    }

    // A Windows program gets it in place of the user's LC_ALL.
    ::setenv("VRNX2_WINE", FakeWine().c_str(), 1);
    ::setenv("LC_ALL", "en_US.UTF-8", 1);
    const platform::LaunchPlan plan = platform::PlanLaunch({Write("prog.exe", PeImage(0x8664, 3))});
    ASSERT_FALSE(plan.Refused()) << plan.error;
    const std::string out = (dir_ / "locale.txt").string();
    const platform::StartResult r = platform::StartProgram(
        {"/bin/sh", "-c", "echo \"$LC_ALL\" > '" + out + "'", "sh"}, true, plan.options);
    ASSERT_TRUE(r.started) << r.error;
    std::ifstream in(out);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "C.UTF-8");
}

TEST(CanEncode, OnlyWhatTheCodePageHolds) {
    EXPECT_TRUE(platform::CanEncode("C:\\pe\\out", 1252));
    EXPECT_TRUE(platform::CanEncode("b\xC3\xBC", 1252));                // bü
    EXPECT_FALSE(platform::CanEncode("b\xC3\xBC\xE6\x97\xA5", 1252));   // bü日
    EXPECT_TRUE(platform::CanEncode("\xE6\x97\xA5\xE6\x9C\xAC", 932));  // 日本
    EXPECT_FALSE(platform::CanEncode("b\xC3\xBC", 932));
    EXPECT_FALSE(platform::CanEncode("\xFF", 1252));  // not UTF-8
    EXPECT_TRUE(platform::CanEncode("what?", 1252));
}

}  // namespace

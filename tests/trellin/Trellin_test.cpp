#include "trellin/Trellin.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "TreeFixture.h"
#include "tests/support/FailingFileSystem.h"

namespace trellin {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kBanner =
    "-------------------------\n Osmite Trellin ver1.10 \n-------------------------\n";

class TrellinRun : public TreeTest {
protected:
    std::string Run(std::vector<std::string> args, int expectedCode = 0) {
        std::ostringstream out, err;
        EXPECT_EQ(trellin::Run(args, root_ / "trellin.env", out, err), expectedCode);
        return out.str();
    }
    std::string Run() { return Run({out_.string()}); }
    // A line of the directory pass.
    std::string Dir(const std::string& rel, const char* end = "\n") {
        return (out_ / rel).string() + end;
    }
};

TEST_F(TrellinRun, BuiltInEntriesPresentAndMissing) {
    Make({"programs/", "i386/system32/drivers/etc/hosts", "i386/system32/drivers/disk.sys",
          "i386/ntdetect.com", "i386/txtsetup.sif", "i386/system32/c_1252.nls",
          "i386/system32/halacpi.dll", "i386/system32/shell32.dll", "i386/system32/vgaoem.fon",
          "win.ini", "winbom.ini/", "bootsect.bin", "readme.txt"});
    const std::string text = Run();

    EXPECT_EQ(
        Names(out_),
        (std::set<std::string>{
            "PROGRAMS/", "I386/", "I386/SYSTEM32/", "I386/SYSTEM32/DRIVERS/",
            "I386/SYSTEM32/DRIVERS/ETC/", "I386/SYSTEM32/DRIVERS/ETC/HOSTS",
            "I386/SYSTEM32/DRIVERS/DISK.SYS", "I386/NTDETECT.COM", "I386/TXTSETUP.SIF",
            "I386/SYSTEM32/C_1252.NLS", "I386/SYSTEM32/HALACPI.DLL", "I386/SYSTEM32/shell32.dll",
            "I386/SYSTEM32/VGAOEM.FON", "WIN.INI", "WINBOM.INI/", "BOOTSECT.BIN", "readme.txt"}));
    EXPECT_EQ(Read(out_ / "I386/SYSTEM32/DRIVERS/ETC/HOSTS"), "i386/system32/drivers/etc/hosts");

    EXPECT_TRUE(text.starts_with(std::string(kBanner) + "Processing Directories.\n")) << text;
    EXPECT_TRUE(text.ends_with("\nDone.\n"));
    // Folders are renamed from the deepest up.
    const size_t etc = text.find(Dir("i386/system32/drivers/etc"));
    const size_t drivers = text.find(Dir("i386/system32/drivers"));
    const size_t system32 = text.find(Dir("i386/system32"));
    const size_t i386 = text.find(Dir("i386"));
    ASSERT_NE(etc, std::string::npos) << text;
    EXPECT_LT(etc, drivers);
    EXPECT_LT(drivers, system32);
    EXPECT_LT(system32, i386);
    // A missing built-in name is an ordinary failure line; files print their bare names.
    EXPECT_THAT(text, HasSubstr("\nbootfont.bin - Failure.\n"));
    EXPECT_THAT(text, HasSubstr("\nntdetect.com\n"));
    EXPECT_THAT(text, HasSubstr("\nProcessing Files.\n"));

    // A second run finds every name already in capitals and fails on the same entries.
    const std::set<std::string> names = Names(out_);
    const std::string again = Run();
    EXPECT_EQ(Names(out_), names);
    const auto failures = [](const std::string& t) {
        std::multiset<std::string> lines;
        std::istringstream in(t);
        for (std::string line; std::getline(in, line);) {
            if (line.ends_with(" - Failure.")) lines.insert(line);
        }
        return lines;
    };
    EXPECT_EQ(failures(again), failures(text));
}

TEST_F(TrellinRun, ListFileEntries) {
    Make({"programs/tool/inner.txt", "programs/deep/a/b/c.txt", "programs/skip/x.txt",
          "programs/my tool.exe", "i386/system32/desk.cpl", "i386/system32/other.dll",
          "winfiles/readme.txt"});
    Write(root_ / "trellin.env",
          "[FILES]\n; extra files\n\"programs\\my tool.exe\"\ni386\\system32\\*.cpl , x\n"
          "[directories]\nprograms\\tool,0\nprograms\\deep,1 , with all below\n"
          "programs\\skip,2\n");
    Run();
    EXPECT_EQ(Names(out_),
              (std::set<std::string>{
                  "PROGRAMS/", "PROGRAMS/TOOL/", "PROGRAMS/TOOL/inner.txt", "PROGRAMS/DEEP/",
                  "PROGRAMS/DEEP/A/", "PROGRAMS/DEEP/A/B/", "PROGRAMS/DEEP/A/B/C.TXT",
                  "PROGRAMS/skip/", "PROGRAMS/skip/x.txt", "PROGRAMS/MY TOOL.EXE", "I386/",
                  "I386/SYSTEM32/", "I386/SYSTEM32/DESK.CPL", "I386/SYSTEM32/other.dll",
                  // "win*" matches the folder: renamed, its contents not.
                  "WINFILES/", "WINFILES/readme.txt"}));
}

TEST_F(TrellinRun, MixedCaseParentsAreFound) {
    Make({"I386/System32/Drivers/Etc/hosts", "Programs/", "I386/TxtSetup.sif",
          "I386/System32/Extra.txt"});
    Write(root_ / "trellin.env", "[FILES]\ni386\\SYSTEM32\\extra.txt\n");
    const std::string text = Run();
    EXPECT_EQ(Names(out_), (std::set<std::string>{
                               "PROGRAMS/", "I386/", "I386/SYSTEM32/", "I386/SYSTEM32/DRIVERS/",
                               "I386/SYSTEM32/DRIVERS/ETC/", "I386/SYSTEM32/DRIVERS/ETC/HOSTS",
                               "I386/TXTSETUP.SIF", "I386/SYSTEM32/EXTRA.TXT"}));
    EXPECT_THAT(text, Not(HasSubstr("extra.txt - Failure.")));
}

TEST_F(TrellinRun, UnicodeLettersWithoutLanguageRules) {
    // The last name is Latin-1, not UTF-8: its letters change, its other byte stays.
    Make({"\xC3\xA9t\xC3\xA9.txt", "\xEF\xBD\x81\xEF\xBD\x82.txt", "i.txt", "caf\xE9.txt"});
    Write(root_ / "trellin.env", "[FILES]\n*.txt\n");
    const std::string saved = std::getenv("LANG") ? std::getenv("LANG") : "";
    ::setenv("LANG", "tr_TR.UTF-8", 1);
    Run();
    ::setenv("LANG", saved.c_str(), 1);
    EXPECT_EQ(Names(out_),
              (std::set<std::string>{"\xC3\x89T\xC3\x89.TXT", "\xEF\xBC\xA1\xEF\xBC\xA2.TXT",
                                     "I.TXT", "CAF\xE9.TXT"}));
}

// A case-sensitive file system may hold both names; renaming one onto the other would
// destroy a file or, for an empty folder, silently replace it.
TEST_F(TrellinRun, NeverReplacesAnExistingEntry) {
    Make({"win.ini", "i386/ntdetect.com", "I386/", "programs/", "PROGRAMS"});
    Write(out_ / "WIN.INI", "upper");
    const std::string text = Run({out_.string()}, 1);
    EXPECT_THAT(text, HasSubstr("\nwin.ini - Failure.\n"));
    EXPECT_THAT(text, HasSubstr(Dir("i386", " - Failure.\n")));
    EXPECT_THAT(text, HasSubstr(Dir("programs", " - Failure.\n")));
    EXPECT_EQ(Read(out_ / "win.ini"), "win.ini");
    EXPECT_EQ(Read(out_ / "WIN.INI"), "upper");
    EXPECT_EQ(Read(out_ / "PROGRAMS"), "PROGRAMS");
    EXPECT_TRUE(fs::is_directory(out_ / "I386"));
    EXPECT_TRUE(fs::is_directory(out_ / "programs"));
    EXPECT_EQ(Read(out_ / "i386/NTDETECT.COM"), "i386/ntdetect.com");
}

TEST_F(TrellinRun, SymbolicLinksAreNotFollowed) {
    fs::create_directories(root_ / "outside/inner");
    Write(root_ / "outside/data.txt", "x");
    Write(root_ / "outside/win.ini", "x");
    Make({"programs/", "i386/system32/drivers/"});
    fs::create_directory_symlink(root_ / "outside", out_ / "programs/link");
    fs::create_directory_symlink("..", out_ / "i386/system32/drivers/loop");
    Write(root_ / "trellin.env",
          "[DIRECTORIES]\nprograms,1\n[FILES]\nprograms\\link\\win.ini\n..\\outside\\data.txt\n");
    const std::string text = Run();
    EXPECT_EQ(Names(root_ / "outside"), (std::set<std::string>{"inner/", "data.txt", "win.ini"}));
    EXPECT_TRUE(fs::is_symlink(out_ / "PROGRAMS/LINK"));
    EXPECT_TRUE(fs::is_symlink(out_ / "I386/SYSTEM32/DRIVERS/LOOP"));
    EXPECT_THAT(text, HasSubstr("\nwin.ini - Failure.\n"));
    EXPECT_THAT(text, HasSubstr("\ndata.txt - Failure.\n"));
}

TEST_F(TrellinRun, UsageLeavesTheTreeAlone) {
    Make({"programs/", "win.ini"});
    const std::string usage = std::string(kBanner) + "Usage:\n  Trellin %outdir%\n";
    const std::vector<std::vector<std::string>> cases = {
        {},
        {out_.string(), "-?"},
        {"--HELP", out_.string()},
        {out_.string(), "x", "--Help"},
    };
    for (const auto& args : cases) EXPECT_EQ(Run(args), usage) << ::testing::PrintToString(args);
    // A folder that is not there is a failed run, with its reason.
    for (const std::string& missing : {(out_ / "missing").string(), std::string()}) {
        std::ostringstream out, err;
        EXPECT_EQ(trellin::Run({missing}, root_ / "trellin.env", out, err), 1);
        EXPECT_EQ(out.str(), usage);
        EXPECT_EQ(err.str(), "Trellin: " + missing + ": not found\n");
    }
    EXPECT_EQ(Names(out_), (std::set<std::string>{"programs/", "win.ini"}));
    // "/" does not introduce an option.
    EXPECT_THAT(Run({out_.string(), "/?"}), HasSubstr("Done."));
}

// A refused rename looked like a normal run: same lines, exit code 0, no reason.
TEST_F(TrellinRun, ARefusedRenameGivesItsReasonAndExitCode1ButMissingNamesDoNot) {
    Make({"programs/", "PROGRAMS/", "win.ini"});
    std::ostringstream out, err;
    EXPECT_EQ(trellin::Run({out_.string()}, root_ / "trellin.env", out, err), 1);
    EXPECT_THAT(out.str(), HasSubstr(Dir("programs", " - Failure.\n")));
    EXPECT_EQ(err.str(), "Trellin: " + (out_ / "programs").string() +
                             ": another entry is named PROGRAMS already\n");
    // The built-in names the tree lacks stay plain " - Failure." lines of a normal run.
    fs::remove(out_ / "programs");
    EXPECT_THAT(Run(), HasSubstr(" - Failure."));

    // A read-only tree looked like a normal run.
    fs::remove(out_ / "WIN.INI");
    Make({"win.ini"});
    FailingFileSystem disk;
    disk.FailOn(out_.string(), EROFS, FailingFileSystem::Op::Rename);
    std::ostringstream out2, err2;
    EXPECT_EQ(trellin::Run({out_.string()}, root_ / "trellin.env", out2, err2), 1);
    EXPECT_THAT(out2.str(), HasSubstr("\nwin.ini - Failure.\n"));
    EXPECT_THAT(err2.str(), HasSubstr("Trellin: cannot rename " + (out_ / "win.ini").string() +
                                      " to WIN.INI: " + std::strerror(EROFS) + "\n"));
    EXPECT_TRUE(fs::exists(out_ / "win.ini"));

    // A folder that cannot be read hides its entries: they are unknown, not missing.
    Make({"i386/ntdetect.com"});
    disk.FailOn((out_ / "i386").string(), EACCES, FailingFileSystem::Op::List);
    std::ostringstream out3, err3;
    EXPECT_EQ(trellin::Run({out_.string()}, root_ / "trellin.env", out3, err3), 1);
    EXPECT_THAT(err3.str(), HasSubstr("Trellin: cannot read '" + (out_ / "i386").string() +
                                      "': " + std::strerror(EACCES) + "\n"));
}

TEST_F(TrellinRun, UnreadableListFileStopsBeforeAnyRename) {
    Make({"programs/"});
    fs::create_directory(root_ / "trellin.env");
    EXPECT_EQ(Run({out_.string()}, 1), kBanner);
    EXPECT_EQ(Names(out_), std::set<std::string>{"programs/"});
}

TEST(PrepareDirectory, DotEnvironmentAndTrailingSlash) {
    ::setenv("TRELLIN_TEST_DIR", "/srv/build", 1);
    EXPECT_EQ(PrepareDirectory("%TRELLIN_TEST_DIR%/out"), "/srv/build/out/");
    EXPECT_EQ(PrepareDirectory("."), fs::current_path().string() + "/");
    EXPECT_EQ(PrepareDirectory("./a/../b"), (fs::current_path() / "b").string() + "/");
    ::setenv("TRELLIN_TEST_DIR", "", 1);
    EXPECT_EQ(PrepareDirectory("%TRELLIN_TEST_DIR%"), "");
}

}  // namespace
}  // namespace trellin

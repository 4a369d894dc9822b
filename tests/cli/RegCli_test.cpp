// vrnx2-cli reg and profiles, run as a user runs them.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/hive/Hive.h"
#include "tests/support/HiveMaker.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;

struct CliRun {
    int code = -1;
    std::string out;
};

class RegCli : public ::testing::Test {
protected:
    void SetUp() override {
        const char* bin = std::getenv("TEST_BIN_DIR");
        ASSERT_NE(bin, nullptr);
        cli_ = std::string(bin) + "/vrnx2-cli";
        setenv("VRNX2_SETTINGS", (dir_ + "/settings.db").c_str(), 1);
    }
    // Runs vrnx2-cli with the arguments (no shell), stdin closed; stdout and stderr captured.
    CliRun Cli(std::vector<std::string> args) {
        args.insert(args.begin(), cli_);
        int pipefd[2];
        if (pipe(pipefd) != 0) return {};
        pid_t pid = fork();
        if (pid == 0) {
            int devnull = open("/dev/null", O_RDONLY);
            dup2(devnull, 0);
            dup2(pipefd[1], 1);
            dup2(pipefd[1], 2);
            close(pipefd[0]);
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(pipefd[1]);
        CliRun r;
        char buf[4096];
        ssize_t n;
        while ((n = read(pipefd[0], buf, sizeof buf)) > 0) r.out.append(buf, n);
        close(pipefd[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return r;
    }
    CliRun Ok(std::vector<std::string> args) {
        CliRun r = Cli(std::move(args));
        EXPECT_EQ(r.code, 0) << r.out;
        return r;
    }
    void WriteBytes(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string ReadBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    TempDir temp_{"vrnx2-cli"};
    std::string dir_ = temp_.path().string();
    std::string cli_;
};

const std::string kKey = "HKCU\\Software\\HALV\\Varnex v2";
const std::string kFull = "HKEY_CURRENT_USER\\Software\\HALV\\Varnex v2";

TEST_F(RegCli, AddQueryDeleteRoundTrip) {
    Ok({"reg", "add", kKey, "/v", "BuilderCount", "/t", "REG_DWORD", "/d", "31", "/f"});
    Ok({"reg", "add", kKey + "\\PEBuilder", "/v", "001", "/d", "\"B 1\",\"/opt/pe\"", "/f"});
    Ok({"reg", "add", "HKEY_CURRENT_USER\\Software\\HALV\\Varnex v2\\Forms", "/f"});
    Ok({"reg", "add", kKey, "/ve", "/d", "dflt", "/f"});

    EXPECT_EQ(Ok({"reg", "query", kKey}).out, "\n" + kFull +
                                                  "\n    BuilderCount    REG_DWORD    0x1f\n"
                                                  "    (Default)    REG_SZ    dflt\n\n" +
                                                  kFull + "\\Forms\n" + kFull + "\\PEBuilder\n");
    EXPECT_EQ(Ok({"reg", "query", "hkcu\\software\\halv\\varnex v2\\pebuilder", "-V", "001"}).out,
              "\n" + kFull + "\\PEBuilder\n    001    REG_SZ    \"B 1\",\"/opt/pe\"\n\n");

    Ok({"reg", "delete", kKey + "\\PEBuilder", "/v", "001", "/f"});
    CliRun gone = Cli({"reg", "query", kKey + "\\PEBuilder", "/v", "001"});
    EXPECT_EQ(gone.code, 1);
    EXPECT_EQ(gone.out.rfind("ERROR:", 0), 0u) << gone.out;

    Ok({"reg", "delete", kKey, "/f"});
    CliRun key = Cli({"reg", "query", kKey});
    EXPECT_EQ(key.code, 1);
    EXPECT_EQ(key.out.rfind("ERROR:", 0), 0u);
}

TEST_F(RegCli, QuestionsUnansweredChangeNothing) {
    Ok({"reg", "add", kKey, "/v", "V", "/d", "old"});
    CliRun add = Cli({"reg", "add", kKey, "/v", "V", "/d", "new"});
    CliRun del = Cli({"reg", "delete", kKey});
    EXPECT_NE(add.code, 0);
    EXPECT_NE(del.code, 0);
    EXPECT_NE(Ok({"reg", "query", kKey, "/v", "V"}).out.find("REG_SZ    old"), std::string::npos);

    Ok({"reg", "export", kKey, dir_ + "/x.reg"});
    WriteBytes(dir_ + "/x.reg", "mine");
    EXPECT_NE(Cli({"reg", "export", kKey, dir_ + "/x.reg"}).code, 0);
    EXPECT_EQ(ReadBytes(dir_ + "/x.reg"), "mine");
    Ok({"reg", "export", kKey, dir_ + "/x.reg", "/y"});
    EXPECT_NE(ReadBytes(dir_ + "/x.reg"), "mine");
}

TEST_F(RegCli, ExportThenImportGivesTheSameQueryOutput) {
    Ok({"reg", "add", kKey, "/v", "ProfileCount", "/t", "REG_DWORD", "/d", "0xFF00000D", "/f"});
    Ok({"reg", "add", kKey + "\\Profiles\\001", "/v", "ProfileName", "/d", "標準 \"x\" C:\\",
        "/f"});
    Ok({"reg", "add", kKey + "\\Profiles\\001\\Plugin", "/v", "\"A\",\"a\\a.inf\"", "/d",
        "\"1\",\"Cat\",\"0\"", "/f"});
    std::string before = Ok({"reg", "query", kKey, "/s"}).out;
    Ok({"reg", "export", kKey, dir_ + "/all.reg"});
    EXPECT_EQ(ReadBytes(dir_ + "/all.reg").substr(0, 2), "\xFF\xFE");
    Ok({"reg", "delete", kKey, "/f"});
    Ok({"reg", "import", dir_ + "/all.reg"});
    EXPECT_EQ(Ok({"reg", "query", kKey, "/s"}).out, before);
    EXPECT_NE(before.find("0xff00000d"), std::string::npos);
}

TEST_F(RegCli, AWindowsExportImportsAndAMalformedOneWritesNothing) {
    std::u16string text =
        u"Windows Registry Editor Version 5.00\r\n\r\n"
        u"[HKEY_CURRENT_USER\\Software\\HALV\\Varnex v2\\System]\r\n"
        u"\"TextEditor\"=\"C:\\\\Windows\\\\notepad.exe\"\r\n"
        u"\"TextEditor Wait\"=dword:00000001\r\n\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    WriteBytes(dir_ + "/win.reg", bytes);
    Ok({"reg", "import", dir_ + "/win.reg"});
    EXPECT_EQ(Ok({"reg", "query", kKey + "\\System"}).out,
              "\n" + kFull +
                  "\\System\n    TextEditor    REG_SZ    C:\\Windows\\notepad.exe\n"
                  "    TextEditor Wait    REG_DWORD    0x1\n\n");

    WriteBytes(dir_ + "/bad.reg",
               "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\HALV\\Varnex v2\\New]\r\n"
               "\"a\"=\"1\"\r\n\"b\"=dword:xyz\r\n");
    CliRun bad = Cli({"reg", "import", dir_ + "/bad.reg"});
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.out.find("line 5"), std::string::npos) << bad.out;
    EXPECT_EQ(Cli({"reg", "query", kKey + "\\New"}).code, 1);
}

TEST_F(RegCli, RefusesOtherHivesAndBadArguments) {
    for (auto args : std::vector<std::vector<std::string>>{
             {"reg", "query", "HKLM\\Software"},
             {"reg", "add", "HKEY_LOCAL_MACHINE\\Software\\x", "/f"},
             {"reg", "add", kKey, "/v", "x", "/t", "REG_BINARY", "/d", "00", "/f"},
             {"reg", "add", kKey, "/v", "x", "/t", "REG_DWORD", "/d", "4294967296", "/f"},
             {"reg", "delete", "HKCU", "/f"},
             {"reg", "query"},
             {"reg", "frobnicate", kKey}}) {
        CliRun r = Cli(args);
        EXPECT_EQ(r.code, 1) << args[1] << " " << r.out;
        EXPECT_EQ(r.out.rfind("ERROR:", 0), 0u) << r.out;
    }
}

TEST_F(RegCli, ProfilesListsWhatTheMainWindowLists) {
    Ok({"reg", "add", kKey, "/v", "ProfileCount", "/t", "REG_DWORD", "/d", "3", "/f"});
    Ok({"reg", "add", kKey + "\\Profiles\\001", "/v", "ProfileName", "/d", "First", "/f"});
    Ok({"reg", "add", kKey + "\\Profiles\\001", "/v", "BuilderIndex", "/d", "001", "/f"});
    Ok({"reg", "add", kKey + "\\Profiles\\001", "/v", "BuilderName", "/d", "PE 3.1", "/f"});
    Ok({"reg", "add", kKey + "\\Profiles\\002", "/v", "ProfileName", "/d", "Unlisted", "/f"});
    Ok({"reg", "add", kKey + "\\Profiles\\003", "/v", "ProfileName", "/d", "Third", "/f"});
    Ok({"reg", "add", kKey + "\\Profiles\\003", "/v", "BuilderIndex", "/d", "002", "/f"});
    EXPECT_EQ(Ok({"profiles"}).out, "1\tFirst\tPE 3.1\n2\tThird\t\n");
}

TEST_F(RegCli, TheWholeHiveExportsAndImportsBack) {
    Ok({"reg", "add", kKey, "/v", "BuilderCount", "/t", "REG_DWORD", "/d", "2", "/f"});
    Ok({"reg", "add", "HKCU\\Other\\Tool", "/v", "x", "/d", "y", "/f"});
    std::string before = Ok({"reg", "query", "HKCU", "/s"}).out;
    Ok({"reg", "export", "HKCU", dir_ + "/hive.reg"});
    Ok({"reg", "delete", "HKCU\\Software", "/f"});
    Ok({"reg", "delete", "HKCU\\Other", "/f"});
    Ok({"reg", "import", dir_ + "/hive.reg"});
    EXPECT_EQ(Ok({"reg", "query", "HKCU", "/s"}).out, before);
}

TEST_F(RegCli, AKeyThirtyThousandLevelsDeepIsRefusedNotACrash) {
    auto chain = [](int levels) {
        std::string key = "HKEY_CURRENT_USER\\Deep";
        for (int i = 1; i < levels; ++i) key += "\\k";
        return key;
    };
    WriteBytes(dir_ + "/deep.reg", "REGEDIT4\r\n\r\n[" + chain(30000) + "]\r\n\"v\"=\"x\"\r\n");
    CliRun deep = Cli({"reg", "import", dir_ + "/deep.reg"});
    EXPECT_EQ(deep.code, 1);
    EXPECT_EQ(deep.out.rfind("ERROR:", 0), 0u) << deep.out.substr(0, 200);
    EXPECT_NE(deep.out.find("line 3"), std::string::npos) << deep.out.substr(0, 200);
    EXPECT_NE(deep.out.find("Nothing was imported."), std::string::npos);
    EXPECT_EQ(Cli({"reg", "query", "HKCU\\Deep"}).code, 1);

    CliRun add = Cli({"reg", "add", chain(513), "/f"});
    EXPECT_EQ(add.code, 1);
    EXPECT_EQ(add.out.rfind("ERROR:", 0), 0u) << add.out;

    // The deepest key allowed lists and exports whole, each key once and after its parent.
    Ok({"reg", "add", chain(512), "/v", "v", "/d", "bottom", "/f"});
    std::string listed = Ok({"reg", "query", "HKCU\\Deep", "/s"}).out;
    EXPECT_TRUE(listed.ends_with(chain(512) + "\n    v    REG_SZ    bottom\n\n"));
    size_t keys = 0;
    for (size_t at = listed.find("HKEY_"); at != std::string::npos;
         at = listed.find("HKEY_", at + 1))
        ++keys;
    EXPECT_EQ(keys, 512u);
    Ok({"reg", "export", "HKCU\\Deep", dir_ + "/deep.reg", "/y"});
    Ok({"reg", "delete", "HKCU\\Deep", "/f"});
    Ok({"reg", "import", dir_ + "/deep.reg"});
    EXPECT_EQ(Ok({"reg", "query", "HKCU\\Deep", "/s"}).out, listed);
}

TEST_F(RegCli, AnUnknownOperationIsNamedNotTakenForAMissingKey) {
    for (auto args :
         std::vector<std::vector<std::string>>{{"reg", "frobnicate"}, {"reg", "list", kKey}}) {
        CliRun r = Cli(args);
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.out.rfind("ERROR: Invalid operation " + args[1] + ".", 0), 0u) << r.out;
    }
}

TEST_F(RegCli, ProfilesReportsAStoreThatCannotBeRead) {
    WriteBytes(dir_ + "/settings.db", std::string(4096, 'x'));
    CliRun r = Cli({"profiles"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("not a database"), std::string::npos) << r.out;
}

TEST_F(RegCli, HiveExportShowsOneKeyOfAHiveFile) {
    const std::string file = dir_ + "/setupreg.hiv";
    std::ofstream(file, std::ios::binary) << hive::WriteHive(testhive::SampleHive(3), 1);
    CliRun r = Cli({"hive", "export", file, "TYPES"});
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(
        r.out.rfind(
            "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SETUPREG\\Types]\n", 0),
        0u)
        << r.out;
    EXPECT_NE(r.out.find("\"dword\"=dword:0000002a\n"), std::string::npos) << r.out;
    // A missing key, a file that is no hive, a cut hive: a reason and exit code 1.
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"hive", "export", file, "no\\such"},
          {"hive", "export", dir_ + "/settings.db"},
          {"hive", "export", dir_ + "/gone.hiv"}}) {
        r = Cli(bad);
        EXPECT_EQ(r.code, 1) << r.out;
        EXPECT_NE(r.out.find("vrnx2-cli hive: "), std::string::npos) << r.out;
    }
    EXPECT_EQ(Cli({"hive", "export"}).code, 2);
}

}  // namespace

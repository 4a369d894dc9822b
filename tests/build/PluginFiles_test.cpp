// The plugin tree: scan, enable states written into plugin files, staging.

#include "vrnx2/build/PluginFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "tests/support/FailingFileSystem.h"
#include "tests/support/TempTree.h"
#include "tests/support/TextRow.h"
#include "vrnx2/build/TextFile.h"

using namespace vrnx2;

namespace {

std::vector<std::string> Keys(const PluginHolder& h) {
    std::vector<std::string> keys;
    for (int i = 0; i < h.Count(); ++i) keys.push_back(h.Text(i));
    return keys;
}

ino_t Inode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

std::vector<std::string> Listing(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
        names.push_back(e.path().generic_string().substr(dir.size() + 1));  // links unresolved
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ScanPluginFiles, RecognisesPluginFilesAndBuildsKeys) {
    TempTree t;
    t.Write("Plugin/drivers/nic/nic.inf",
            "[Version]\r\nSignature=\"$Windows NT$\"\r\n[PEBuilder]\r\nName=  \"Nic\"  \r\n"
            "Enable=1\r\nHelp=\"doc\\nic.htm\"\r\nConfig= nicconf.exe "
            "\r\nVX_Category=\"Net\\Cards\"\r\n"
            "VX_Order=7\r\n");
    t.Write("Plugin/top.INF", PluginInf("Top", "Enable=2\r\nHelp=..\\..\\secret.htm\r\n"));
    t.Write("Plugin/case/x.inf",
            "[Version]\r\nSignature=$WINDOWS NT$\r\n[PEBuilder]\r\nName=X\r\n");
    t.Write("Plugin/noname/y.inf",
            "[Version]\r\nSignature=$Windows NT$\r\n[PEBuilder]\r\nEnable=1\r\n");
    t.Write("Plugin/other/z.txt", PluginInf("NotInf"));
    t.Write("Plugin/.hidden/h.inf", PluginInf("Hidden"));
    t.Write("Plugin/utf16/u.inf",
            Utf16Le("[Version]\r\nSignature=$Windows NT$\r\n[PEBuilder]\r\nName=U\r\n"));
    PluginHolder h;
    ScanPluginFiles(t.Path("Plugin"), t.Path("Plugin"), h);
    auto keys = Keys(h);
    EXPECT_EQ(keys, (std::vector<std::string>{"\"Nic\",\"drivers\\nic\\nic.inf\"",
                                              "\"Top\",\"top.INF\"", "\"U\",\"utf16\\u.inf\""}));
    ASSERT_EQ(h.Count(), 3);
    const TPluginRec& nic = *h.Get(0);
    EXPECT_EQ(nic.Dir, t.Path("Plugin/drivers/nic"));
    EXPECT_EQ(nic.FileName, "nic.inf");
    EXPECT_EQ(nic.FilePath, t.Path("Plugin/drivers/nic/nic.inf"));
    EXPECT_EQ(nic.Help, t.Path("Plugin/drivers/nic/doc/nic.htm"));
    EXPECT_EQ(nic.Config, "nicconf.exe");
    EXPECT_TRUE(nic.Enabled);
    EXPECT_EQ(nic.Category, "Net\\Cards");
    EXPECT_EQ(nic.Order, 7);
    EXPECT_FALSE(h.Get(1)->Enabled);  // only Enable=1 means enabled
    EXPECT_EQ(h.Get(1)->Help, "");    // a help name leaving the plugin folder is ignored
}

// Config is read as Windows reads plugin files: quotes around the whole value go, quoted
// fields inside it stay for the field splitter.
TEST(ScanPluginFiles, ConfigLosesTheQuotesAroundTheWholeValue) {
    const TextRow rows[] = {
        {"setup.exe @PluginFile@", "setup.exe @PluginFile@"},
        {" \"setup.exe @PluginFile@\" ", "setup.exe @PluginFile@"},
        {"\" setup.exe \"", "setup.exe"},
        {"\"setup.exe\",\"@PluginFile@\"", "\"setup.exe\",\"@PluginFile@\""},
        {"\"my setup.exe\" \"@PluginFile@\"", "\"my setup.exe\" \"@PluginFile@\""},
        {"\"", "\""},
        {"\"\"", ""},
    };
    for (const auto& row : rows) {
        TempTree t;
        t.Write("Plugin/p/p.inf", PluginInf("P", std::string("Config=") + row.in + "\r\n"));
        PluginHolder h;
        ScanPluginFiles(t.Path("Plugin"), t.Path("Plugin"), h);
        ASSERT_EQ(h.Count(), 1) << row.in;
        EXPECT_EQ(h.Get(0)->Config, row.out) << row.in;
    }
}

TEST(ScanPluginFiles, SymbolicLinksAreNotFollowed) {
    TempTree t;
    t.Write("Plugin/a/a.inf", PluginInf("A"));
    std::filesystem::create_directory_symlink(t.Path("Plugin"), t.Path("Plugin/a/loop"));
    PluginHolder h;
    ScanPluginFiles(t.Path("Plugin"), t.Path("Plugin"), h);
    EXPECT_EQ(h.Count(), 1);
}

TPluginRec Rec(const std::string& path, bool enabled) {
    TPluginRec r;
    r.FilePath = path;
    r.Dir = std::filesystem::path(path).parent_path().string();
    r.FileName = std::filesystem::path(path).filename().string();
    r.Enabled = enabled;
    return r;
}

TEST(WritePluginEnable, RewritesOnlyTheRecognisedLineOfTheSection) {
    TempTree t;
    struct Row {
        const char* rule;
        std::string before;
        bool enabled;
        std::string after;
    };
    const Row rows[] = {
        {"lower-case key rewritten", "[PEBuilder]\r\nName=A\r\nenable=1\r\n", false,
         "[PEBuilder]\r\nName=A\r\nEnable=0\r\n"},
        {"blank before key not recognised", "[PEBuilder]\r\n Enable=1\r\n", false,
         "[PEBuilder]\r\n Enable=1\r\n"},
        {"blank before = not recognised", "[PEBuilder]\r\nEnable =1\r\n", false,
         "[PEBuilder]\r\nEnable =1\r\n"},
        {"next section ends the walk", "[PEBuilder]\r\nName=A\r\n[Other]\r\nEnable=0\r\n", true,
         "[PEBuilder]\r\nName=A\r\n[Other]\r\nEnable=0\r\n"},
        {"value with one [ ends the walk", "[PEBuilder]\r\nx=[a\r\nEnable=0\r\n", true,
         "[PEBuilder]\r\nx=[a\r\nEnable=0\r\n"},
        {"outside the section unchanged", "[Version]\r\nEnable=0\r\n[pebuilder]\r\nEnable=0\r\n",
         true, "[Version]\r\nEnable=0\r\n[pebuilder]\r\nEnable=1\r\n"},
        {"no line added", "[PEBuilder]\r\nName=A\r\n", true, "[PEBuilder]\r\nName=A\r\n"},
        {"line breaks and last line kept", "[PEBuilder]\nName=A\nEnable=0", true,
         "[PEBuilder]\nName=A\nEnable=1"},
        {"8-bit bytes kept", "[PEBuilder]\r\nName=\x83\x5C\x83\x74\xFF\r\nEnable=1\r\n", false,
         "[PEBuilder]\r\nName=\x83\x5C\x83\x74\xFF\r\nEnable=0\r\n"},
    };
    PluginHolder h;
    int i = 0;
    for (const auto& row : rows) {
        std::string path = t.Write("p" + std::to_string(i++) + ".inf", row.before);
        AddPluginRec(h, row.rule, Rec(path, row.enabled));
    }
    AddPluginRec(h, "gone", Rec(t.Path("missing.inf"), true));
    EXPECT_TRUE(WritePluginEnable(h).empty());
    i = 0;
    for (const auto& row : rows)
        EXPECT_EQ(ReadAll(t.Path("p" + std::to_string(i++) + ".inf")), row.after) << row.rule;
    EXPECT_FALSE(PathExists(t.Path("missing.inf")));
}

TEST(WritePluginEnable, Utf16FileKeepsItsEncoding) {
    TempTree t;
    std::string path = t.Write("u.inf", Utf16Le("[PEBuilder]\r\nName=U\r\nEnable=1\r\n"));
    PluginHolder h;
    AddPluginRec(h, "u", Rec(path, false));
    EXPECT_TRUE(WritePluginEnable(h).empty());
    EXPECT_EQ(ReadAll(path), Utf16Le("[PEBuilder]\r\nName=U\r\nEnable=0\r\n"));
}

TEST(WritePluginEnable, TextItCannotReadIsLeftUntouchedAndReported) {
    TempTree t;
    // UTF-16 without a byte-order mark, and UTF-16 with an unpaired surrogate.
    std::string noBom = Utf16Le("[PEBuilder]\r\nEnable=1", false);
    std::string lone =
        Utf16Le("[PEBuilder]\r\n") + std::string("\x00\xD8", 2) + Utf16Le("Enable=1", false);
    std::string a = t.Write("a.inf", noBom);
    std::string b = t.Write("b.inf", lone);
    PluginHolder h;
    AddPluginRec(h, "a", Rec(a, false));
    AddPluginRec(h, "b", Rec(b, false));
    EXPECT_EQ(WritePluginEnable(h).size(), 2u);
    EXPECT_EQ(ReadAll(a), noBom);
    EXPECT_EQ(ReadAll(b), lone);
}

// A failure at any step of the rewrite (the disk full, failing or refusing) leaves the file
// whole and no temporary file, and the failure names the file and the reason.
TEST(WritePluginEnable, AFailureAtEveryStepLeavesTheFileWhole) {
    TempTree t;
    const std::string before = "[PEBuilder]\r\nName=A\r\nEnable=1\r\n";
    std::string path = t.Write("a.inf", before);
    PluginHolder h;
    AddPluginRec(h, "a", Rec(path, false));
    std::vector<std::string> failures;
    const int steps = FailEveryStep(
        {ENOSPC, EIO, EACCES}, [&] { failures = WritePluginEnable(h); },
        [&](int code, int nth) {
            ASSERT_EQ(failures.size(), 1u) << nth;
            EXPECT_NE(failures[0].find(path), std::string::npos) << failures[0];
            EXPECT_NE(failures[0].find(std::strerror(code)), std::string::npos) << failures[0];
            EXPECT_EQ(ReadAll(path), before) << nth;
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(t.Path()),
                                    std::filesystem::directory_iterator()),
                      1);  // no temporary file left behind
        },
        [&] { t.Write("a.inf", before); });
    EXPECT_GE(steps, 3 * 4);
}

// A file that can be neither linked nor copied is named with its reason; nothing of the
// user's tree changes.
TEST(StagePlugins, AFileThatCannotBeStagedIsNamedWithItsReason) {
    TempTree t;
    t.Write("Plugin/tools/a.inf", PluginInf("A"));
    t.Write("Plugin/tools/tool.exe", "exe");
    PluginHolder h;
    ScanPluginFiles(t.Path("Plugin"), t.Path("Plugin"), h);
    ASSERT_EQ(h.Count(), 1);
    std::filesystem::rename(t.Path("Plugin"), t.Path("!Plugin!"));
    t.Mkdir("Plugin");
    for (const bool links : {true, false}) {
        FailingFileSystem disk;
        disk.FailOn("/tool.exe", ENOSPC, FailingFileSystem::Op::Link);
        disk.FailOn("/tool.exe", ENOSPC, FailingFileSystem::Op::Write);
        const auto failures = StagePlugins(h, t.Path("Plugin"), t.Path("!Plugin!"), links);
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_NE(failures[0].find("tool.exe"), std::string::npos) << failures[0];
        EXPECT_NE(failures[0].find(std::strerror(ENOSPC)), std::string::npos) << failures[0];
        EXPECT_EQ(ReadAll(t.Path("!Plugin!/tools/tool.exe")), "exe");
        std::filesystem::remove_all(t.Path("Plugin"));
        t.Mkdir("Plugin");
    }

    // Copies failing at every step: each failure named with its reason, the user's tree
    // untouched.
    std::vector<std::string> failures;
    const int steps = FailEveryStep(
        {ENOSPC, EIO, EACCES},
        [&] { failures = StagePlugins(h, t.Path("Plugin"), t.Path("!Plugin!"), false); },
        [&](int code, int nth) {
            ASSERT_EQ(failures.size(), 1u) << nth;
            EXPECT_NE(failures[0].find(t.Path("Plugin/")), std::string::npos) << failures[0];
            EXPECT_NE(failures[0].find(std::strerror(code)), std::string::npos) << failures[0];
            EXPECT_EQ(ReadAll(t.Path("!Plugin!/tools/tool.exe")), "exe");
            EXPECT_EQ(ReadAll(t.Path("!Plugin!/tools/a.inf")), PluginInf("A"));
            std::filesystem::remove_all(t.Path("Plugin"));
            t.Mkdir("Plugin");
        },
        [&] {
            EXPECT_TRUE(failures.empty());
            std::filesystem::remove_all(t.Path("Plugin"));
            t.Mkdir("Plugin");
        });
    EXPECT_GE(steps, 3 * 5);  // the folder, then per file: open both, write, close
}

TEST(StagedFolderName, NumberAndUnderscoredPath) {
    EXPECT_EQ(StagedFolderName(3, "a/b"), "003(a_b)");
    EXPECT_EQ(StagedFolderName(12, "nic/"), "012(nic)");
    EXPECT_EQ(StagedFolderName(1000, ""), "1000()");
}

class Staging : public ::testing::TestWithParam<bool> {};

TEST_P(Staging, EnabledPluginsInHolderOrderWithTheirOwnPluginFileOnly) {
    const bool links = GetParam();
    TempTree t;
    // Two plugins share one folder; one plugin is nested in a category folder.
    t.Write("Plugin/tools/a.inf", PluginInf("A"));
    t.Write("Plugin/tools/b.inf", PluginInf("B"));
    t.Write("Plugin/tools/tool.exe", "exe");
    t.Write("Plugin/tools/sub/data.bin", "data");
    t.Write("Plugin/tools/readme.inf", "[Strings]\r\nx=y\r\n");  // not a plugin file: staged
    t.Write("Plugin/cat/nic/nic.inf", PluginInf("Nic"));
    t.Write("Plugin/cat/nic/nic.sys", "sys");
    t.Write("Plugin/off/off.inf", PluginInf("Off"));
    std::filesystem::create_symlink("tool.exe", t.Path("Plugin/tools/alias"));
    PluginHolder h;
    ScanPluginFiles(t.Path("Plugin"), t.Path("Plugin"), h);
    ASSERT_EQ(h.Count(), 4);
    // Wanted order: Nic, B, A; Off disabled.
    std::vector<std::string> order = {"\"Nic\",\"cat\\nic\\nic.inf\"", "\"B\",\"tools\\b.inf\"",
                                      "\"A\",\"tools\\a.inf\"", "\"Off\",\"off\\off.inf\""};
    PluginHolder sorted;
    for (const auto& k : order)
        for (int i = 0; i < h.Count(); ++i)
            if (h.Text(i) == k) sorted.Add(k, *h.Get(i));
    sorted.Get(3)->Enabled = false;

    std::filesystem::rename(t.Path("Plugin"), t.Path("!Plugin!"));
    t.Mkdir("Plugin");
    auto failures = StagePlugins(sorted, t.Path("Plugin"), t.Path("!Plugin!"), links);
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(Listing(t.Path("Plugin")),
              (std::vector<std::string>{
                  "001(cat_nic)", "001(cat_nic)/nic.inf", "001(cat_nic)/nic.sys", "002(tools)",
                  "002(tools)/alias", "002(tools)/b.inf", "002(tools)/readme.inf", "002(tools)/sub",
                  "002(tools)/sub/data.bin", "002(tools)/tool.exe", "003(tools)",
                  "003(tools)/a.inf", "003(tools)/alias", "003(tools)/readme.inf", "003(tools)/sub",
                  "003(tools)/sub/data.bin", "003(tools)/tool.exe"}));
    EXPECT_TRUE(std::filesystem::is_symlink(t.Path("Plugin/002(tools)/alias")));
    EXPECT_EQ(ReadAll(t.Path("Plugin/003(tools)/sub/data.bin")), "data");
    bool linked =
        Inode(t.Path("Plugin/002(tools)/tool.exe")) == Inode(t.Path("!Plugin!/tools/tool.exe"));
    EXPECT_EQ(linked, links);
}

INSTANTIATE_TEST_SUITE_P(LinksAndCopies, Staging, ::testing::Bool());

TEST(TextFile, RoundTripsEveryEncodingByteForByte) {
    const std::string samples[] = {
        "a\r\nb\nc\rd",
        "\xEF\xBB\xBFutf8\r\n\xE3\x81\x82\r\n",
        std::string("\xFF\xFE"
                    "a\0\r\0\n\0",
                    8),
        std::string("\xFE\xFF\0a\0\n", 6),
        "",
    };
    for (const auto& s : samples) {
        auto f = ParseText(s, 932);
        ASSERT_TRUE(f.has_value());
        EXPECT_EQ(EncodeText(*f), s);
    }
}

}  // namespace

TEST(TempTreeFixture, AFolderThatCannotBeMadeIsAnErrorNotTheCurrentFolder) {
    // /proc is a folder in which nobody, root included, can make one.
    const char* saved = std::getenv("TMPDIR");
    const std::string before = saved ? saved : "";
    ::setenv("TMPDIR", "/proc", 1);
    EXPECT_THROW(TempTree(), std::system_error);
    if (saved)
        ::setenv("TMPDIR", before.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

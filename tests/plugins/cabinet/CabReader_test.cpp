#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "CabFixture.h"
#include "platform/Files.h"
#include "tests/support/FailingFileSystem.h"
#include "vrnx2/plugins/cabinet/CabSTComps.h"

using namespace vrnx2;

using cabtest::BuildCabinet;
using cabtest::BuildSet;
using cabtest::Compression;
using cabtest::Entry;
using cabtest::Layout;

namespace {

// The error raised by an extraction, or a failure when none is.
ESTCabinet ExtractError(TSTCabReader& reader, const std::string& cab, const std::string& out) {
    try {
        reader.ExtractCabinet(cab, out, false);
    } catch (const ESTCabinet& e) {
        return e;
    }
    ADD_FAILURE() << "no error raised";
    return ESTCabinet(0, 0, false, false);
}

ESTCabinet ExtractError(const std::string& cab, const std::string& out) {
    TSTCabReader reader;
    return ExtractError(reader, cab, out);
}

void Extract(const std::string& cab, const std::string& out) {
    TSTCabReader reader;
    reader.ExtractCabinet(cab, out, false);
}

}  // namespace

TEST(CabinetMessage, FollowsTheCodeTheSystemErrorAndTheFlag) {
    struct Row {
        int code, os;
        bool flag, compression;
        const char* detail;
        const char* expected;
    };
    const Row rows[] = {
        {2, 0, true, false, "", "Cabinet file does not have the correct format [0x0002]"},
        {4, 0, true, false, "", "Cabinet file is corrupt [0x0004]"},
        {11, 0, true, false, "", "FDI aborted [0x000B]"},
        {12, 0, true, false, "", "FDI error [0x000C]"},
        {9, 0, true, true, "", "FCI error [0x0009]"},
        {1, 0, true, true, "", "Failure opening file to be stored in cabinet [0x0001]"},
        {4, 0, false, false, "", "FDI error"},
        {4, 0, false, true, "", "FCI error"},
        {1, 2, true, false, "",
         "Cabinet not found [0x0001].\r\nNo such file or directory [0x0002]."},
        {8, 0, true, false, "x", "Failure writing to target file [0x0008].\r\nx"},
        {8, 13, true, false, "x",
         "Failure writing to target file [0x0008].\r\nPermission denied [0x000D].\r\nx"},
    };
    for (const Row& r : rows) {
        ESTCabinet e(r.code, r.os, r.flag, r.compression, r.detail);
        EXPECT_EQ(std::string(e.what()), r.expected) << r.code;
    }
}

class CabReader : public CabFixture {};

TEST_F(CabReader, ExtractsFoldersContentTimesAndReadOnly) {
    for (Compression c : {Compression::Stored, Compression::Mszip}) {
        SCOPED_TRACE(static_cast<int>(c));
        std::vector<Entry> files = {
            {"plain.inf", "[PEBuilder]\r\nName=x\r\n", cabtest::DosDate(2004, 2, 29),
             cabtest::DosTime(23, 59, 58), 0x20, 0},
            {"sub\\deep\\ro.txt", "read only", cabtest::DosDate(1999, 12, 31),
             cabtest::DosTime(1, 2, 4), 0x01 | 0x02 | 0x04 | 0x20 | 0x40, 0},
            {"empty.dat", "", cabtest::DosDate(2010, 6, 1), 0, 0, 0},
            {"big.bin", Pattern(100000, 1), cabtest::DosDate(2020, 1, 2), 0, 0x20, 1},
        };
        std::string cab = Put("a.cab", BuildCabinet(files, c));
        Extract(cab, out_);
        for (const Entry& e : files) {
            std::string rel = e.name == "sub\\deep\\ro.txt" ? "sub/deep/ro.txt" : e.name;
            ASSERT_TRUE(HasContent(Out(rel), e.data)) << rel;
            EXPECT_EQ(platform::IsReadOnly(Out(rel)), (e.attribs & 1) != 0) << rel;
            std::tm tm{};
            tm.tm_year = (e.date >> 9) + 80;
            tm.tm_mon = ((e.date >> 5) & 15) - 1;
            tm.tm_mday = e.date & 31;
            tm.tm_hour = e.time >> 11;
            tm.tm_min = (e.time >> 5) & 63;
            tm.tm_sec = (e.time & 31) * 2;
            tm.tm_isdst = -1;
            EXPECT_EQ(platform::GetWriteTime(Out(rel))->seconds, std::mktime(&tm)) << rel;
        }
        fs::permissions(Out("sub/deep/ro.txt"), fs::perms::owner_write, fs::perm_options::add);
        fs::remove_all(out_);
    }
}

TEST_F(CabReader, ReplacesExistingTargetsWhole) {
    fs::create_directories(out_);
    Put("out/ro.txt", "old read-only content");
    Put("out/long.txt", "a much longer old content than the new one");
    platform::SetReadOnly(Out("ro.txt"), true);
    std::string cab = Put("a.cab", BuildCabinet({{"ro.txt", "new"}, {"long.txt", "short"}}));

    TSTCabReader keep;
    keep.Options = croDontOverwriteReadOnlyFiles;
    keep.ExtractCabinet(cab, out_, false);
    EXPECT_EQ(Read(Out("ro.txt")), "old read-only content");
    EXPECT_EQ(Read(Out("long.txt")), "short");

    Extract(cab, out_);
    EXPECT_EQ(Read(Out("ro.txt")), "new");
    EXPECT_FALSE(platform::IsReadOnly(Out("ro.txt")));
}

TEST_F(CabReader, SetWithSpanningFilesIsExtractedComplete) {
    for (Compression c : {Compression::Stored, Compression::Mszip}) {
        SCOPED_TRACE(static_cast<int>(c));
        // Folder 0 runs over four blocks: "span" crosses from the first cabinet into the
        // second, "tail" lies wholly in the second; "huge" in folder 1 crosses into a third.
        std::vector<Entry> files = {
            {"head.txt", Pattern(20000, 2)},
            {"span.bin", Pattern(60000, 3)},
            {"dir\\tail.txt", Pattern(40000, 4)},
            {"huge.bin", Pattern(120000, 5), 0x5A21, 0x6000, 0x20, 1},
        };
        Layout layout;
        layout.compression = c;
        layout.blocksPerCabinet = {2, 3};
        layout.cabinetNames = {"set1.cab", "set2.cab", "set3.cab"};
        std::string first = PutSet(BuildSet(files, layout), layout.cabinetNames);
        Extract(first, out_);
        for (const Entry& e : files) {
            std::string rel = e.name == "dir\\tail.txt" ? "dir/tail.txt" : e.name;
            EXPECT_TRUE(HasContent(Out(rel), e.data)) << rel;
        }
        fs::remove_all(out_);

        // Started at the second cabinet, the first is joined in front to decode the folder
        // they share; the file that began there is only reported.
        TSTCabReader second;
        second.ExtractCabinet((root_ / "set2.cab").string(), out_, true);
        EXPECT_TRUE(HasContent(Out("dir/tail.txt"), files[2].data));
        EXPECT_TRUE(HasContent(Out("huge.bin"), files[3].data));
        EXPECT_FALSE(fs::exists(Out("span.bin")));
        fs::remove_all(out_);
    }
}

TEST_F(CabReader, ReportsEventsInTheOrderOfTheCabinetLibrary) {
    // "a.txt" fills folder 0; folder 1 goes on in the second cabinet, where "b.txt" lies.
    std::vector<Entry> files = {{"a.txt", "a"},
                                {"span.bin", Pattern(40000, 6), 0x5A21, 0x6000, 0x20, 1},
                                {"b.txt", "b", 0x5A21, 0x6000, 0x20, 1}};
    Layout layout;
    layout.blocksPerCabinet = {2};
    layout.cabinetNames = {"one.cab", "two.cab"};
    layout.diskNames = {"Disk A", "Disk B"};
    std::string first = PutSet(BuildSet(files, layout), layout.cabinetNames);
    const std::string dir = root_.string() + "/";

    std::vector<std::string> log;
    TSTCabReader r;
    r.OnCabinetInfo = [&](TSTCabReader&, const std::string& next, const std::string& disk,
                          const std::string& path, int set, int no, bool&) {
        log.push_back("info " + next + "|" + disk + "|" + (path == dir ? "dir" : path) + "|" +
                      std::to_string(set) + "|" + std::to_string(no));
    };
    r.OnCopyFile = [&](TSTCabReader&, const std::string& name, int64_t size, uint16_t, uint16_t,
                       uint16_t, int folder, std::string& dst, bool&) {
        log.push_back("copy " + name + "|" + std::to_string(size) + "|" + std::to_string(folder) +
                      "|" + (dst == Out(name) ? "out" : dst));
    };
    r.OnCloseFile = [&](TSTCabReader&, const std::string& name, uint16_t, uint16_t, uint16_t, int,
                        bool& exec, const std::string& dst, bool&) {
        log.push_back("close " + name + "|" + std::to_string(exec) + "|" +
                      (dst == Out(name) ? "out" : dst));
    };
    r.OnNextCabinet = [&](TSTCabReader&, const std::string& cab, const std::string& disk,
                          std::string& path, int error, bool&) {
        log.push_back("next " + cab + "|" + disk + "|" + (path == dir ? "dir" : path) + "|" +
                      std::to_string(error));
    };
    r.OnCopyPartialFile = [&](TSTCabReader&, const std::string& name, const std::string& cab,
                              const std::string& disk, const std::string& dst, bool&) {
        log.push_back("partial " + name + "|" + cab + "|" + disk + "|" + dst);
    };
    r.ExtractCabinet(first, out_, false);
    const std::vector<std::string> expected = {
        "info two.cab|Disk B|dir|19745|0",
        "copy a.txt|1|0|out",
        "close a.txt|0|out",
        "copy span.bin|40000|65534|out",
        "next two.cab|Disk B|dir|0",
        "info ||dir|19745|1",
        "close span.bin|0|out",
        "info ||dir|19745|1",
        "partial span.bin|one.cab|Disk A|",
        "copy b.txt|1|0|out",
        "close b.txt|0|out",
    };
    EXPECT_EQ(log, expected);
    EXPECT_TRUE(HasContent(Out("span.bin"), files[1].data));
}

TEST_F(CabReader, EventsRedirectSkipAndAbort) {
    std::string cab =
        Put("a.cab",
            BuildCabinet(
                {{"skip.txt", "1"}, {"move.txt", "2"}, {"stop.txt", "3"}, {"never.txt", "4"}}));
    TSTCabReader r;
    r.OnCopyFile = [&](TSTCabReader&, const std::string& name, int64_t, uint16_t, uint16_t,
                       uint16_t, int, std::string& dst, bool& abort) {
        if (name == "skip.txt") dst.clear();
        if (name == "move.txt") dst = root_.string() + "/moved/here.txt";
        abort = name == "stop.txt";
    };
    ESTCabinet e = ExtractError(r, cab, out_);
    EXPECT_EQ(e.ErrorCode, FDIERROR_USER_ABORT);
    EXPECT_EQ(Read(root_ / "moved/here.txt"), "2");
    EXPECT_EQ(Tree(), (std::set<std::string>{"a.cab", "moved", "moved/here.txt"}));
}

TEST_F(CabReader, FollowingCabinetMissingButNotNeededEndsQuietly) {
    // The cut falls between the folders, so nothing spans.
    std::vector<Entry> files = {{"one.txt", "1"}, {"two.txt", "2", 0x5A21, 0x6000, 0x20, 1}};
    Layout layout;
    layout.blocksPerCabinet = {1};
    auto set = BuildSet(files, layout);
    std::string first = Put("part1.cab", set[0]);
    Extract(first, out_);
    EXPECT_EQ(Read(Out("one.txt")), "1");
    EXPECT_FALSE(fs::exists(Out("two.txt")));
}

TEST_F(CabReader, FollowingCabinetNeededButMissingIsCabinetNotFound) {
    Layout layout;
    layout.blocksPerCabinet = {1};
    auto set = BuildSet({{"span.bin", Pattern(40000, 7)}}, layout);
    std::string first = Put("part1.cab", set[0]);
    ESTCabinet e = ExtractError(first, out_);
    EXPECT_EQ(e.ErrorCode, FDIERROR_CABINET_NOT_FOUND);
    EXPECT_EQ(std::string(e.what()).rfind("Cabinet not found [0x0001]", 0), 0u) << e.what();
    EXPECT_FALSE(fs::exists(Out("span.bin")));
    EXPECT_EQ(Tree(), (std::set<std::string>{"out", "part1.cab"}));
}

TEST_F(CabReader, FollowingCabinetFoundWithoutRegardToCaseAndByTheNextCabinetEvent) {
    std::vector<Entry> files = {{"span.bin", Pattern(70000, 8)}};
    Layout layout;
    layout.blocksPerCabinet = {1, 1};
    layout.cabinetNames = {"DISK1.CAB", "DISK2.CAB", "DISK3.CAB"};
    auto set = BuildSet(files, layout);
    std::string first = Put("disk1.cab", set[0]);
    Put("disk2.cab", set[1]);
    Put("elsewhere/DISK3.CAB", set[2]);
    TSTCabReader r;
    std::vector<int> errors;
    r.OnNextCabinet = [&](TSTCabReader&, const std::string&, const std::string&, std::string& path,
                          int error, bool&) {
        errors.push_back(error);
        if (error != 0) path = root_.string() + "/elsewhere";
    };
    r.ExtractCabinet(first, out_, false);
    EXPECT_TRUE(HasContent(Out("span.bin"), files[0].data));
    EXPECT_EQ(errors, (std::vector<int>{0, 0, FDIERROR_CABINET_NOT_FOUND}));

    // A compressed folder going on in a cabinet that is not beside this one: it is asked
    // for already with the first file of that folder, which lies wholly in this cabinet.
    std::vector<Entry> packed = {{"whole.txt", Pattern(32768, 12)},
                                 {"rest.bin", Pattern(40000, 13)}};
    layout.compression = Compression::Mszip;
    layout.blocksPerCabinet = {2};
    layout.cabinetNames = {"m1.cab", "m2.cab"};
    set = BuildSet(packed, layout);
    first = Put("m1.cab", set[0]);
    Put("elsewhere/m2.cab", set[1]);
    errors.clear();
    r.ExtractCabinet(first, out_, false);
    EXPECT_TRUE(HasContent(Out("whole.txt"), packed[0].data));
    EXPECT_TRUE(HasContent(Out("rest.bin"), packed[1].data));
    EXPECT_EQ(errors, (std::vector<int>{0, FDIERROR_CABINET_NOT_FOUND}));
}

TEST_F(CabReader, SetNamingAnEarlierCabinetAgainEnds) {
    // The second cabinet names the first as its successor.
    std::vector<Entry> files = {{"a.txt", "a"},
                                {"b.txt", "b", 0x5A21, 0x6000, 0x20, 1},
                                {"c.txt", "c", 0x5A21, 0x6000, 0x20, 2}};
    Layout layout;
    layout.blocksPerCabinet = {1, 1};
    layout.cabinetNames = {"loop1.cab", "loop2.cab", "loop1.cab"};
    auto set = BuildSet(files, layout);
    std::string first = Put("loop1.cab", set[0]);
    Put("loop2.cab", set[1]);
    Extract(first, out_);
    EXPECT_EQ(Read(Out("b.txt")), "b");
}

TEST_F(CabReader, BrokenCabinetsRaiseTheirCodes) {
    std::vector<Entry> files = {{"data.bin", Pattern(50000, 9)}};
    const std::string good = BuildCabinet(files);
    std::string badVersion = good;
    badVersion[25] = 2;
    std::string badMethod = good;
    badMethod[36 + 6] = 7;  // typeCompress of the first folder
    struct Row {
        const char* name;
        std::string bytes;
        int code;
    };
    const Row rows[] = {
        {"text file", "[Version]\r\nSignature=$Windows NT$\r\n", FDIERROR_NOT_A_CABINET},
        {"empty file", "", FDIERROR_NOT_A_CABINET},
        {"cut in the header", good.substr(0, 20), FDIERROR_CORRUPT_CABINET},
        {"cut in the file table", good.substr(0, 50), FDIERROR_CORRUPT_CABINET},
        {"cut in the data", good.substr(0, good.size() - 100), FDIERROR_CORRUPT_CABINET},
        {"unknown version", badVersion, FDIERROR_UNKNOWN_CABINET_VERSION},
        {"unknown compression", badMethod, FDIERROR_BAD_COMPR_TYPE},
    };
    for (const Row& r : rows) {
        std::string cab = Put("bad.cab", r.bytes);
        ESTCabinet e = ExtractError(cab, out_);
        EXPECT_EQ(e.ErrorCode, r.code) << r.name;
        EXPECT_EQ(std::string(e.what()), ESTCabinet::BuildMessage(r.code, 0, true, false))
            << r.name;
        EXPECT_FALSE(fs::exists(Out("data.bin"))) << r.name;
    }
    EXPECT_EQ(std::string(ExtractError(Put("t.cab", "hello"), out_).what()),
              "Cabinet file does not have the correct format [0x0002]");
    EXPECT_EQ(std::string(ExtractError(Put("c.cab", good.substr(0, good.size() - 1)), out_).what()),
              "Cabinet file is corrupt [0x0004]");
    ESTCabinet missing = ExtractError((root_ / "none.cab").string(), out_);
    EXPECT_EQ(std::string(missing.what()),
              "Cabinet not found [0x0001].\r\nNo such file or directory [0x0002].");
    EXPECT_EQ(ExtractError(root_.string(), out_).ErrorCode, FDIERROR_CABINET_NOT_FOUND);
}

TEST_F(CabReader, FailureInAFileLeavesItsExistingTargetAlone) {
    fs::create_directories(out_);
    Put("out/first.txt", "old first");
    Put("out/data.bin", "old data");
    std::string good = BuildCabinet({{"first.txt", "new first"}, {"data.bin", Pattern(70000, 10)}});
    // The last block is cut short: the first file completes, the second cannot.
    std::string cab = Put("cut.cab", good.substr(0, good.size() - 10));
    EXPECT_EQ(ExtractError(cab, out_).ErrorCode, FDIERROR_CORRUPT_CABINET);
    EXPECT_EQ(Read(Out("first.txt")), "new first");
    EXPECT_EQ(Read(Out("data.bin")), "old data");
    EXPECT_EQ(Tree(), (std::set<std::string>{"cut.cab", "out", "out/data.bin", "out/first.txt"}));
}

// A failure at any step of writing a file (the disk full, failing or refusing) leaves its
// existing target whole and no temporary file, and the error names the file and the reason.
TEST_F(CabReader, AFailureAtEveryStepOfAFilesWriteLeavesItsTargetWhole) {
    fs::create_directories(out_);
    Put("out/x.txt", "old");
    const std::string cab = Put("a.cab", BuildCabinet({{"x.txt", "new content"}}));
    std::string text;
    const int steps = FailEveryStep(
        {ENOSPC, EIO, EACCES},
        [&] {
            text.clear();
            try {
                Extract(cab, out_);
            } catch (const ESTCabinet& e) {
                text = e.what();
            }
        },
        [&](int code, int nth) {
            EXPECT_NE(text.find(Out("x.txt")), std::string::npos) << text;
            EXPECT_NE(text.find(std::strerror(code)), std::string::npos) << text;
            EXPECT_EQ(Read(Out("x.txt")), "old") << nth;
            EXPECT_EQ(Tree(), (std::set<std::string>{"a.cab", "out", "out/x.txt"})) << nth;
        },
        [&] {
            EXPECT_EQ(text, "");
            Put("out/x.txt", "old");
        });
    EXPECT_EQ(steps, 3 * 4);  // temporary file, write, close, rename
}

TEST_F(CabReader, UnwritableTargetIsTargetFileError) {
    fs::create_directories(out_);
    Put("out/taken", "a file where a folder is needed");
    std::string cab = Put("a.cab", BuildCabinet({{"taken\\x.txt", "x"}}));
    ESTCabinet e = ExtractError(cab, out_);
    EXPECT_EQ(e.ErrorCode, FDIERROR_TARGET_FILE);
    EXPECT_NE(e.OsCode, 0);
    EXPECT_NE(std::string(e.what()).find("taken/x.txt"), std::string::npos) << e.what();
}

TEST_F(CabReader, ADanglingLinkInTheWayIsNamedNotReportedAsAnExistingFile) {
    fs::create_directories(out_);
    fs::create_directory_symlink(Out("missing"), Out("link"));
    std::string cab = Put("a.cab", BuildCabinet({{"link\\x.txt", "x"}}));
    ESTCabinet e = ExtractError(cab, out_);
    EXPECT_EQ(e.ErrorCode, FDIERROR_TARGET_FILE);
    const std::string text = e.what();
    EXPECT_EQ(text.find("File exists"), std::string::npos) << text;
    EXPECT_NE(text.find("\"" + Out("link") + "\" is a symbolic link to \"" + Out("missing") +
                        "\", which does not exist"),
              std::string::npos)
        << text;
    EXPECT_EQ(Tree(), (std::set<std::string>{"a.cab", "out", "out/link"}));
}

TEST_F(CabReader, NamesLeadingOutsideTheDestinationAreRefused) {
    const std::string outside = root_.string() + "/outside.txt";
    const std::vector<std::string> names = {
        "..\\outside.txt",     "../outside.txt", "sub\\..\\..\\outside.txt",
        "\\outside.txt",       outside,          "C:\\outside.txt",
        "c:outside.txt",       "sub/./../x.txt", ".",
        "\\\\server\\share\\x"};
    for (const std::string& name : names) {
        std::string cab = Put("evil.cab", BuildCabinet({{"good.txt", "good"}, {name, "evil"}}));
        ESTCabinet e = ExtractError(cab, out_);
        EXPECT_EQ(e.ErrorCode, FDIERROR_TARGET_FILE) << name;
        EXPECT_NE(std::string(e.what()).find("\"" + name + "\""), std::string::npos) << e.what();
        EXPECT_EQ(Tree(), (std::set<std::string>{"evil.cab", "out", "out/good.txt"})) << name;
        fs::remove_all(out_);
    }
    // A folder of the destination that links elsewhere does not carry files out either.
    fs::create_directories(out_);
    fs::create_directories(root_ / "elsewhere");
    fs::create_directory_symlink(root_ / "elsewhere", Out("link"));
    std::string cab = Put("evil.cab", BuildCabinet({{"link\\x.txt", "evil"}}));
    EXPECT_EQ(ExtractError(cab, out_).ErrorCode, FDIERROR_TARGET_FILE);
    EXPECT_TRUE(fs::is_empty(root_ / "elsewhere"));
}

TEST_F(CabReader, NamesInTheAnsiCodePageAndInUtf8) {
    // The tests run under ja_JP, whose ANSI code page is 932; 0x5C inside "表" is no separator.
    std::string cab =
        Put("ja.cab", BuildCabinet({{"\x95\x5C\\\x83\x65.txt", "sjis"},
                                    {"\xE8\xA1\xA8-utf8.txt", "utf8", 0x5A21, 0x6000, 0x80, 0}}));
    Extract(cab, out_);
    EXPECT_EQ(Read(Out("\xE8\xA1\xA8/\xE3\x83\x86.txt")), "sjis");
    EXPECT_EQ(Read(Out("\xE8\xA1\xA8-utf8.txt")), "utf8");
}

TEST_F(CabReader, FileSpanningThreeOrMoreCabinetsExtractsTheWholeSet) {
    // The middle cabinets hold nothing but a piece of "span.bin", and every cut falls inside
    // a data block, so each cabinet ends and starts with half a compressed block.
    struct Row {
        Compression compression;
        std::vector<size_t> blocks;
        size_t spanSize;
    };
    const Row rows[] = {
        {Compression::Stored, {2, 1}, 100000},
        {Compression::Mszip, {2, 1}, 100000},
        {Compression::Stored, {2, 1, 1}, 130000},
        {Compression::Mszip, {2, 1, 1}, 130000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.blocks.size() + 1) + " cabinets, compression " +
                     std::to_string(static_cast<int>(row.compression)));
        std::vector<Entry> files = {
            {"other.txt", "a folder of its own", 0x5A21, 0x6000, 0x20, 0},
            {"head.txt", Pattern(20000, 21), 0x5A21, 0x6000, 0x20, 1},
            {"span.bin", Pattern(row.spanSize, 22), 0x5A21, 0x6000, 0x20, 1},
            {"dir\\tail.txt", Pattern(30000, 23), 0x5A21, 0x6000, 0x20, 1},
        };
        Layout layout;
        layout.compression = row.compression;
        // The first cabinet's own folder takes a block too.
        layout.blocksPerCabinet = row.blocks;
        layout.blocksPerCabinet[0] += 1;
        for (size_t k = 0; k <= row.blocks.size(); ++k) {
            layout.cabinetNames.push_back("multi" + std::to_string(k + 1) + ".cab");
        }
        std::string first = PutSet(BuildSet(files, layout), layout.cabinetNames);
        try {
            Extract(first, out_);
        } catch (const ESTCabinet& e) {
            ADD_FAILURE() << e.what();
        }
        for (const Entry& e : files) {
            std::string rel = e.name == "dir\\tail.txt" ? "dir/tail.txt" : e.name;
            EXPECT_TRUE(HasContent(Out(rel), e.data)) << rel;
        }
        fs::remove_all(out_);
    }
}

TEST_F(CabReader, FilesStartingInACabinetThatAnEarlierFileRunsThroughAreNotSkipped) {
    // "f1" runs from the first cabinet through the second into the third; "f2" and "f3"
    // start in the second. The set went on with the third and left them out, reporting success.
    std::vector<Entry> files;
    for (int i = 0; i < 5; ++i) files.push_back({"f" + std::to_string(i), Pattern(20424, 40 + i)});
    for (Compression c : {Compression::Stored, Compression::Mszip}) {
        SCOPED_TRACE(static_cast<int>(c));
        Layout layout;
        layout.compression = c;
        layout.blocksPerCabinet = {1, 1};
        layout.cabinetNames = {"run1.cab", "run2.cab", "run3.cab"};
        Extract(PutSet(BuildSet(files, layout), layout.cabinetNames), out_);
        for (const Entry& e : files) EXPECT_TRUE(HasContent(Out(e.name), e.data)) << e.name;
        fs::remove_all(out_);
    }
}

// vrnx2-cli extract, run as a program.

#include <cstdlib>
#include <vector>

#include "CabFixture.h"
#include "tests/support/ChildProcess.h"

class ExtractCommand : public CabFixture {
protected:
    ChildRun Cli(std::vector<std::string> args) {
        const char* bin = std::getenv("TEST_BIN_DIR");
        std::string program = std::string(bin ? bin : ".") + "/vrnx2-cli";
        args.insert(args.begin(), {program, "extract"});
        return RunChild(args, root_);
    }
};

TEST_F(ExtractCommand, ExtractsASetAndReportsCabinetErrors) {
    std::vector<cabtest::Entry> files = {{"Plugin\\a.inf", "[PEBuilder]"},
                                         {"span.bin", Pattern(50000, 11)}};
    cabtest::Layout layout;
    layout.compression = cabtest::Compression::Mszip;
    layout.blocksPerCabinet = {1};
    layout.cabinetNames = {"p1.cab", "p2.cab"};
    std::string first = PutSet(cabtest::BuildSet(files, layout), layout.cabinetNames);

    ChildRun ok = Cli({first, out_});
    EXPECT_EQ(ok.exitCode, 0) << ok.err;
    EXPECT_EQ(Read(Out("Plugin/a.inf")), "[PEBuilder]");
    EXPECT_TRUE(HasContent(Out("span.bin"), files[1].data));

    ChildRun notCab = Cli({Put("x.cab", "not a cabinet at all"), out_});
    EXPECT_EQ(notCab.exitCode, 1);
    EXPECT_EQ(notCab.err, "Cabinet file does not have the correct format [0x0002]\n");

    ChildRun missing = Cli({(root_ / "none.cab").string(), out_});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "Cabinet not found [0x0001].\nNo such file or directory [0x0002].\n");

    ChildRun evil = Cli({Put("evil.cab", cabtest::BuildCabinet({{"..\\evil.txt", "x"}})), out_});
    EXPECT_EQ(evil.exitCode, 1);
    EXPECT_NE(evil.err.find("\"..\\evil.txt\""), std::string::npos) << evil.err;
    EXPECT_FALSE(fs::exists(root_ / "evil.txt"));

    EXPECT_EQ(Cli({first}).exitCode, 2);
}

TEST_F(ExtractCommand, AnEmptyFolderArgumentDoesNotUnpackIntoTheCurrentFolder) {
    std::string cab = Put("a.cab", cabtest::BuildCabinet({{"stray.txt", "x"}}));
    EXPECT_EQ(Cli({cab, ""}).exitCode, 2);
    EXPECT_FALSE(fs::exists("stray.txt"));
    EXPECT_EQ(Tree(), (std::set<std::string>{"a.cab"}));
}

namespace {

// A cabinet header announcing `folders` folders (without data) and no files at all.
std::string EmptyCabinet(uint16_t folders) {
    std::string b;
    auto put = [&b](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    const uint32_t headerSize = 36, total = headerSize + 8u * folders;
    b = "MSCF";
    put(0, 4), put(total, 4), put(0, 4), put(total, 4), put(0, 4);  // files would start at the end
    put(3, 1), put(1, 1), put(folders, 2), put(0, 2), put(0, 2), put(0x1234, 2), put(0, 2);
    for (uint16_t f = 0; f < folders; ++f) put(total, 4), put(0, 2), put(0, 2);
    return b;
}

}  // namespace

TEST_F(ExtractCommand, AnEmptyCabinetIsNotReportedCorruptAndStillMakesTheFolder) {
    for (uint16_t folders : {0, 1}) {
        std::string cab = Put("empty" + std::to_string(folders) + ".cab", EmptyCabinet(folders));
        ChildRun run = Cli({cab, out_ + "/sub" + std::to_string(folders)});
        EXPECT_EQ(run.exitCode, 0) << folders << " folders: " << run.err;
        EXPECT_EQ(run.err, "");
    }
    EXPECT_EQ(Tree(),
              (std::set<std::string>{"empty0.cab", "empty1.cab", "out", "out/sub0", "out/sub1"}));

    // A folder that cannot be made is an error, not a silent success.
    Put("file", "a file where the folder should be");
    ChildRun blocked = Cli({(root_ / "empty0.cab").string(), (root_ / "file" / "sub").string()});
    EXPECT_EQ(blocked.exitCode, 1);
    EXPECT_NE(blocked.err.find("file/sub"), std::string::npos) << blocked.err;
}

// The optical drive list, read from a system tree made for each test.

#include "vrnx2/settings/Drives.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace vrnx2;

namespace fs = std::filesystem;

namespace {

class FakeSystem : public ::testing::Test {
protected:
    FakeSystem() {
        std::string tmpl = (fs::temp_directory_path() / "drives-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        root_ = tmpl;
        fs::create_directories(root_ / "sys" / "block");
    }
    ~FakeSystem() override { fs::remove_all(root_); }

    // A block device whose device link ends in `scsiName` (none when empty), with the
    // padded vendor and model texts the kernel reports.
    void AddBlock(const std::string& name, const std::string& scsiName,
                  const std::string& vendor = "", const std::string& model = "") {
        const fs::path dir = root_ / "sys" / "block" / name;
        fs::create_directories(dir);
        if (scsiName.empty()) return;
        const fs::path device = root_ / "sys" / "devices" / "host" / scsiName;
        fs::create_directories(device);
        if (!vendor.empty()) std::ofstream(device / "vendor") << vendor << "\n";
        if (!model.empty()) std::ofstream(device / "model") << model << "\n";
        fs::create_directory_symlink("../../devices/host/" + scsiName, dir / "device");
    }
    void WriteCdromInfo(const std::string& text) {
        fs::create_directories(root_ / "proc" / "sys" / "dev" / "cdrom");
        std::ofstream(root_ / "proc" / "sys" / "dev" / "cdrom" / "info") << text;
    }
    std::vector<std::string> Texts(const DriveHolder& list) const {
        std::vector<std::string> out;
        for (int i = 0; i < list.Count(); ++i) out.push_back(list.Text(i));
        return out;
    }

    fs::path root_;
};

TEST(ScsiAddress, OnlyFourDecimalNumbersAreAnAddress) {
    const auto a = ParseScsiAddress("2:0:1:3");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->host, 2u);
    EXPECT_EQ(a->channel, 0u);
    EXPECT_EQ(a->target, 1u);
    EXPECT_EQ(a->lun, 3u);
    for (const char* bad : {"", "1:0:0", "1:0:0:0:0", "1:0:x:0", "1::0:0", "-1:0:0:0", "1:0:0:0 ",
                            "ata1", "99999999999:0:0:0"})
        EXPECT_FALSE(ParseScsiAddress(bad)) << bad;
}

TEST_F(FakeSystem, DrivesGetTheirAddressCaptionAndEntryText) {
    AddBlock("sr0", "1:0:0:0", "HL-DT-ST", "DVDRAM GH24NSD1 ");
    AddBlock("sr1", "257:0:2:0", "A", "B");
    AddBlock("sda", "0:0:0:0", "ATA", "Disk");  // not an optical drive
    DriveHolder list;
    QueryOpticalDrives(list, root_);
    ASSERT_EQ(list.Count(), 2);
    const TCDDriverec* rec = GetDriveRec(list, 0);
    EXPECT_EQ(rec->Drive, "/dev/sr0");
    EXPECT_EQ(rec->Caption, "HL-DT-ST DVDRAM GH24NSD1");
    EXPECT_EQ(rec->ScsiPort, 1);
    EXPECT_EQ(rec->ScsiTargetId, 0);
    EXPECT_EQ(rec->ScsiLogicalUnit, 0);
    EXPECT_EQ(rec->Address, "1,0,0");
    EXPECT_EQ(list.Text(0), "(/dev/sr0) HL-DT-ST DVDRAM GH24NSD1");

    // Host numbers grow past 255 as devices come and go; cut to a byte, 257 would be host 1.
    EXPECT_EQ(GetDriveRec(list, 1)->ScsiPort, 1);
    EXPECT_EQ(GetDriveRec(list, 1)->Address, "257,2,0");
}

TEST_F(FakeSystem, ADriveWithoutScsiAddressGets255ForEachNumber) {
    AddBlock("sr0", "");
    DriveHolder list;
    QueryOpticalDrives(list, root_);
    ASSERT_EQ(list.Count(), 1);
    const TCDDriverec* rec = GetDriveRec(list, 0);
    EXPECT_EQ(rec->ScsiPort, 255);
    EXPECT_EQ(rec->ScsiTargetId, 255);
    EXPECT_EQ(rec->ScsiLogicalUnit, 255);
    EXPECT_EQ(rec->Address, "255,255,255");
    EXPECT_EQ(list.Text(0), "(/dev/sr0) ");
}

TEST_F(FakeSystem, DrivesAreOrderedByNumberAndTheCdromTableAddsOtherDrivers) {
    AddBlock("sr10", "10:0:0:0");
    AddBlock("sr2", "2:0:0:0");
    AddBlock("sr0", "0:0:0:0");
    WriteCdromInfo(
        "CD-ROM information, Id: cdrom.c 3.20 2003/12/17\n\n"
        "drive name:\t\tsr10\tsr2\tsr0\thdc\t../../etc\n"
        "drive speed:\t\t24\t24\t24\t8\n");
    DriveHolder list;
    QueryOpticalDrives(list, root_);
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"(/dev/hdc) ", "(/dev/sr0) ", "(/dev/sr2) ",
                                                     "(/dev/sr10) "}));
    EXPECT_EQ(GetDriveRec(list, 0)->Address, "255,255,255");
}

TEST_F(FakeSystem, AQueryReplacesTheListInsteadOfAddingToIt) {
    AddBlock("sr0", "1:0:0:0");
    DriveHolder list;
    AddDriveRec(list, "stale", TCDDriverec{});
    QueryOpticalDrives(list, root_);
    QueryOpticalDrives(list, root_);
    EXPECT_EQ(Texts(list), std::vector<std::string>{"(/dev/sr0) "});

    fs::remove_all(root_ / "sys");  // a system that reports nothing
    QueryOpticalDrives(list, root_);
    EXPECT_EQ(list.Count(), 0);
}

}  // namespace

// CD images as a profile's source: reading them (Joliet, Rock Ridge, damaged ones), the
// cache they are unpacked into, and whole builds from an image with the stand-in builder.

#include "vrnx2/build/SourceImage.h"

#include <archive.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <map>
#include <random>

#include "tests/support/IsoImage.h"
#include "tests/support/ScriptedInterface.h"
#include "tests/support/TempTree.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/OwnTexts.h"
#include "vrnx2/base/TerminalInterface.h"
#include "vrnx2/build/BuildRun.h"
#include "vrnx2/build/ImageCache.h"
#include "vrnx2/settings/Store.h"

using namespace vrnx2;
namespace fs = std::filesystem;

namespace {

// Every file below `root`: relative name -> content.
std::map<std::string, std::string> TreeOf(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file())
            files[fs::relative(e.path(), root).string()] = ReadAll(e.path().string());
    return files;
}

std::string RandomBytes(size_t size) {
    std::mt19937 gen(20);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(gen());
    return bytes;
}

void Overwrite(const std::string& file, long offset, char byte) {
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(offset);
    f.put(byte);
}

// Where the directory records of a file start in `bytes`: its ISO 9660 record, then its
// Joliet record (the name starts at byte 33 of a record).
std::vector<size_t> Records(const std::string& bytes, const std::string& isoName,
                            const std::string& jolietName) {
    std::string utf16;
    for (char c : jolietName) utf16 += std::string{'\0', c};
    std::vector<size_t> records;
    for (const std::string& name : {isoName, utf16}) {
        const size_t at = bytes.find(name);
        if (at != std::string::npos) records.push_back(at - 33);
    }
    return records;
}

// A 32-bit number in both byte orders at `at`, as directory records hold them.
void PutBothEndian(std::string& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<char>(value >> (8 * i));
        bytes[at + 7 - i] = static_cast<char>(value >> (8 * i));
    }
}

// Gives a file's records another size, as a damaged image may state one.
void SetRecordedSize(const std::string& image, const std::string& isoName,
                     const std::string& jolietName, uint32_t size) {
    std::string bytes = ReadAll(image);
    const auto records = Records(bytes, isoName, jolietName);
    ASSERT_EQ(records.size(), 2u) << isoName;
    for (size_t r : records) PutBothEndian(bytes, r + 10, size);
    std::ofstream(image, std::ios::binary | std::ios::trunc) << bytes;
}

// Points the second file's records at the first one's data, as images made with duplicate
// files stored once do.
void ShareData(const std::string& image, const std::string& iso1, const std::string& joliet1,
               const std::string& iso2, const std::string& joliet2) {
    std::string bytes = ReadAll(image);
    const auto from = Records(bytes, iso1, joliet1);
    const auto to = Records(bytes, iso2, joliet2);
    ASSERT_EQ(from.size(), 2u);
    ASSERT_EQ(to.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + from[i] + 2);
        PutBothEndian(bytes, to[i] + 2, p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24);
    }
    std::ofstream(image, std::ios::binary | std::ios::trunc) << bytes;
}

// What a Windows CD holds, in the shapes that trouble readers: case, long and Japanese
// names, folders deeper than ISO 9660's eight levels, a file of several megabytes.
void LayOutWindowsCd(const TempTree& t, const std::string& dir) {
    t.Write(dir + "/I386/SHELL32.DL_", "compressed shell32");
    t.Write(dir + "/I386/System32/Mixed.Case.Name.Dll", "mixed");
    t.Write(dir + "/Long folder name with blanks/a file name longer than the eight dot three.txt",
            "long");
    t.Write(dir + "/日本語/セットアップ情報.inf", "[Version]\r\n");
    t.Write(dir + "/a/b/c/d/e/f/g/h/i/j/deep.txt", "deep");
    t.Write(dir + "/DRIVERS/big.cab", RandomBytes(5 * 1024 * 1024 + 123));
    t.Write(dir + "/empty.txt", "");
}

class SourceImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        LayOutWindowsCd(t, "cd");
        cache.directory = t.Path("cache");
    }

    std::string Image(bool rockRidge = false, const std::string& name = "win.iso") {
        const std::string image = t.Path(name);
        const std::string error = MakeIsoImage(t.Path("cd"), image, rockRidge);
        EXPECT_EQ(error, "");
        return image;
    }

    std::vector<std::string> CacheFolderNames() const {
        std::vector<std::string> names;
        if (fs::exists(cache.directory))
            for (const auto& e : fs::directory_iterator(cache.directory))
                names.push_back(e.path().filename().string());
        return names;
    }

    TempTree t;
    ImageCacheSettings cache;
};

class ImageNamesTest : public SourceImageTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ImageNamesTest, EveryFileComesOutWithItsNameAndContent) {
    const std::string image = Image(GetParam());
    ASSERT_TRUE(IsDiscImage(image));
    ImageSummary summary;
    std::string error;
    ASSERT_TRUE(ScanImage(image, summary, &error)) << error;
    EXPECT_EQ(summary.files, 7u);
    EXPECT_TRUE(summary.hasShell32);
    EXPECT_GE(summary.diskBytes, summary.bytes);

    t.Mkdir("out");
    std::vector<std::string> seen;
    ASSERT_EQ(UnpackImage(
                  image, t.Path("out"),
                  [&](const std::string& name, uint64_t) {
                      seen.push_back(name);
                      return true;
                  },
                  &error),
              UnpackResult::Done)
        << error;
    EXPECT_EQ(TreeOf(t.Path("out")), TreeOf(t.Path("cd")));
    EXPECT_NE(std::find(seen.begin(), seen.end(), "DRIVERS/big.cab"), seen.end());
}

INSTANTIATE_TEST_SUITE_P(JolietAndRockRidge, ImageNamesTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "RockRidge" : "JolietOnly"; });

TEST_F(SourceImageTest, WhatIsNotASoundImageIsRefusedBeforeUnpacking) {
    const std::string text = t.Write("notes.iso", std::string(40000, 'x'));
    EXPECT_FALSE(IsDiscImage(text));
    EXPECT_FALSE(IsDiscImage(t.Path("cd")));
    EXPECT_EQ(CheckImageSource(text, true, cache).refusal, ImageRefusal::NotAnImage);

    // Cut after its directories, before the big file's data ends.
    const std::string image = Image();
    const std::string cut = t.Write("cut.iso", ReadAll(image).substr(0, fs::file_size(image) / 2));
    ImageSummary summary;
    std::string error;
    EXPECT_FALSE(ScanImage(cut, summary, &error));
    EXPECT_NE(error, "");
    const ImageSource refused = CheckImageSource(cut, true, cache);
    EXPECT_EQ(refused.refusal, ImageRefusal::Damaged);
    EXPECT_NE(refused.detail, "");

    // A file said to reach past the end of the volume.
    const std::string overlong = Image(false, "overlong.iso");
    SetRecordedSize(overlong, "BIG.CAB;1", "big.cab", 0x7FFFF000);
    EXPECT_EQ(CheckImageSource(overlong, true, cache).refusal, ImageRefusal::Damaged);
    t.Mkdir("out");
    EXPECT_EQ(UnpackImage(overlong, t.Path("out"), {}, &error), UnpackResult::Failed);

    fs::remove(t.Path("cd/I386/SHELL32.DL_"));
    const std::string noShell = Image(false, "noshell.iso");
    EXPECT_EQ(CheckImageSource(noShell, true, cache).refusal, ImageRefusal::NoShell32);
    EXPECT_EQ(CheckImageSource(noShell, false, cache).refusal, ImageRefusal::None)
        << "an image-only run does not need the source's files";

    cache.freeBytes = [](const std::string&) { return uint64_t{1024 * 1024}; };
    const ImageSource full = CheckImageSource(image, true, cache);
    EXPECT_EQ(full.refusal, ImageRefusal::NoSpace);
    EXPECT_EQ(full.freeBytes, 1024u * 1024u);
    EXPECT_TRUE(CacheFolderNames().empty()) << "nothing is written for a refused image";
}

TEST_F(SourceImageTest, FilesSharingTheirDataAreUnpackedAsLinks) {
    t.Write("cd/I386/TWIN1.DL_", "first twin");
    t.Write("cd/I386/TWIN2.DL_", "other twin");
    const std::string image = Image();
    ShareData(image, "TWIN1.DL_;1", "TWIN1.DL_", "TWIN2.DL_;1", "TWIN2.DL_");
    ImageSummary summary;
    std::string error;
    ASSERT_TRUE(ScanImage(image, summary, &error)) << error;
    EXPECT_EQ(summary.files, 9u);
    t.Mkdir("out");
    ASSERT_EQ(UnpackImage(image, t.Path("out"), {}, &error), UnpackResult::Done) << error;
    EXPECT_EQ(ReadAll(t.Path("out/I386/TWIN1.DL_")), "first twin");
    EXPECT_EQ(ReadAll(t.Path("out/I386/TWIN2.DL_")), "first twin");
    EXPECT_TRUE(fs::equivalent(t.Path("out/I386/TWIN1.DL_"), t.Path("out/I386/TWIN2.DL_")));
    uint64_t stored = 0;
    for (const auto& [name, content] : TreeOf(t.Path("cd"))) stored += content.size();
    EXPECT_EQ(summary.bytes, stored - 10) << "shared data counts once";
}

TEST_F(SourceImageTest, ReservedBytesThatLibarchiveRejectsAreReadAsZeros) {
    const std::string image = Image();
    // The primary volume descriptor's last reserved field, as some Windows CDs carry it.
    Overwrite(image, 16 * 2048 + 1400, 'W');
    archive* plain = archive_read_new();
    archive_read_support_format_iso9660(plain);
    EXPECT_NE(archive_read_open_filename(plain, image.c_str(), 10240), ARCHIVE_OK)
        << "libarchive alone accepts the patched image; the test no longer shows the problem";
    archive_read_free(plain);

    ImageSummary summary;
    std::string error;
    ASSERT_TRUE(ScanImage(image, summary, &error)) << error;
    t.Mkdir("out");
    ASSERT_EQ(UnpackImage(image, t.Path("out"), {}, &error), UnpackResult::Done) << error;
    EXPECT_EQ(TreeOf(t.Path("out")), TreeOf(t.Path("cd")));
}

TEST_F(SourceImageTest, UnpackedOnceAndAgainOnlyWhenTheImageChanges) {
    const std::string image = Image();
    ImageSource first = CheckImageSource(image, true, cache);
    ASSERT_EQ(first.refusal, ImageRefusal::None);
    EXPECT_FALSE(first.unpacked);
    std::string error;
    ASSERT_EQ(UnpackImageSource(first, {}, cache, &error), UnpackResult::Done) << error;
    EXPECT_EQ(TreeOf(first.folder), TreeOf(t.Path("cd")));
    EXPECT_EQ(CachedImageFolder(image, cache), first.folder);

    int calls = 0;
    ImageSource second = CheckImageSource(image, true, cache);
    EXPECT_TRUE(second.unpacked);
    EXPECT_EQ(second.folder, first.folder);
    ASSERT_EQ(
        UnpackImageSource(
            second, [&](const std::string&, uint64_t) { return ++calls, true; }, cache, &error),
        UnpackResult::Done);
    EXPECT_EQ(calls, 0) << "an unchanged image is not unpacked again";

    // Same size, another time: unpacked again, and the old entry goes.
    Overwrite(t.Path("cd/I386/SHELL32.DL_"), 0, 'C');
    ASSERT_EQ(MakeIsoImage(t.Path("cd"), image), "");
    ImageSource third = CheckImageSource(image, true, cache);
    EXPECT_FALSE(third.unpacked);
    ASSERT_EQ(UnpackImageSource(third, {}, cache, &error), UnpackResult::Done) << error;
    EXPECT_EQ(ReadAll(third.folder + "/I386/SHELL32.DL_"), "Compressed shell32");
    EXPECT_EQ(CacheFolderNames().size(), 1u);
    const auto list = ListImageCache(cache);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].image, image);
    EXPECT_TRUE(list[0].current);
    EXPECT_GT(list[0].bytes, 5u * 1024 * 1024);

    ASSERT_TRUE(ClearImageCache(cache, &error)) << error;
    EXPECT_TRUE(ListImageCache(cache).empty());
    EXPECT_EQ(CachedImageFolder(image, cache), "");
}

TEST_F(SourceImageTest, CancelledOrFailedUnpackLeavesNoEntry) {
    const std::string image = Image();
    ImageSource source = CheckImageSource(image, true, cache);
    std::string error;
    EXPECT_EQ(
        UnpackImageSource(
            source, [](const std::string& name, uint64_t) { return name != "DRIVERS/big.cab"; },
            cache, &error),
        UnpackResult::Cancelled);
    EXPECT_TRUE(CacheFolderNames().empty());
    EXPECT_EQ(CachedImageFolder(image, cache), "");

    // Cut after it was checked: the unpack fails, and nothing half-made is kept.
    fs::resize_file(image, fs::file_size(image) / 2);
    EXPECT_EQ(UnpackImageSource(source, {}, cache, &error), UnpackResult::Failed);
    EXPECT_NE(error, "");
    EXPECT_TRUE(CacheFolderNames().empty());
}

TEST_F(SourceImageTest, OlderImagesGoBeyondTheLimitAndAbandonedUnpacksAreCleared) {
    const std::string a = Image(false, "a.iso");
    const std::string b = Image(false, "b.iso");
    fs::create_directories(cache.directory + "/.unpack-999999999-dead-0000");
    cache.limitBytes = 7 * 1024 * 1024;  // one image fits, two do not
    std::string error;
    for (const std::string& image : {a, b}) {
        ImageSource s = CheckImageSource(image, true, cache);
        ASSERT_EQ(UnpackImageSource(s, {}, cache, &error), UnpackResult::Done) << error;
    }
    const auto list = ListImageCache(cache);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].image, b);
    EXPECT_EQ(CacheFolderNames().size(), 1u) << "the killed unpack's folder is gone";
}

TEST_F(SourceImageTest, ConsoleProgressIsOneLineOnATerminalAndTwoLinesElsewhere) {
    for (bool terminal : {true, false}) {
        char* text = nullptr;
        size_t size = 0;
        std::FILE* out = open_memstream(&text, &size);
        {
            TerminalInterface ui(false, nullptr, out, false);
            ui.SetProgressOnTerminal(terminal);
            ui.BeginProgress("Unpacking win.iso", 1000);
            EXPECT_TRUE(ui.Progress("I386/SHELL32.DL_", 500));
            EXPECT_TRUE(ui.Progress("I386/OTHER.DL_", 600));
            ui.EndProgress(true);
        }
        std::fclose(out);
        const std::string shown(text, size);
        std::free(text);
        if (terminal) {
            EXPECT_NE(shown.find("\rUnpacking win.iso: 50% I386/SHELL32.DL_\x1b[K"),
                      std::string::npos);
            EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), 1) << shown;
        } else {
            EXPECT_EQ(shown, "Unpacking win.iso ...\nUnpacking win.iso: 100%\n");
        }
    }
}

// Whole runs with the native stand-in builder.
class ImageBuildTest : public SourceImageTest {
protected:
    void SetUp() override {
        SourceImageTest::SetUp();
        MessageTable::Instance().LoadBuiltIn();
        RegDeleteKey(0, kVarnexKey);
        ::unsetenv("PEBUILDER_OUTCOME");
        ::setenv("PEBUILDER_TRACE", t.Path("trace.txt").c_str(), 1);
        fs::create_directories(t.Path("builder/out"));
        fs::copy_file(std::string(std::getenv("TEST_BIN_DIR")) + "/pebuilder",
                      t.Path("builder/pebuilder.exe"));
        t.Mkdir("prog");
        p = StandInProfile(t, "Stand-in");
        p.BuildParameter = "-auto -exit";
        p.ISOBuildParameter = "-auto -exit";
        env.programDir = t.Path("prog");
        env.imageCache = cache;
    }

    BuildResult Build(const std::string& source) {
        p.Source = source;
        ui.QueueAnswer(ID_YES);
        return RunBuild(BuildMode::Basic, p, {}, env);
    }

    ScriptedInterface ui;
    TProfileRec p;
    BuildEnvironment env;
};

TEST_F(ImageBuildTest, BuildsFromTheUnpackedImageAndReusesIt) {
    const std::string image = Image(true);
    BuildResult r = Build(image);
    ASSERT_TRUE(r.Succeeded()) << (ui.boxes.empty() ? "" : ui.boxes.back().text);
    EXPECT_TRUE(r.imageUnpacked);
    const std::string folder = CachedImageFolder(image, cache);
    ASSERT_NE(folder, "");
    EXPECT_NE(ReadAll(t.Path("builder/input.inf")).find("source=" + folder + "\r\n"),
              std::string::npos);
    EXPECT_EQ(TreeOf(folder), TreeOf(t.Path("cd")));
    EXPECT_EQ(ReadAll(t.Path("builder/out/I386/SYSTEM32/shell32.dll")), "compressed shell32")
        << "the builder read the image's file";
    EXPECT_NE(ReadAll(t.Path("prog/build.info")).find(image), std::string::npos)
        << "the report names the image the profile names";

    r = Build(image);
    EXPECT_TRUE(r.Succeeded());
    EXPECT_FALSE(r.imageUnpacked);

    // An image-only run hands the builder the same folder.
    ui.QueueAnswer(ID_YES);
    r = RunBuild(BuildMode::ImageOnly, p, {}, env);
    EXPECT_TRUE(r.Succeeded());
    EXPECT_FALSE(r.imageUnpacked);
}

TEST_F(ImageBuildTest, RefusalsNameTheImageAndStartNothing) {
    const std::string image = Image();
    const std::string text = t.Write("readme.iso", "not an image\n");
    const std::string cut = t.Write("cut.iso", ReadAll(image).substr(0, fs::file_size(image) / 2));
    fs::remove(t.Path("cd/I386/SHELL32.DL_"));
    const std::string noShell = Image(false, "noshell.iso");

    struct Row {
        std::string image;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {text, FillIn(Own(OwnText::ImageNotDisc), {text})},
        {cut, FillIn(Own(OwnText::ImageDamaged), {cut, ""})},
        {noShell, Msg("142") + "\r\n" + noShell},
    };
    for (const Row& row : rows) {
        ui.boxes.clear();
        const BuildResult r = Build(row.image);
        EXPECT_FALSE(r.builderStarted) << row.image;
        ASSERT_EQ(ui.boxes.size(), 1u) << "refused before the question: " << row.image;
        EXPECT_EQ(ui.boxes[0].text.rfind(row.expected, 0), 0u) << ui.boxes[0].text;
    }

    ui.boxes.clear();
    env.imageCache.freeBytes = [](const std::string&) { return uint64_t{4096}; };
    EXPECT_FALSE(Build(image).builderStarted);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].text.find("MB"), std::string::npos) << ui.boxes[0].text;
    EXPECT_FALSE(PathExists(t.Path("trace.txt")));
    EXPECT_FALSE(PathExists(t.Path("builder/input.inf")));
    EXPECT_TRUE(CacheFolderNames().empty());
}

// Cancel in the progress stops the run: no cache entry, nothing started.
class CancellingInterface : public ScriptedInterface {
public:
    bool Progress(const std::string&, uint64_t) override { return false; }
};

TEST_F(ImageBuildTest, CancelledUnpackStartsNothing) {
    const std::string image = Image();
    CancellingInterface cancelling;
    cancelling.QueueAnswer(ID_YES);
    p.Source = image;
    const BuildResult r = RunBuild(BuildMode::Basic, p, {}, env);
    EXPECT_FALSE(r.builderStarted);
    EXPECT_EQ(cancelling.boxes.size(), 1u) << "only the question, no error";
    EXPECT_TRUE(CacheFolderNames().empty());
    EXPECT_FALSE(PathExists(t.Path("trace.txt")));
    EXPECT_FALSE(PathExists(t.Path("builder/input.inf")));
}

}  // namespace

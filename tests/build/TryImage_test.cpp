// Trying the built image in QEMU: the command line composed from the preferences, the
// refusals, vrnx2-cli try through a logging stand-in for QEMU, and a real boot of a tiny
// image made here that prints a line on the serial port.

#include "vrnx2/build/TryImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/WineLaunch.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/HangingBuilder.h"
#include "tests/support/TempTree.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/Store.h"

using namespace vrnx2;

namespace fs = std::filesystem;

namespace {

bool Has(const std::vector<std::string>& argv, const std::vector<std::string>& run) {
    return std::search(argv.begin(), argv.end(), run.begin(), run.end()) != argv.end();
}

TEST(QemuArguments, DefaultsForImagesOfThatEraAndThePreferences) {
    const std::vector<std::string> qemu = {"env", "A=1", "qemu-system-i386"};
    VmPreferences prefs;
    TryOptions options;
    std::vector<std::string> argv = QemuArguments(qemu, "/iso/pe,1.iso", options, prefs, true);
    EXPECT_TRUE(std::equal(qemu.begin(), qemu.end(), argv.begin()));
    EXPECT_TRUE(Has(argv, {"-machine", "pc", "-m", "512"}));
    // A comma of the path is doubled: QEMU would take it for the end of the value.
    EXPECT_TRUE(Has(argv, {"-drive", "file=/iso/pe,,1.iso,media=cdrom,if=ide,index=2,readonly=on",
                           "-boot", "order=d"}));
    EXPECT_TRUE(Has(argv, {"-nic", "user,model=rtl8139", "-rtc", "base=localtime"}));
    EXPECT_TRUE(Has(argv, {"-accel", "kvm", "-accel", "tcg"}));
    EXPECT_FALSE(Has(argv, {"-display"}));
    EXPECT_FALSE(Has(argv, {"-serial"}));

    prefs.memoryMb = 1024;
    prefs.extraOptions = R"(-usb -vga "std")";
    options.headless = true;
    options.serialFile = "/tmp/serial.txt";
    options.title = "Varnex v2: A, B";
    argv = QemuArguments(qemu, "/iso/pe.iso", options, prefs, false);
    EXPECT_TRUE(Has(argv, {"-m", "1024"}));
    EXPECT_TRUE(Has(argv, {"-accel", "tcg"}));
    EXPECT_FALSE(Has(argv, {"kvm"}));
    EXPECT_TRUE(Has(argv, {"-name", "Varnex v2: A,, B"}));
    EXPECT_TRUE(Has(argv, {"-display", "none"}));
    EXPECT_TRUE(Has(
        argv, {"-chardev", "file,id=serial0,path=/tmp/serial.txt", "-serial", "chardev:serial0"}));
    // The person's own options come last, so they can override the defaults.
    EXPECT_TRUE(std::equal(argv.end() - 3, argv.end(),
                           std::vector<std::string>{"-usb", "-vga", "std"}.begin()));
}

class TryTest : public ::testing::Test {
protected:
    void SetUp() override {
        MessageTable::Instance().LoadResource(VRNX2_EXAMPLES_DIR "/lang/english.rsl");
        RegDeleteKey(0, kVarnexKey);
        bin = std::getenv("TEST_BIN_DIR");
        ::unsetenv("VRNX2_QEMU");
        t.Mkdir("builder");
        t.Mkdir("iso");
        profile.ProfileName = "Rescue";
        profile.Builder = {"Stand-in", t.Path("builder"), 1};
        profile.ISOPath = t.Path("iso");
        profile.ISOFile = "pe.iso";
        WriteProfileRec(ProfileKey(1), profile);
        RegWriteInteger(0, kVarnexKey, "ProfileCount", 1);
    }
    void TearDown() override {
        ::unsetenv("VRNX2_QEMU");
        MessageTable::Instance().LoadBuiltIn();
    }

    ChildRun Try(std::vector<std::string> args) {
        args.insert(args.begin(), {bin + "/vrnx2-cli", "try"});
        return RunChild(args, t.Path());
    }

    // A QEMU stand-in that logs its arguments one a line, then runs until it is ended
    // (or ends at once with `exitCode`). Asked for its displays, it names `displays`.
    void LoggingQemu(const std::string& exitCode = "", const std::string& displays = "none gtk") {
        const std::string script =
            t.Write("qemu-log.sh",
                    "#!/bin/sh\nif [ \"$1 $2\" = '-display help' ]; then\n"
                    "  echo 'Available display backend types:'; for d in " +
                        displays +
                        "; do echo $d; done; exit 0\nfi\n"
                        "for a in \"$@\"; do echo \"$a\"; done >> '" +
                        t.Path("qemu.log") + "'\n" +
                        (exitCode.empty() ? "exec sleep 600\n" : "exit " + exitCode + "\n"));
        fs::permissions(script, fs::perms::owner_all);
        ::setenv("VRNX2_QEMU", script.c_str(), 1);
    }

    std::string bin;
    TempTree t;
    TProfileRec profile;
};

TEST_F(TryTest, RefusalsNameWhatIsMissingAndStartNothing) {
    // No image file.
    EXPECT_FALSE(ImageFileExists(profile));
    TryPlan plan = PlanTry(profile, {}, {});
    EXPECT_NE(plan.refusal.find("does not exist: " + t.Path("iso/pe.iso")), std::string::npos)
        << plan.refusal;
    ChildRun o = Try({"1", "--seconds", "1"});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_NE(o.err.find(t.Path("iso/pe.iso")), std::string::npos) << o.err;

    // No QEMU.
    t.Write("iso/pe.iso", "image");
    ::setenv("VRNX2_QEMU", t.Path("no-such-qemu").c_str(), 1);
    plan = PlanTry(profile, {}, {});
    EXPECT_NE(plan.refusal.find("qemu-system-x86"), std::string::npos) << plan.refusal;
    o = Try({"Rescue"});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_NE(o.err.find("qemu-system-x86"), std::string::npos) << o.err;

    // A QEMU that cannot show a window: fine headless, refused for a window.
    LoggingQemu("0", "none curses");
    plan = PlanTry(profile, {}, {});
    EXPECT_NE(plan.refusal.find("qemu-system-gui"), std::string::npos) << plan.refusal;
    TryOptions headless;
    headless.headless = true;
    EXPECT_FALSE(PlanTry(profile, headless, {}).Refused());
    o = Try({"1"});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_NE(o.err.find("qemu-system-gui"), std::string::npos) << o.err;

    // An unknown profile, and bad usage.
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"Nobody"}, {"2"}, {}, {"1", "--seconds", "0"}, {"1", "--serial"}, {"1", "--fast"}})
        EXPECT_EQ(Try(args).exitCode, 2) << (args.empty() ? "(none)" : args[0]);
    EXPECT_FALSE(PathExists(t.Path("qemu.log")));  // nothing started
}

TEST_F(TryTest, TheConsoleStartsTheComposedCommandAndEndsItAtTheTimeLimit) {
    t.Write("iso/pe.iso", "image");
    VmPreferences prefs;
    prefs.memoryMb = 768;
    prefs.extraOptions = "-usb";
    prefs.useKvm = false;
    SaveVmPreferences(prefs);
    EXPECT_EQ(LoadVmPreferences(), prefs);

    LoggingQemu();
    ChildRun o = Try({"Rescue", "--headless", "--seconds", "1"});
    EXPECT_EQ(o.exitCode, 0) << o.err;
    EXPECT_NE(o.err.find("KVM"), std::string::npos) << o.err;  // slower without KVM, it says
    const std::string log = ReadAll(t.Path("qemu.log"));
    for (const char* line : {"-machine\npc\n", "-m\n768\n", "-accel\ntcg\n", "-display\nnone\n",
                             "-usb\n", "-qmp\nunix:", "Varnex v2: Rescue"})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    EXPECT_NE(log.find("file=" + t.Path("iso/pe.iso") + ",media=cdrom"), std::string::npos) << log;
    EXPECT_EQ(ProcessesMentioning(t.Path("qemu-log.sh")), 0);

    // Without a time limit it runs to its end, and its exit code is the command's.
    LoggingQemu("3");
    EXPECT_EQ(Try({"1"}).exitCode, 3);
    // Ending by itself before the time limit is no smoke test passed.
    LoggingQemu("0");
    o = Try({"1", "--seconds", "5"});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_NE(o.err.find("before the time limit"), std::string::npos) << o.err;
}

// A 2 KiB boot sector that prints a line on the first serial port and on the screen, then
// halts: cli; xor ax,ax; mov ds,ax; xor bx,bx; mov si,text; mov dx,3F8h;
// next: lodsb; test al,al; jz halt; out dx,al; mov ah,0Eh; int 10h; jmp next;
// halt: hlt; jmp halt.
std::string BootSector(const std::string& text) {
    std::string code = {'\xFA', '\x31', '\xC0', '\x8E', '\xD8', '\x31', '\xDB',
                        '\xBE', '\x1C', '\x7C', '\xBA', '\xF8', '\x03', '\xAC',
                        '\x84', '\xC0', '\x74', '\x07', '\xEE', '\xB4', '\x0E',
                        '\xCD', '\x10', '\xEB', '\xF4', '\xF4', '\xEB', '\xFD'};
    code += text;
    code += '\0';
    code.resize(2048, '\0');
    return code;
}

TEST_F(TryTest, ATinyImageBootsHeadlessPrintsItsLineAndLeavesAScreenshot) {
    const std::string xorriso = platform::FindProgram("xorriso");
    if (xorriso.empty() || platform::FindProgram("qemu-system-i386").empty())
        GTEST_SKIP() << "xorriso or qemu-system-i386 is not installed (scripts/install-deps test)";
    t.Write("image/boot.img", BootSector("VRNX2 TEST BOOT OK\r\n"));
    ChildRun made = RunChild({xorriso, "-as", "mkisofs", "-quiet", "-o", t.Path("iso/pe.iso"), "-b",
                              "boot.img", "-no-emul-boot", "-boot-load-size", "4", t.Path("image")},
                             t.Path());
    ASSERT_EQ(made.exitCode, 0) << made.err;
    // Plain emulation: where the kernel offers KVM but cannot run a machine (nested in a
    // container), KVM hangs in the firmware; emulated, the line comes in seconds.
    VmPreferences prefs;
    prefs.useKvm = false;
    SaveVmPreferences(prefs);

    ChildRun o = Try({"1", "--headless", "--seconds", "8", "--serial", t.Path("serial.txt"),
                      "--screenshot", t.Path("screen.png")});
    EXPECT_EQ(o.exitCode, 0) << o.err;
    EXPECT_NE(ReadAll(t.Path("serial.txt")).find("VRNX2 TEST BOOT OK"), std::string::npos);
    EXPECT_NE(o.out.find("VRNX2 TEST BOOT OK"), std::string::npos) << o.out;  // shown as well
    EXPECT_EQ(ReadAll(t.Path("screen.png")).substr(0, 4), "\x89PNG") << o.err;
    EXPECT_EQ(ProcessesMentioning(t.Path("iso/pe.iso")), 0);
}

}  // namespace

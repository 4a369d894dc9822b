#pragma once
// Trying a profile's built image in QEMU: the command composed from the preferences, the
// checks made before anything starts, and a run with a time limit, serial output and a
// screenshot for smoke tests.

#include <functional>
#include <string>
#include <vector>

#include "platform/Process.h"
#include "vrnx2/settings/Records.h"

namespace vrnx2 {

// Less memory does not start even the smallest system.
inline constexpr int kLeastVmMemoryMb = 16;

// The program's own preferences for the machine, under Software\HALV\Varnex v2\System.
struct VmPreferences {
    int memoryMb = 512;        // "VM Memory" (REG_DWORD, megabytes; below 16 counts as 512)
    std::string extraOptions;  // "VM Options" (REG_SZ, split by the Windows rules)
    bool useKvm = true;        // "VM KVM" (REG_DWORD 0/1): KVM when /dev/kvm is usable

    bool operator==(const VmPreferences&) const = default;
};
VmPreferences LoadVmPreferences();
// The three values in one transaction: on StoreError none is written.
void SaveVmPreferences(const VmPreferences& prefs);

// $VRNX2_QEMU split like VRNX2_WINE; else qemu-system-i386, else qemu-system-x86_64 when
// found in PATH; empty when there is none.
std::vector<std::string> QemuCommand();
// Whether QEMU can open a window: `qemu -display help` names gtk or sdl (Debian ships them
// in qemu-system-gui; without it QEMU would quietly serve its screen over VNC instead). True
// when the answer cannot be had, so the start itself reports the problem.
bool QemuShowsWindows(const std::vector<std::string>& qemu);
// Whether the kernel's virtual machine device can be opened for use.
bool KvmUsable(const std::string& device = "/dev/kvm");

struct TryOptions {
    bool headless = false;       // no window (-display none)
    int seconds = 0;             // > 0: end the machine after that long
    std::string serialFile;      // the first serial port into this file
    std::string screenshotFile;  // a PNG of the screen just before the end
    std::string title;           // the window's title
};

// The arguments: the classic PC with an IDE CD drive booted from `image`, the memory, an
// rtl8139 card on user networking, the clock in local time, KVM (falling back to plain
// emulation) or plain emulation, then the extra options of the preferences.
std::vector<std::string> QemuArguments(const std::vector<std::string>& qemu,
                                       const std::string& image, const TryOptions& options,
                                       const VmPreferences& prefs, bool kvm);

// The profile's image file (ISOPath/ISOFile) is there to be tried.
bool ImageFileExists(const TProfileRec& profile);

struct TryPlan {
    std::vector<std::string> argv;
    bool kvm = false;
    std::string refusal;  // non-empty: nothing may be started (the text to show)
    bool Refused() const { return !refusal.empty(); }
};
// The image (ISOPath/ISOFile) must exist and QEMU be found, and for a machine with a window
// QEMU must be able to show one; refusals name the image file or the package
// (qemu-system-x86, qemu-system-gui), in the message table's language.
TryPlan PlanTry(const TProfileRec& profile, const TryOptions& options, const VmPreferences& prefs);

// A machine started for the window: not waited for, one at a time.
class VmSession {
public:
    bool Running();
    // Starts `plan`; false with the system's reason when it did not start.
    bool Start(const TryPlan& plan, std::string* error);

private:
    platform::RunningProgram program_;
};

// Runs `plan` to its end (vrnx2-cli try), with QEMU's machine protocol on a socket in a
// private temporary folder: once options.seconds are up or `stopWanted` says so, it takes
// the screenshot and asks QEMU to quit, and kills it when it does not within seconds; no
// QEMU process outlives the call. The exit code: 0 when the machine was
// still running at the time limit, else QEMU's (1 when it ended with 0 before the limit);
// `report` receives lines for the person; `serialOut`, when set, what the machine writes to
// options.serialFile, as it comes.
struct TryCallbacks {
    std::function<bool()> stopWanted;
    std::function<void(const std::string&)> report;
    std::function<void(const std::string&)> serialOut;
};
int RunTry(const TryPlan& plan, const TryOptions& options, const TryCallbacks& callbacks);

}  // namespace vrnx2

#pragma once
// The computer's optical drives, for the drive list of the profile options dialog. The
// kernel names them: the block devices /sys/block/sr*, and the drives the CD-ROM layer lists
// in /proc/sys/dev/cdrom/info (older drivers name theirs otherwise). A drive's SCSI address
// is the "host:channel:target:lun" of its device; its Address is the text a profile keeps in
// Device.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "vrnx2/settings/RecordHolder.h"

namespace vrnx2 {

// A drive's SCSI numbers as the system reports them (before they are cut to one byte).
struct ScsiAddress {
    unsigned host = 0;
    unsigned channel = 0;
    unsigned target = 0;
    unsigned lun = 0;
};

// "H:C:T:L" with four decimal numbers; nullopt for anything else.
std::optional<ScsiAddress> ParseScsiAddress(std::string_view text);

// The record of one drive: Drive "/dev/<name>", Caption from the device's vendor and model.
// Without a SCSI address the three numbers are 255.
TCDDriverec DriveRecord(const std::string& name, const std::string& caption,
                        const std::optional<ScsiAddress>& address);

// The drive list entry's text: "(%s) %s" of Drive and Caption.
std::string DriveEntryText(const TCDDriverec& drive);

// Empties `list`, then adds one entry per optical drive found below `root` (the system's
// "/"; tests pass a tree of their own), ordered by name ("sr2" before "sr10"). A system
// that reports no drives, or cannot be read, gives an empty list.
void QueryOpticalDrives(DriveHolder& list, const std::filesystem::path& root = "/");

}  // namespace vrnx2

#include "vrnx2/settings/Drives.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <system_error>
#include <tuple>
#include <vector>

#include "common/Trim.h"
#include "platform/Files.h"

namespace vrnx2 {

namespace fs = std::filesystem;

namespace {

// A block device name taken from a file becomes part of a path: it must stay one name.
bool IsDeviceName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u > 0x20 && u < 0x7f && c != '/';
    });
}

std::string ReadTrimmed(const fs::path& file) {
    const auto text = platform::ReadFile(file);
    return text ? Trim(*text) : std::string();
}

// The names after "drive name:" in the CD-ROM layer's table.
std::vector<std::string> CdromInfoNames(const fs::path& infoFile) {
    std::vector<std::string> names;
    const auto text = platform::ReadFile(infoFile);
    if (!text) return names;
    static constexpr std::string_view kKey = "drive name:";
    size_t pos = 0;
    while (pos < text->size()) {
        size_t end = text->find('\n', pos);
        if (end == std::string::npos) end = text->size();
        const std::string_view line(text->data() + pos, end - pos);
        pos = end + 1;
        if (line.substr(0, kKey.size()) != kKey) continue;
        std::string_view rest = line.substr(kKey.size());
        while (!rest.empty()) {
            const size_t start = rest.find_first_not_of(" \t\r");
            if (start == std::string_view::npos) break;
            rest.remove_prefix(start);
            const size_t stop = std::min(rest.find_first_of(" \t\r"), rest.size());
            names.emplace_back(rest.substr(0, stop));
            rest.remove_prefix(stop);
        }
    }
    return names;
}

// "sr2" before "sr10": the letters first, then the trailing number by value.
bool NameBefore(const std::string& a, const std::string& b) {
    auto split = [](const std::string& s) {
        size_t digits = s.size();
        while (digits > 0 && s[digits - 1] >= '0' && s[digits - 1] <= '9') --digits;
        std::string_view number(s.data() + digits, s.size() - digits);
        while (number.size() > 1 && number.front() == '0') number.remove_prefix(1);
        return std::make_tuple(std::string_view(s.data(), digits), number.size(), number);
    };
    const auto ka = split(a);
    const auto kb = split(b);
    return ka != kb ? ka < kb : a < b;
}

std::optional<ScsiAddress> DeviceAddress(const fs::path& blockDir) {
    // The device link ends in the SCSI device's own name, "host:channel:target:lun".
    std::error_code ec;
    const fs::path target = fs::read_symlink(blockDir / "device", ec);
    if (ec) return std::nullopt;
    return ParseScsiAddress(target.filename().string());
}

std::string DeviceCaption(const fs::path& blockDir) {
    const std::string vendor = ReadTrimmed(blockDir / "device" / "vendor");
    const std::string model = ReadTrimmed(blockDir / "device" / "model");
    if (vendor.empty() || model.empty()) return vendor + model;
    return vendor + " " + model;
}

}  // namespace

std::optional<ScsiAddress> ParseScsiAddress(std::string_view text) {
    unsigned numbers[4];
    const char* p = text.data();
    const char* end = text.data() + text.size();
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (p == end || *p != ':') return std::nullopt;
            ++p;
        }
        const auto [next, ec] = std::from_chars(p, end, numbers[i]);
        if (ec != std::errc() || next == p) return std::nullopt;
        p = next;
    }
    if (p != end) return std::nullopt;
    return ScsiAddress{numbers[0], numbers[1], numbers[2], numbers[3]};
}

TCDDriverec DriveRecord(const std::string& name, const std::string& caption,
                        const std::optional<ScsiAddress>& address) {
    TCDDriverec rec;
    rec.Drive = "/dev/" + name;
    rec.Caption = caption;
    if (address) {
        rec.ScsiPort = static_cast<uint8_t>(address->host & 0xff);
        rec.ScsiTargetId = static_cast<uint8_t>(address->target & 0xff);
        rec.ScsiLogicalUnit = static_cast<uint8_t>(address->lun & 0xff);
        // From the full numbers: host numbers grow past 255 as devices come and go, and a
        // cut one would name another drive.
        rec.Address = std::to_string(address->host) + "," + std::to_string(address->target) + "," +
                      std::to_string(address->lun);
    } else {
        rec.Address = "255,255,255";
    }
    return rec;
}

std::string DriveEntryText(const TCDDriverec& drive) {
    return "(" + drive.Drive + ") " + drive.Caption;
}

void QueryOpticalDrives(DriveHolder& list, const fs::path& root) {
    for (int i = list.Count() - 1; i >= 0; --i) DeleteDriveRec(list, i);

    const fs::path blockRoot = root / "sys" / "block";
    std::set<std::string> seen;
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(blockRoot, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() > 2 && name.compare(0, 2, "sr") == 0 && IsDeviceName(name) &&
            seen.insert(name).second)
            names.push_back(name);
    }
    for (const std::string& name : CdromInfoNames(root / "proc" / "sys" / "dev" / "cdrom" / "info"))
        if (IsDeviceName(name) && seen.insert(name).second) names.push_back(name);
    std::sort(names.begin(), names.end(), NameBefore);

    for (const std::string& name : names) {
        const fs::path dir = blockRoot / name;
        const TCDDriverec rec = DriveRecord(name, DeviceCaption(dir), DeviceAddress(dir));
        AddDriveRec(list, DriveEntryText(rec), rec);
    }
}

}  // namespace vrnx2

#pragma once
// A Windows CD image (ISO 9660, with Joliet or Rock Ridge names) read through libarchive:
// recognised by its volume descriptor, checked from its headers alone, and unpacked file by
// file (streamed, never read whole) into a folder.

#include <cstdint>
#include <functional>
#include <string>

namespace vrnx2 {

// True when `path` is a regular file with an ISO 9660 volume descriptor ("CD001" at sector 16).
bool IsDiscImage(const std::string& path);

struct ImageSummary {
    uint64_t files = 0;
    uint64_t folders = 0;
    uint64_t bytes = 0;       // the files' sizes
    uint64_t diskBytes = 0;   // what they take unpacked, in blocks of the file system
    bool hasShell32 = false;  // I386/SHELL32.DL_, in any letter case
};

// Reads every header of the image (its data is skipped, not read). False, with the reason,
// for an image that cannot be read, that is cut short or damaged, or that names a file
// outside its own tree.
bool ScanImage(const std::string& image, ImageSummary& summary, std::string* error);

// Called with the file being written and the bytes written so far; false stops the unpack.
using UnpackProgress = std::function<bool(const std::string& name, uint64_t done)>;

enum class UnpackResult { Done, Failed, Cancelled };

// Writes every folder and file of `image` below `folder` (made by the caller, empty).
// Files that share their data in the image become hard links; symbolic links and devices of
// Rock Ridge are left out. On Failed or Cancelled `folder` holds part of the image.
UnpackResult UnpackImage(const std::string& image, const std::string& folder,
                         const UnpackProgress& progress, std::string* error);

}  // namespace vrnx2

#pragma once
// Paths in the form a Windows program under Wine reads them: the drive of the Wine prefix
// whose folder holds the path ("Z:\home\me\out"), found from the prefix's dosdevices links
// without starting any Wine tool.

#include <sys/types.h>

#include <string>
#include <vector>

namespace platform {

class WineDrives {
public:
    // $WINEPREFIX, else ~/.wine.
    static std::string DefaultPrefix();

    // Reads the drive links of `prefix` once ("c:" -> ../drive_c, "z:" -> / ...).
    explicit WineDrives(const std::string& prefix = DefaultPrefix());

    // The Windows form of `path`. An absolute path gets the drive whose folder is its deepest
    // existing parent (compared by device and inode, so links and bind mounts count), then
    // the rest of its components; where the prefix does not exist yet, Wine's default "Z:\"
    // for the file-system root. A relative path stays relative, with "\" between components;
    // an empty one stays empty. False, with a reason, when no drive holds the path.
    bool ToWindows(const std::string& path, std::string& out, std::string* error = nullptr) const;

    bool PrefixExists() const { return prefixExists_; }

private:
    struct Drive {
        char letter;
        dev_t device;
        ino_t inode;
    };
    std::string prefix_;
    bool prefixExists_ = false;
    std::vector<Drive> drives_;
};

}  // namespace platform

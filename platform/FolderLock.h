#pragma once
// One holder at a time for a folder: a kernel lock on the folder itself, which the kernel
// drops with the process that holds it, so a crash leaves nothing stale and nothing is added
// to the folder.

#include <string>

namespace platform {

class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(FolderLock&& other) noexcept;
    FolderLock& operator=(FolderLock&& other) noexcept;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the lock on `folder` without waiting. Programs this process starts do not inherit
    // it. Where the file system locks no folders (some network file systems), a lock file in
    // the user's runtime folder named after the folder's real path stands in.
    static FolderLock TryTake(const std::string& folder);

    bool Held() const { return fd_ >= 0; }
    // Not taken because another process holds it; Holder() names that one as far as the
    // system tells ("vrnx2-cli build 1 --yes (process 4242)"), empty when it does not.
    bool Busy() const { return busy_; }
    const std::string& Holder() const { return holder_; }
    // Not taken for another reason: the system's reason.
    const std::string& Error() const { return error_; }

private:
    void Release();

    int fd_ = -1;
    bool busy_ = false;
    std::string holder_;
    std::string error_;
};

}  // namespace platform

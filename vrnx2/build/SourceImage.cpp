#include "vrnx2/build/SourceImage.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>
#include <unordered_set>
#include <utility>
#include <vector>

namespace vrnx2 {

namespace {

constexpr int64_t kSector = 2048;
constexpr int64_t kFirstDescriptor = 16 * kSector;
constexpr int kMaxDescriptors = 64;
constexpr size_t kReadSize = 1 << 20;
constexpr uint64_t kBlock = 4096;

std::string ErrnoText(int code) {
    return std::error_code(code, std::generic_category()).message();
}

uint32_t Le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

bool ReadAt(int fd, int64_t offset, unsigned char* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(fd, buffer + done, size - done, offset + done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

// The volume descriptors: where libarchive's format check wants zeros in fields the
// standard reserves (some Windows CD images carry bytes there), and the volume's size.
struct Descriptors {
    std::vector<std::pair<int64_t, int64_t>> reserved;  // offset, length
    uint64_t volumeBytes = 0;
};

Descriptors ReadDescriptors(int fd) {
    Descriptors d;
    unsigned char s[kSector];
    for (int i = 0; i < kMaxDescriptors; ++i) {
        const int64_t at = kFirstDescriptor + i * kSector;
        if (!ReadAt(fd, at, s, sizeof s) || std::memcmp(s + 1, "CD001", 5) != 0) break;
        auto zero = [&](int64_t offset, int64_t length) {
            d.reserved.emplace_back(at + offset, length);
        };
        if (s[0] == 1) {
            zero(7, 1);
            zero(72, 8);
            zero(88, 32);
            zero(882, 1);
            zero(1395, kSector - 1395);
            if (d.volumeBytes == 0)
                d.volumeBytes = static_cast<uint64_t>(Le32(s + 80)) * (s[128] | (s[129] << 8));
        } else if (s[0] == 2 && s[6] == 1) {
            zero(72, 8);
            zero(882, 1);
            zero(1395, kSector - 1395);
        } else if (s[0] == 3) {
            zero(7, 1);
        } else if (s[0] == 255) {
            zero(7, kSector - 7);
            break;
        }
    }
    return d;
}

// The image as libarchive reads it: straight from the file, with the reserved fields of
// the volume descriptors read as zeros, and never skipping past the file's end (so a cut
// image ends in a read error instead of data that is not there).
class ImageArchive {
public:
    ~ImageArchive() {
        if (archive_) archive_read_free(archive_);
    }

    bool Open(const std::string& image, std::string* error) {
        Fd fd(::open(image.c_str(), O_RDONLY | O_CLOEXEC));
        struct stat st {};
        if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0) {
            if (error) *error = ErrnoText(errno);
            return false;
        }
        size_ = st.st_size;
        descriptors_ = ReadDescriptors(fd.get());
        fd_ = std::make_unique<Fd>(fd.release());
        buffer_.resize(kReadSize);
        archive_ = archive_read_new();
        archive_read_support_format_iso9660(archive_);
        archive_read_set_read_callback(archive_, &ImageArchive::Read);
        archive_read_set_skip_callback(archive_, &ImageArchive::Skip);
        archive_read_set_seek_callback(archive_, &ImageArchive::Seek);
        archive_read_set_callback_data(archive_, this);
        if (archive_read_open1(archive_) != ARCHIVE_OK) {
            if (error) *error = ErrorText();
            return false;
        }
        return true;
    }

    archive* get() const { return archive_; }
    int64_t size() const { return size_; }
    const Descriptors& descriptors() const { return descriptors_; }
    std::string ErrorText() const {
        const char* text = archive_error_string(archive_);
        return text ? text : "unknown error";
    }

private:
    static la_ssize_t Read(archive* a, void* data, const void** out) {
        auto* self = static_cast<ImageArchive*>(data);
        ssize_t n;
        do {
            n = ::read(self->fd_->get(), self->buffer_.data(), self->buffer_.size());
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            archive_set_error(a, errno, "%s", ErrnoText(errno).c_str());
            return -1;
        }
        for (const auto& [at, length] : self->descriptors_.reserved) {
            const int64_t from = std::max(at, self->pos_);
            const int64_t to = std::min(at + length, self->pos_ + n);
            if (from < to) std::memset(self->buffer_.data() + (from - self->pos_), 0, to - from);
        }
        self->pos_ += n;
        *out = self->buffer_.data();
        return n;
    }

    // A file whose data lies before its folder's record is reached by seeking back.
    static la_int64_t Seek(archive*, void* data, la_int64_t offset, int whence) {
        auto* self = static_cast<ImageArchive*>(data);
        const int64_t base = whence == SEEK_CUR ? self->pos_ : whence == SEEK_END ? self->size_ : 0;
        const int64_t to = base + offset;
        if (to < 0 || to > self->size_ || ::lseek(self->fd_->get(), to, SEEK_SET) < 0)
            return ARCHIVE_FATAL;
        self->pos_ = to;
        return to;
    }

    static la_int64_t Skip(archive*, void* data, la_int64_t request) {
        auto* self = static_cast<ImageArchive*>(data);
        const int64_t step =
            std::min<int64_t>(request, std::max<int64_t>(0, self->size_ - self->pos_));
        if (step <= 0 || ::lseek(self->fd_->get(), self->pos_ + step, SEEK_SET) < 0) return 0;
        self->pos_ += step;
        return step;
    }

    archive* archive_ = nullptr;
    std::unique_ptr<Fd> fd_;
    std::vector<char> buffer_;
    int64_t size_ = 0;
    int64_t pos_ = 0;
    Descriptors descriptors_;
};

// The entry's path below the image's root, "/"-separated (empty for the root itself); false
// for a name that would leave the tree.
bool RelativeName(const char* raw, std::string& out) {
    out.clear();
    if (!raw) return false;
    std::string_view name(raw);
    size_t i = 0;
    while (i <= name.size()) {
        size_t end = name.find('/', i);
        if (end == std::string_view::npos) end = name.size();
        std::string_view part = name.substr(i, end - i);
        if (part == "..") return false;
        if (!part.empty() && part != ".") {
            if (!out.empty()) out += '/';
            out.append(part);
        }
        i = end + 1;
    }
    return true;
}

// libarchive reads past some damage with only a warning (a folder reaching past the end of
// the volume, a file it cannot seek back to): its files would be missing or empty. A name it
// cannot put in the C library's character set is only a warning about that form of the
// name; the UTF-8 form is used.
bool IsDamage(archive* a, int result) {
    constexpr int kMiscError = -1;  // ARCHIVE_ERRNO_MISC, which the public header leaves out
    return result < ARCHIVE_WARN || (result == ARCHIVE_WARN && archive_errno(a) == kMiscError);
}

const char* PathOf(archive_entry* e) {
    const char* utf8 = archive_entry_pathname_utf8(e);
    return utf8 ? utf8 : archive_entry_pathname(e);
}

const char* HardlinkOf(archive_entry* e) {
    const char* utf8 = archive_entry_hardlink_utf8(e);
    return utf8 ? utf8 : archive_entry_hardlink(e);
}

bool IsShell32(const std::string& name) {
    static const std::string wanted = "i386/shell32.dl_";
    if (name.size() != wanted.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != wanted[i]) return false;
    }
    return true;
}

// Makes the folders of the unpacked tree, each once: asking the system again for every file
// of a folder costs more than the unpack of a small file.
class FolderMaker {
public:
    explicit FolderMaker(std::string root) : root_(std::move(root)) {}

    bool Make(const std::string& relative, std::string* error) {
        size_t i = 0;
        while (i <= relative.size()) {
            size_t end = relative.find('/', i);
            if (end == std::string::npos) end = relative.size();
            std::string part = relative.substr(0, end);
            if (made_.insert(part).second) {
                const std::string path = root_ + "/" + part;
                if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
                    if (error) *error = path + ": " + ErrnoText(errno);
                    return false;
                }
            }
            i = end + 1;
        }
        return true;
    }

    bool Parents(const std::string& relative, std::string* error) {
        const size_t slash = relative.rfind('/');
        return slash == std::string::npos || Make(relative.substr(0, slash), error);
    }

private:
    std::string root_;
    std::unordered_set<std::string> made_;
};

bool WriteAll(int fd, const char* data, size_t size, int64_t offset) {
    while (size > 0) {
        ssize_t n = ::pwrite(fd, data, size, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= n;
        offset += n;
    }
    return true;
}

// Files are written with O_NOFOLLOW into folders this unpack made itself, so nothing lands
// outside `root`.
bool CopyFile(const std::string& from, const std::string& to) {
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (in.get() < 0 || out.get() < 0) return false;
    std::vector<char> buffer(kReadSize);
    int64_t offset = 0;
    for (;;) {
        ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (!WriteAll(out.get(), buffer.data(), n, offset)) return false;
        offset += n;
    }
}

}  // namespace

bool IsDiscImage(const std::string& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    unsigned char id[6];
    return ReadAt(fd.get(), kFirstDescriptor, id, sizeof id) &&
           std::memcmp(id + 1, "CD001", 5) == 0;
}

bool ScanImage(const std::string& image, ImageSummary& summary, std::string* error) {
    summary = {};
    ImageArchive a;
    if (!a.Open(image, error)) return false;
    if (a.descriptors().volumeBytes > static_cast<uint64_t>(a.size())) {
        if (error)
            *error = "the volume is " + std::to_string(a.descriptors().volumeBytes) +
                     " bytes, the file only " + std::to_string(a.size());
        return false;
    }
    archive_entry* e = nullptr;
    std::string name;
    for (;;) {
        int r = archive_read_next_header(a.get(), &e);
        if (r == ARCHIVE_EOF) break;
        if (IsDamage(a.get(), r)) {
            if (error) *error = a.ErrorText();
            return false;
        }
        if (!RelativeName(PathOf(e), name)) {
            if (error)
                *error = std::string("a name leaves the image: ") + (PathOf(e) ? PathOf(e) : "");
            return false;
        }
        const mode_t type = archive_entry_filetype(e);
        if (name.empty()) {
            // the root folder
        } else if (type == AE_IFDIR) {
            ++summary.folders;
            summary.diskBytes += kBlock;
        } else if (type == AE_IFREG) {
            ++summary.files;
            if (!HardlinkOf(e)) {
                const auto size =
                    static_cast<uint64_t>(std::max<la_int64_t>(0, archive_entry_size(e)));
                summary.bytes += size;
                summary.diskBytes += (size + kBlock - 1) / kBlock * kBlock;
            }
            if (IsShell32(name)) summary.hasShell32 = true;
        }
        if (archive_read_data_skip(a.get()) != ARCHIVE_OK) {
            if (error) *error = name + ": " + a.ErrorText();
            return false;
        }
    }
    return true;
}

UnpackResult UnpackImage(const std::string& image, const std::string& folder,
                         const UnpackProgress& progress, std::string* error) {
    ImageArchive a;
    if (!a.Open(image, error)) return UnpackResult::Failed;
    archive_entry* e = nullptr;
    std::string name;
    std::string target;
    FolderMaker folders(folder);
    uint64_t done = 0;
    constexpr uint64_t kReportEvery = 1 << 20;
    auto fail = [&](const std::string& text) {
        if (error) *error = text;
        return UnpackResult::Failed;
    };
    for (;;) {
        int r = archive_read_next_header(a.get(), &e);
        if (r == ARCHIVE_EOF) break;
        if (IsDamage(a.get(), r)) return fail(a.ErrorText());
        if (!RelativeName(PathOf(e), name))
            return fail(std::string("a name leaves the image: ") + (PathOf(e) ? PathOf(e) : ""));
        if (name.empty()) continue;  // the root folder
        const std::string path = folder + "/" + name;
        const mode_t type = archive_entry_filetype(e);
        if (type == AE_IFDIR) {
            if (!folders.Make(name, error)) return UnpackResult::Failed;
            continue;
        }
        if (type != AE_IFREG) continue;
        if (progress && !progress(name, done)) return UnpackResult::Cancelled;
        if (!folders.Parents(name, error)) return UnpackResult::Failed;
        if (const char* link = HardlinkOf(e)) {
            if (!RelativeName(link, target) || target.empty())
                return fail(std::string("a name leaves the image: ") + link);
            const std::string from = folder + "/" + target;
            if (::link(from.c_str(), path.c_str()) != 0 && !CopyFile(from, path))
                return fail(path + ": " + ErrnoText(errno));
            continue;
        }
        Fd out(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
        if (out.get() < 0) return fail(path + ": " + ErrnoText(errno));
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        uint64_t sinceReport = 0;
        for (;;) {
            r = archive_read_data_block(a.get(), &block, &size, &offset);
            if (r == ARCHIVE_EOF) break;
            if (r < ARCHIVE_WARN) return fail(name + ": " + a.ErrorText());
            if (!WriteAll(out.get(), static_cast<const char*>(block), size, offset))
                return fail(path + ": " + ErrnoText(errno));
            done += size;
            sinceReport += size;
            if (progress && sinceReport >= kReportEvery) {
                sinceReport = 0;
                if (!progress(name, done)) return UnpackResult::Cancelled;
            }
        }
        const la_int64_t length = archive_entry_size(e);
        if (length > 0 && ::ftruncate(out.get(), length) != 0)
            return fail(path + ": " + ErrnoText(errno));
        const struct timespec times[2] = {{archive_entry_mtime(e), archive_entry_mtime_nsec(e)},
                                          {archive_entry_mtime(e), archive_entry_mtime_nsec(e)}};
        ::futimens(out.get(), times);
        if (::close(out.release()) != 0) return fail(path + ": " + ErrnoText(errno));
    }
    if (progress) progress(std::string(), done);
    return UnpackResult::Done;
}

}  // namespace vrnx2

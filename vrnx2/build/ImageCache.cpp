#include "vrnx2/build/ImageCache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <system_error>

#include "common/Lines.h"
#include "platform/Files.h"

namespace vrnx2 {

namespace fs = std::filesystem;

namespace {

constexpr const char* kEntryFile = "entry";
constexpr const char* kFilesFolder = "files";
constexpr const char* kUnpackPrefix = ".unpack-";

std::string CacheDir(const ImageCacheSettings& s) {
    return s.directory.empty() ? ImageCacheDirectory() : s.directory;
}

uint64_t Limit(const ImageCacheSettings& s) {
    return s.limitBytes ? s.limitBytes : ImageCacheLimit();
}

// What identifies the image as it is now: the same file, size and modification time.
struct Identity {
    std::string image;
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t mtimeNs = 0;
    bool operator==(const Identity&) const = default;
};

bool IdentityOf(const std::string& image, Identity& id) {
    struct stat st {};
    if (::stat(image.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    id.image = image;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = st.st_size;
    id.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

std::string AbsoluteImage(const std::string& image) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(image, ec), ec);
    return ec ? image : p.string();
}

// One entry folder per image path, so a changed image replaces its own entry.
std::string EntryName(const std::string& absoluteImage) {
    uint64_t h = 1469598103934665603ULL;
    for (unsigned char c : absoluteImage) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    char name[17];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(h));
    return name;
}

std::string EntryText(const Identity& id, uint64_t bytes) {
    return "image=" + id.image + "\ndevice=" + std::to_string(id.device) +
           "\ninode=" + std::to_string(id.inode) + "\nsize=" + std::to_string(id.size) +
           "\nmtime=" + std::to_string(id.mtimeNs) + "\nbytes=" + std::to_string(bytes) + "\n";
}

struct Entry {
    std::string dir;
    Identity id;
    uint64_t bytes = 0;
    int64_t lastUse = 0;    // seconds
    int64_t lastUseNs = 0;  // for the order
};

bool ReadEntry(const std::string& dir, Entry& e) {
    auto text = platform::ReadFile(dir + "/" + kEntryFile);
    if (!text) return false;
    e.dir = dir;
    int fields = 0;
    for (std::string_view line : SplitLines(*text)) {
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = line.substr(0, eq);
        const std::string value(line.substr(eq + 1));
        const auto number = [&] { return std::strtoull(value.c_str(), nullptr, 10); };
        if (key == "image") e.id.image = value, ++fields;
        if (key == "device") e.id.device = number(), ++fields;
        if (key == "inode") e.id.inode = number(), ++fields;
        if (key == "size") e.id.size = number(), ++fields;
        if (key == "mtime") e.id.mtimeNs = std::strtoll(value.c_str(), nullptr, 10), ++fields;
        if (key == "bytes") e.bytes = number(), ++fields;
    }
    struct stat st {};
    if (::stat((dir + "/" + kEntryFile).c_str(), &st) == 0) {
        e.lastUse = st.st_mtim.tv_sec;
        e.lastUseNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    }
    return fields == 6;
}

void Touch(const std::string& dir) {
    ::utimensat(AT_FDCWD, (dir + "/" + kEntryFile).c_str(), nullptr, 0);
}

std::vector<Entry> Entries(const std::string& cache) {
    std::vector<Entry> entries;
    for (const auto& d : platform::ListDirectory(cache)) {
        if (!d.isDirectory || d.isSymlink || d.hidden) continue;
        Entry e;
        if (ReadEntry(cache + "/" + d.name, e)) entries.push_back(std::move(e));
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.lastUseNs > b.lastUseNs; });
    return entries;
}

// ".unpack-PID-..." of a process that no longer runs: what a killed unpack left.
bool Abandoned(const std::string& name) {
    if (name.rfind(kUnpackPrefix, 0) != 0) return false;
    const long pid =
        std::strtol(name.c_str() + std::char_traits<char>::length(kUnpackPrefix), nullptr, 10);
    return pid <= 0 || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
}

void RemoveAbandoned(const std::string& cache) {
    for (const auto& d : platform::ListDirectory(cache))
        if (d.isDirectory && !d.isSymlink && Abandoned(d.name))
            platform::RemoveTree(cache + "/" + d.name);
}

// Removes the least recently used entries beyond the limit; `keep` always stays and counts
// first, however recent the others are.
void KeepWithinLimit(const std::string& cache, const std::string& keep, uint64_t limit) {
    const std::vector<Entry> entries = Entries(cache);
    uint64_t total = 0;
    for (const Entry& e : entries)
        if (e.dir == keep) total += e.bytes;
    for (const Entry& e : entries) {
        if (e.dir == keep) continue;
        if (total + e.bytes > limit) {
            platform::RemoveTree(e.dir);
        } else {
            total += e.bytes;
        }
    }
}

uint64_t SystemFreeBytes(const std::string& folder) {
    struct statvfs v {};
    if (::statvfs(folder.c_str(), &v) != 0) return UINT64_MAX;  // unknown: let the unpack tell
    return static_cast<uint64_t>(v.f_bavail) * v.f_frsize;
}

std::string NewUnpackFolder(const std::string& cache, const std::string& entry) {
    std::random_device rd;
    for (;;) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(rd()));
        const std::string dir =
            cache + "/" + kUnpackPrefix + std::to_string(::getpid()) + "-" + entry + "-" + suffix;
        if (::mkdir(dir.c_str(), 0755) == 0) return dir;
        if (errno != EEXIST) return {};
    }
}

}  // namespace

std::string ImageCacheDirectory() {
    std::string base;
    if (const char* x = std::getenv("XDG_CACHE_HOME"); x && *x == '/') {
        base = x;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : "/tmp") + "/.cache";
    }
    return base + "/vrnx2";
}

uint64_t ImageCacheLimit() {
    if (const char* v = std::getenv("VRNX2_IMAGE_CACHE_MB"); v && *v) {
        char* end = nullptr;
        const unsigned long long mib = std::strtoull(v, &end, 10);
        if (end && *end == '\0' && mib > 0 && mib < (UINT64_MAX >> 20)) return mib << 20;
    }
    return kDefaultImageCacheMiB << 20;
}

std::vector<CachedImage> ListImageCache(const ImageCacheSettings& settings) {
    std::vector<CachedImage> list;
    for (const Entry& e : Entries(CacheDir(settings))) {
        CachedImage c;
        c.image = e.id.image;
        c.folder = e.dir + "/" + kFilesFolder;
        c.bytes = e.bytes;
        c.lastUse = e.lastUse;
        Identity now;
        c.current = IdentityOf(e.id.image, now) && now == e.id;
        list.push_back(std::move(c));
    }
    return list;
}

bool ClearImageCache(const ImageCacheSettings& settings, std::string* error) {
    const std::string cache = CacheDir(settings);
    bool ok = true;
    for (const auto& d : platform::ListDirectory(cache)) {
        if (d.name.rfind(kUnpackPrefix, 0) == 0 && !Abandoned(d.name)) continue;
        Entry e;
        if (!Abandoned(d.name) && !ReadEntry(cache + "/" + d.name, e)) continue;
        std::string why;
        if (!platform::RemoveTree(cache + "/" + d.name, &why)) {
            if (error && ok) *error = why;
            ok = false;
        }
    }
    return ok;
}

std::string CachedImageFolder(const std::string& image, const ImageCacheSettings& settings) {
    const std::string absolute = AbsoluteImage(image);
    Identity now;
    Entry e;
    const std::string dir = CacheDir(settings) + "/" + EntryName(absolute);
    if (!IdentityOf(absolute, now) || !ReadEntry(dir, e) || !(e.id == now)) return {};
    return dir + "/" + kFilesFolder;
}

ImageSource CheckImageSource(const std::string& image, bool needShell32,
                             const ImageCacheSettings& settings) {
    ImageSource source;
    source.image = AbsoluteImage(image);
    if (!IsDiscImage(source.image)) {
        source.refusal = ImageRefusal::NotAnImage;
        return source;
    }
    const std::string cached = CachedImageFolder(source.image, settings);
    source.folder = CacheDir(settings) + "/" + EntryName(source.image) + "/" + kFilesFolder;
    source.unpacked = !cached.empty();
    if (source.unpacked) {
        if (needShell32 && !platform::ExistsNoCase(source.folder, "i386/SHELL32.DL_")) {
            source.refusal = ImageRefusal::NoShell32;
        }
        return source;
    }
    if (!ScanImage(source.image, source.summary, &source.detail)) {
        source.refusal = ImageRefusal::Damaged;
        return source;
    }
    if (needShell32 && !source.summary.hasShell32) {
        source.refusal = ImageRefusal::NoShell32;
        return source;
    }
    // The space is asked where the cache is, or of the nearest folder above it that exists.
    fs::path where = CacheDir(settings);
    std::error_code ec;
    while (!where.empty() && !fs::exists(where, ec) && where != where.root_path())
        where = where.parent_path();
    source.freeBytes =
        settings.freeBytes ? settings.freeBytes(where.string()) : SystemFreeBytes(where.string());
    // An older entry of the same image goes before the unpack, so its space counts as free.
    Entry old;
    const std::string oldDir = CacheDir(settings) + "/" + EntryName(source.image);
    if (ReadEntry(oldDir, old)) source.freeBytes += old.bytes;
    if (source.summary.diskBytes > source.freeBytes) {
        source.refusal = ImageRefusal::NoSpace;
        return source;
    }
    return source;
}

UnpackResult UnpackImageSource(ImageSource& source, const UnpackProgress& progress,
                               const ImageCacheSettings& settings, std::string* error) {
    if (source.unpacked) {
        Touch(fs::path(source.folder).parent_path().string());
        return UnpackResult::Done;
    }
    const std::string cache = CacheDir(settings);
    std::error_code ec;
    fs::create_directories(cache, ec);
    if (ec) {
        if (error) *error = cache + ": " + ec.message();
        return UnpackResult::Failed;
    }
    RemoveAbandoned(cache);
    Identity id;
    if (!IdentityOf(source.image, id)) {
        if (error)
            *error =
                source.image + ": " + std::error_code(errno, std::generic_category()).message();
        return UnpackResult::Failed;
    }
    const std::string name = EntryName(source.image);
    const std::string entryDir = cache + "/" + name;
    // The entry of the image as it was is of no use now; its space was counted as free.
    Entry old;
    if (ReadEntry(entryDir, old) && !(old.id == id)) platform::RemoveTree(entryDir);
    const std::string temp = NewUnpackFolder(cache, name);
    if (temp.empty()) {
        if (error)
            *error = cache + ": " + std::error_code(errno, std::generic_category()).message();
        return UnpackResult::Failed;
    }
    const std::string files = temp + "/" + kFilesFolder;
    UnpackResult result = UnpackResult::Failed;
    if (::mkdir(files.c_str(), 0755) != 0) {
        if (error)
            *error = files + ": " + std::error_code(errno, std::generic_category()).message();
    } else {
        result = UnpackImage(source.image, files, progress, error);
    }
    // The image may have changed while it was read: such an unpack is not kept.
    Identity after;
    if (result == UnpackResult::Done && (!IdentityOf(source.image, after) || !(after == id))) {
        if (error) *error = source.image + ": changed while it was unpacked";
        result = UnpackResult::Failed;
    }
    if (result == UnpackResult::Done &&
        !platform::WriteFileAtomic(temp + "/" + kEntryFile, EntryText(id, source.summary.diskBytes),
                                   error))
        result = UnpackResult::Failed;
    if (result != UnpackResult::Done) {
        platform::RemoveTree(temp);
        return result;
    }
    // Another run may have put the same image in place meanwhile; its entry serves then.
    if (ReadEntry(entryDir, old) && !(old.id == id)) platform::RemoveTree(entryDir);
    if (::rename(temp.c_str(), entryDir.c_str()) != 0) {
        const int why = errno;
        platform::RemoveTree(temp);
        Entry other;
        if (!ReadEntry(entryDir, other) || !(other.id == id)) {
            if (error)
                *error = entryDir + ": " + std::error_code(why, std::generic_category()).message();
            return UnpackResult::Failed;
        }
    }
    source.folder = entryDir + "/" + kFilesFolder;
    source.unpacked = true;
    KeepWithinLimit(cache, entryDir, Limit(settings));
    return UnpackResult::Done;
}

}  // namespace vrnx2

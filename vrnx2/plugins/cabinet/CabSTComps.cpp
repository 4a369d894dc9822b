#include "vrnx2/plugins/cabinet/CabSTComps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/FileSystem.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/TextCase.h"
#include "vrnx2/plugins/cabinet/CabHeaders.h"
#include "vrnx2/plugins/cabinet/CabSTConsts.h"

namespace vrnx2 {

namespace fs = std::filesystem;

namespace {

constexpr uint16_t kAttribReadOnly = 0x01;

std::string Hex4(int value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(value));
    return buf;
}

// Joins a folder and a name with exactly one "/" between them; empty parts are skipped.
std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (name.empty()) return folder;
    bool a = folder.back() == '/', b = name.front() == '/';
    if (a && b) return folder + name.substr(1);
    if (!a && !b) return folder + "/" + name;
    return folder + name;
}

// The path below the destination that a cabinet's file name stands for ("a\b.txt" ->
// "a/b.txt"), or nothing when it could lead elsewhere: an absolute name, a drive letter or
// a ".." component. "." and empty components are dropped.
std::optional<std::string> RelativeTarget(const std::string& name) {
    if (name.empty() || name.front() == '\\' || name.front() == '/') return std::nullopt;
    if (platform::HasDriveLetter(name)) return std::nullopt;
    std::string out;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos) end = name.size();
        std::string part = name.substr(start, end - start);
        if (part == "..") return std::nullopt;
        if (!part.empty() && part != ".") {
            if (!out.empty()) out += '/';
            out += part;
        }
        start = end + 1;
    }
    if (out.empty()) return std::nullopt;
    return out;
}

// The DOS date and time of a cabinet entry, read as local time.
std::optional<int64_t> DosTimeToSeconds(uint16_t date, uint16_t time) {
    int day = date & 0x1F, month = (date >> 5) & 0x0F, year = (date >> 9) + 1980;
    int second = (time & 0x1F) * 2, minute = (time >> 5) & 0x3F, hour = time >> 11;
    if (day < 1 || month < 1 || month > 12 || hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) return std::nullopt;
    return static_cast<int64_t>(t);
}

std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// ESTCabinet

ESTCabinet::ESTCabinet(int errorCode, int osCode, bool errorFlag, bool compression,
                       std::string detail)
    : std::runtime_error(BuildMessage(errorCode, osCode, errorFlag, compression, detail)),
      ErrorCode(errorCode),
      OsCode(osCode),
      ErrorFlag(errorFlag),
      Compression(compression),
      Detail(std::move(detail)) {}

std::string ESTCabinet::BuildMessage(int errorCode, int osCode, bool errorFlag, bool compression,
                                     const std::string& detail) {
    std::string m;
    if (errorFlag) {
        m = (compression ? FciErrorText(errorCode) : FdiErrorText(errorCode)) + " [0x" +
            Hex4(errorCode) + "]";
        if (osCode != 0) {
            m += ".\r\n" + std::generic_category().message(osCode) + " [0x" + Hex4(osCode) + "].";
        }
    } else {
        m = compression ? "FCI error" : "FDI error";
    }
    if (!detail.empty()) m += (m.back() == '.' ? "\r\n" : ".\r\n") + detail;
    return m;
}

// ---------------------------------------------------------------------------------------------
// File callbacks: the C runtime's requests on POSIX files. The last failure's errno is kept
// for the raised error.

class TSTCabReader::Files : public FdiFileCallbacks {
public:
    int lastError = 0;

    intptr_t Open(const std::string& name, int oflag) override {
        int access = oflag & 3;
        if (access == 3) return Failed(EINVAL);
        int flags = (access == 0 ? O_RDONLY : access == 1 ? O_WRONLY : O_RDWR) | O_CLOEXEC;
        if (oflag & FDI_O_CREAT) {
            flags |= O_CREAT;
            if (oflag & FDI_O_EXCL) flags |= O_EXCL;
        }
        if (oflag & FDI_O_TRUNC) flags |= O_TRUNC;
        if (oflag & FDI_O_APPEND) flags |= O_APPEND;
        int fd = ::open(name.c_str(), flags, 0666);
        if (fd < 0 && errno == ENOENT && !(oflag & FDI_O_CREAT)) {
            // Cabinets copied from Windows media may differ in letter case from the names
            // that refer to them.
            int saved = errno;
            size_t slash = name.rfind('/');
            std::string dir = slash == std::string::npos ? "." : name.substr(0, slash + 1);
            std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
            std::optional<std::string> found;
            try {
                found = platform::FindNoCase(dir, base);
            } catch (...) {
            }
            if (found && *found != base) fd = ::open((dir + *found).c_str(), flags, 0666);
            if (fd < 0) errno = saved;
        }
        if (fd < 0) return Failed(errno);
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(fd);
            return Failed(EISDIR);
        }
        if ((oflag & FDI_O_TEMPORARY) && (oflag & FDI_O_CREAT)) ::unlink(name.c_str());
        if (oflag & FDI_O_SEQUENTIAL) ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        if (oflag & FDI_O_RANDOM) ::posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
        return KeepOffZero(fd);
    }

    int Read(intptr_t hf, void* buffer, unsigned count) override {
        for (;;) {
            ssize_t n = ::read(static_cast<int>(hf), buffer, count);
            if (n >= 0) return static_cast<int>(n);
            if (errno != EINTR) return Failed(errno);
        }
    }

    int Write(intptr_t hf, const void* buffer, unsigned count) override {
        auto* p = static_cast<const char*>(buffer);
        unsigned done = 0;
        while (done < count) {
            ssize_t n = platform::Fs().Write(static_cast<int>(hf), p + done, count - done, {});
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return Failed(n < 0 ? errno : ENOSPC);
            done += static_cast<unsigned>(n);
        }
        return static_cast<int>(done);
    }

    int Close(intptr_t hf) override {
        return ::close(static_cast<int>(hf)) == 0 ? 0 : Failed(errno);
    }

    int64_t Seek(intptr_t hf, int64_t offset, int origin) override {
        off_t r = ::lseek(static_cast<int>(hf), static_cast<off_t>(offset), origin);
        return r < 0 ? Failed(errno) : static_cast<int64_t>(r);
    }

    int Failed(int error) {
        lastError = error;
        return -1;
    }

    // Handle 0 means "skip this file" to the decoder, so descriptor 0 is never handed out.
    static int KeepOffZero(int fd) {
        if (fd != 0) return fd;
        int other = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
        ::close(fd);
        return other;
    }
};

// ---------------------------------------------------------------------------------------------
// TSTCabReader

TSTCabReader::TSTCabReader() : files_(std::make_unique<Files>()) {}

// Destroying the decoder cannot fail here, so nothing is raised from the destructor.
TSTCabReader::~TSTCabReader() {
    DiscardOpenFiles();
    context_.reset();
}

void TSTCabReader::CreateContext() {
    erf_ = FdiErrorRecord{};
    BindCabinetLibrary();
    files_->lastError = 0;
    context_ = FdiContext::Create(*files_, erf_);
    if (!context_) Raise(erf_);
}

void TSTCabReader::Raise(const FdiErrorRecord& erf) {
    std::string detail = refusal_;
    if (detail.empty() && erf.code == FDIERROR_TARGET_FILE && !openFiles_.empty()) {
        detail = "Target file: " + Quoted(openFiles_.back().destination);
    }
    DiscardOpenFiles();
    throw ESTCabinet(erf.code, files_->lastError, erf.error, false, detail);
}

void TSTCabReader::DiscardOpenFiles() {
    for (const OpenFile& f : openFiles_) {
        platform::Fs().Close(static_cast<int>(f.handle), f.temporary);
        platform::Fs().Remove(f.temporary);
    }
    openFiles_.clear();
}

void TSTCabReader::ExtractCabinet(const std::string& aCabinetFile, const std::string& aDestFolder,
                                  bool aSingleCabinet) {
    refusal_.clear();
    openFiles_.clear();
    checkedFolder_.clear();
    resolved_.clear();
    lastSeconds_.reset();
    pid_ = ::getpid();
    if (aCabinetFile.empty()) {
        files_->lastError = ENOENT;
        Raise(FdiErrorRecord{FDIERROR_CABINET_NOT_FOUND, ENOENT, true});
    }
    cabinetName_ = fs::absolute(aCabinetFile).lexically_normal().generic_string();
    destFolder_ = platform::WithTrailingSlash(
        fs::absolute(aDestFolder.empty() ? std::string(".") : aDestFolder)
            .lexically_normal()
            .generic_string());
    std::error_code ec;
    destCanonical_ =
        platform::WithTrailingSlash(fs::weakly_canonical(destFolder_, ec).generic_string());
    if (ec) destCanonical_ = destFolder_;

    std::vector<std::string> started;
    std::string current = cabinetName_;
    while (!current.empty()) {
        nextCabinet_.clear();
        nextDisk_.clear();
        pendingNextCabinet_.clear();
        pendingNext_ = false;
        following_.clear();
        currentCabinet_ = current;
        started.push_back(current);
        if (!context_) CreateContext();

        size_t slash = current.rfind('/');
        std::string folder = current.substr(0, slash + 1);
        std::string name = current.substr(slash + 1);
        files_->lastError = 0;
        bool ok = false;
        try {
            ok = context_->Copy(
                name, folder, 0,
                [this](FdiNotificationType t, FdiNotification& n) { return Notify(t, n); }, erf_);
        } catch (...) {
            DiscardOpenFiles();
            throw;
        }
        if (!ok) Raise(erf_);

        std::string next;
        // The cabinet right after this one comes next, also when a file ran on through it
        // into later ones: files that start in it are extracted from it.
        if (!following_.empty()) {
            next = following_;
            for (const auto& [asked, path] : resolved_) {
                if (platform::EqualNoCase(asked, followingName_)) next = path;
            }
        } else if (pendingNext_) {
            next = pendingNextCabinet_;
        } else if (!platform::EqualNoCase(nextCabinet_, currentCabinet_)) {
            next = nextCabinet_;
        }
        if (aSingleCabinet) break;
        current.clear();
        if (next.empty()) break;
        // The next cabinet may differ in letter case from the name the cabinet gives.
        size_t cut = next.rfind('/');
        std::optional<std::string> found =
            platform::FindNoCase(next.substr(0, cut + 1), next.substr(cut + 1));
        if (!found) break;
        std::string candidate = next.substr(0, cut + 1) + *found;
        std::error_code typeError;
        if (!fs::is_regular_file(candidate, typeError)) break;
        // A set that names an earlier cabinet again ends there instead of going round.
        bool seen = false;
        for (const std::string& s : started) seen = seen || s == candidate;
        if (!seen) current = candidate;
    }
}

intptr_t TSTCabReader::Notify(FdiNotificationType type, FdiNotification& n) {
    files_->lastError = 0;
    switch (type) {
        case FdiNotificationType::CabinetInfo:
            return CabinetInfo(n);
        case FdiNotificationType::PartialFile:
            return PartialFile(n);
        case FdiNotificationType::CopyFile:
            return CopyFile(n);
        case FdiNotificationType::CloseFileInfo:
            return CloseFileInfo(n);
        case FdiNotificationType::NextCabinet:
            return NextCabinet(n);
        default: {
            intptr_t result = 0;
            if (OnUnrecognizedNotify) OnUnrecognizedNotify(*this, type, n, result);
            return result;
        }
    }
}

intptr_t TSTCabReader::CabinetInfo(FdiNotification& n) {
    if (!pendingNextCabinet_.empty()) currentCabinet_ = pendingNextCabinet_;
    if (IsPlainCabinetName(n.psz1)) nextCabinet_ = Join(n.psz3, n.psz1);
    // The first information of an extraction is about the cabinet being extracted.
    if (following_.empty() && !pendingNext_ && IsPlainCabinetName(n.psz1)) {
        following_ = nextCabinet_;
        followingName_ = n.psz1;
    }
    nextDisk_ = n.psz2;
    bool abort = false;
    if (OnCabinetInfo) OnCabinetInfo(*this, n.psz1, n.psz2, n.psz3, n.setID, n.iCabinet, abort);
    return abort ? -1 : 0;
}

intptr_t TSTCabReader::PartialFile(FdiNotification& n) {
    std::string destination;
    for (const OpenFile& f : openFiles_) {
        if (f.name == n.psz1) destination = f.destination;
    }
    bool abort = false;
    if (OnCopyPartialFile) OnCopyPartialFile(*this, n.psz1, n.psz2, n.psz3, destination, abort);
    return abort ? -1 : 0;
}

intptr_t TSTCabReader::CopyFile(FdiNotification& n) {
    n.abortError = FDIERROR_TARGET_FILE;
    std::optional<std::string> relative = RelativeTarget(n.psz1);
    if (!relative) {
        refusal_ = "The name " + Quoted(n.psz1) + " in the cabinet leads outside the destination " +
                   "folder; nothing was written for it.";
        return -1;
    }
    const std::string ownDestination = destFolder_ + *relative;
    std::string destination = ownDestination;
    bool abort = false;
    if (OnCopyFile) {
        OnCopyFile(*this, n.psz1, n.cb, n.date, n.time, n.attribs, n.iFolder, destination, abort);
    }
    if (abort) {
        n.abortError = FDIERROR_USER_ABORT;
        return -1;
    }
    if (destination.empty()) return 0;

    fs::path target(destination);
    fs::path parent = target.parent_path();
    std::error_code ec;
    // Files of one folder follow each other: the folder checked and made for the previous
    // one is not checked again.
    const bool checked = destination == ownDestination && parent.generic_string() == checkedFolder_;
    if (destination == ownDestination && !checked) {
        // A folder of the destination that is a symbolic link must not carry the file out.
        std::string resolved =
            platform::WithTrailingSlash(fs::weakly_canonical(parent, ec).generic_string());
        if (ec || resolved.compare(0, destCanonical_.size(), destCanonical_) != 0) {
            refusal_ = "The name " + Quoted(n.psz1) + " in the cabinet leads outside the " +
                       "destination folder through a symbolic link; nothing was written for it.";
            return -1;
        }
    }
    if (!checked) fs::create_directories(parent, ec);
    if (ec) {
        files_->lastError = ec.value();
        refusal_ = "Target file: " + Quoted(destination);
        // A folder of the path that is a link to nothing reads as "File exists": name it.
        for (fs::path p = parent; !p.empty() && p != p.root_path(); p = p.parent_path()) {
            std::error_code linkError;
            if (!fs::is_symlink(fs::symlink_status(p, linkError)) || fs::exists(p, linkError))
                continue;
            files_->lastError = ENOENT;
            refusal_ = "Target file: " + Quoted(destination) + ". Its folder " +
                       Quoted(p.generic_string()) + " is a symbolic link to " +
                       Quoted(fs::read_symlink(p, linkError).generic_string()) +
                       ", which does not exist.";
            break;
        }
        return -1;
    }
    if (destination == ownDestination) checkedFolder_ = parent.generic_string();
    auto status = fs::symlink_status(target, ec);
    if (!ec && fs::is_regular_file(status) && platform::IsReadOnly(target) &&
        (Options & croDontOverwriteReadOnlyFiles)) {
        return 0;
    }
    // Written under a temporary name and renamed into place when complete, so an existing
    // target (read-only or longer than the new content) is replaced whole or not at all.
    int fd = -1;
    std::string temporary;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = Join(parent.generic_string(), ".vrnx2-cab-" + std::to_string(pid_) + "-" +
                                                      std::to_string(++temporaryCounter_) + ".tmp");
        fd = platform::Fs().Open(temporary, O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd >= 0) fd = Files::KeepOffZero(fd);
    if (fd < 0) {
        files_->lastError = errno;
        refusal_ = "Target file: " + Quoted(destination);
        return -1;
    }
    openFiles_.push_back(OpenFile{n.psz1, destination, temporary, fd});
    return fd;
}

intptr_t TSTCabReader::CloseFileInfo(FdiNotification& n) {
    n.abortError = FDIERROR_TARGET_FILE;
    std::string destination;
    std::optional<OpenFile> file;
    for (auto it = openFiles_.begin(); it != openFiles_.end(); ++it) {
        if (it->handle == n.hf) {
            file = *it;
            openFiles_.erase(it);
            break;
        }
    }
    // Every handle the decoder holds came from CopyFile; anything else is not ours to close.
    if (file) {
        destination = file->destination;
        int closed = platform::Fs().Close(static_cast<int>(n.hf), file->temporary);
        int closeError = errno;
        if (closed != 0 || platform::Fs().Rename(file->temporary, destination) != 0) {
            files_->lastError = closed != 0 ? closeError : errno;
            platform::Fs().Remove(file->temporary);
            refusal_ = "Target file: " + Quoted(destination);
            return -1;
        }
        // Files of a cabinet mostly share their date: mktime looks at the time zone each time.
        if (n.date != lastDate_ || n.time != lastTime_ || !lastSeconds_) {
            lastDate_ = n.date;
            lastTime_ = n.time;
            lastSeconds_ = DosTimeToSeconds(n.date, n.time);
        }
        if (std::optional<int64_t> seconds = lastSeconds_) {
            platform::SetWriteTime(destination, platform::FileTime{*seconds, 0});
        }
        // Hidden, system and archive have no meaning here.
        if (n.attribs & kAttribReadOnly) platform::SetReadOnly(destination, true);
    }
    bool exec = n.cb != 0;
    bool abort = false;
    if (OnCloseFile) {
        OnCloseFile(*this, n.psz1, n.date, n.time, n.attribs, n.iFolder, exec, destination, abort);
    }
    if (abort) {
        n.abortError = FDIERROR_USER_ABORT;
        return -1;
    }
    if (exec && (Options & croExecuteOnExtract) && !destination.empty()) {
        platform::OpenWithDesktop(destination);
    }
    return 1;
}

intptr_t TSTCabReader::NextCabinet(FdiNotification& n) {
    intptr_t result;
    if (OnNextCabinet) {
        bool abort = false;
        std::string path = n.psz3;
        OnNextCabinet(*this, n.psz1, n.psz2, path, n.fdie, abort);
        if (!abort) n.psz3 = platform::WithTrailingSlash(path);
        result = abort ? -1 : 0;
    } else {
        result = n.fdie != FDIERROR_NONE ? -1 : 0;
    }
    pendingNextCabinet_ = Join(n.psz3, n.psz1);
    pendingNext_ = true;
    bool known = false;
    for (auto& [name, path] : resolved_) {
        if (platform::EqualNoCase(name, n.psz1)) {
            path = pendingNextCabinet_;
            known = true;
        }
    }
    if (!known) resolved_.emplace_back(n.psz1, pendingNextCabinet_);
    return result;
}

}  // namespace vrnx2

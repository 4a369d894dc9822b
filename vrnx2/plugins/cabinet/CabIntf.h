#pragma once
// The cabinet decoder. libmspack reads the tables and decodes LZX and Quantum folders,
// CabFolderStream stored and MSZIP ones; this layer walks the cabinet's own tables
// so that a client sees the notifications of the system's cabinet library in their order:
// cabinet information, copy file, close file information, next cabinet (for a file that
// continues in the following cabinet) and partial file (for one that began in an earlier
// one). All file access goes through the client's callbacks.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vrnx2 {

// Error numbers of the decoder, 0 to 11 in this order; their texts are in CabSTConsts.
enum FdiError : int {
    FDIERROR_NONE,
    FDIERROR_CABINET_NOT_FOUND,
    FDIERROR_NOT_A_CABINET,
    FDIERROR_UNKNOWN_CABINET_VERSION,
    FDIERROR_CORRUPT_CABINET,
    FDIERROR_ALLOC_FAIL,
    FDIERROR_BAD_COMPR_TYPE,
    FDIERROR_MDI_FAIL,
    FDIERROR_TARGET_FILE,
    FDIERROR_RESERVE_MISMATCH,
    FDIERROR_WRONG_CABINET,
    FDIERROR_USER_ABORT,
};
static_assert(FDIERROR_USER_ABORT == 11);

struct FdiErrorRecord {
    int code = FDIERROR_NONE;  // erfOper
    int osCode = 0;            // erfType: errno of the failing file operation
    bool error = false;        // fError
};

// Numbered 0 to 5 in this order.
enum class FdiNotificationType {
    CabinetInfo,
    PartialFile,
    CopyFile,
    CloseFileInfo,
    NextCabinet,
    Enumerate
};

// One notification. Texts are UTF-8: names stored in the ANSI code page are converted, and
// cabinet names keep the cabinet's "\" separators.
//   CabinetInfo:   psz1 next cabinet, psz2 next disk, psz3 cabinet path, setID, iCabinet
//   PartialFile:   psz1 file name, psz2 first cabinet, psz3 first disk
//   CopyFile:      psz1 file name, cb size, date, time, attribs, iFolder
//   CloseFileInfo: psz1 file name, hf, date, time, attribs, iFolder, cb run-after-extraction
//   NextCabinet:   psz1 cabinet name, psz2 disk name, psz3 cabinet path (may be changed),
//                  fdie why the previous attempt failed
struct FdiNotification {
    int64_t cb = 0;
    std::string psz1, psz2, psz3;
    intptr_t hf = 0;
    uint16_t date = 0, time = 0, attribs = 0;
    uint16_t setID = 0, iCabinet = 0, iFolder = 0;
    int fdie = FDIERROR_NONE;
    // The error the decoder reports when the handler returns -1 (for instance
    // FDIERROR_TARGET_FILE when the target could not be created).
    int abortError = FDIERROR_USER_ABORT;
};

// The handler: CopyFile returns a handle, 0 to skip the file or -1 to abort; CloseFileInfo
// returns 1 (anything else aborts); the others 0, or -1 to abort.
using FdiNotify = std::function<intptr_t(FdiNotificationType, FdiNotification&)>;

// C runtime flags of the open callback: the access in the low two bits, then the modifiers.
inline constexpr int FDI_O_RDONLY = 0x0000, FDI_O_WRONLY = 0x0001, FDI_O_RDWR = 0x0002;
enum : int {
    FDI_O_APPEND = 0x0008,
    FDI_O_RANDOM = 0x0010,
    FDI_O_SEQUENTIAL = 0x0020,
    FDI_O_TEMPORARY = 0x0040,
    FDI_O_CREAT = 0x0100,
    FDI_O_TRUNC = 0x0200,
    FDI_O_EXCL = 0x0400,
    FDI_O_SHORT_LIVED = 0x1000,
    FDI_O_BINARY = 0x8000,
};

// The file operations the decoder uses. Failures return -1.
class FdiFileCallbacks {
public:
    virtual ~FdiFileCallbacks() = default;
    virtual intptr_t Open(const std::string& name, int oflag) = 0;
    virtual int Read(intptr_t hf, void* buffer, unsigned count) = 0;
    virtual int Write(intptr_t hf, const void* buffer, unsigned count) = 0;
    virtual int Close(intptr_t hf) = 0;
    virtual int64_t Seek(intptr_t hf, int64_t offset, int origin) = 0;  // SEEK_SET/CUR/END
};

// A decoding context (FDICreate ... FDIDestroy). It keeps the cabinets of the set being
// extracted open, so a file of a folder that began in an earlier cabinet can be decoded.
class FdiContext {
public:
    // Null with `erf` filled when the decoder cannot be created.
    static std::unique_ptr<FdiContext> Create(FdiFileCallbacks& files, FdiErrorRecord& erf);
    ~FdiContext();
    FdiContext(const FdiContext&) = delete;
    FdiContext& operator=(const FdiContext&) = delete;

    // Extracts the cabinet `cabinetPath` + `cabinetName` (the path ends with "/"),
    // reporting every step to `notify`. False with `erf` filled on failure.
    bool Copy(const std::string& cabinetName, const std::string& cabinetPath, int flags,
              const FdiNotify& notify, FdiErrorRecord& erf);

    struct Impl;

private:
    explicit FdiContext(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// Checks once per process that the decoder library is usable (its calling conventions
// match and it can decode cabinets); throws std::system_error when it is not.
void BindCabinetLibrary();

}  // namespace vrnx2

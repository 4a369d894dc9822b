#pragma once
// The cabinet reader: extracts every file of a cabinet, and of the cabinets that follow it
// in its set, into a destination folder, keeping the stored folders, times and the
// read-only attribute. Names that would lead outside the destination are refused.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "vrnx2/plugins/cabinet/CabIntf.h"

namespace vrnx2 {

// A decoder failure. The message follows the error number, the system's error and the
// error flag; `Detail` (such as the refused entry) follows as a sentence of its own.
class ESTCabinet : public std::runtime_error {
public:
    ESTCabinet(int errorCode, int osCode, bool errorFlag, bool compression,
               std::string detail = {});

    static std::string BuildMessage(int errorCode, int osCode, bool errorFlag, bool compression,
                                    const std::string& detail = {});

    int ErrorCode;
    int OsCode;
    bool ErrorFlag;
    bool Compression;  // from compression rather than decompression
    std::string Detail;
};

enum TSTCabReaderOption : unsigned {
    croExecuteOnExtract = 1u << 0,            // open files flagged to run after extraction
    croDontOverwriteReadOnlyFiles = 1u << 1,  // skip a file whose existing target is read-only
};
using TSTCabReaderOptions = unsigned;

class TSTCabReader;

using TSTCabinetInfoEvent = std::function<void(
    TSTCabReader& Sender, const std::string& aNextCabName, const std::string& aNextDiskName,
    const std::string& aCabPath, int aSetID, int aCabNo, bool& anAbort)>;
using TSTCopyFileEvent =
    std::function<void(TSTCabReader& Sender, const std::string& aSrcFileName,
                       int64_t anUncompressedSize, uint16_t aDate, uint16_t aTime, uint16_t anAttrs,
                       int aFolderNo, std::string& aDstFullFileName, bool& anAbort)>;
using TSTCopyPartialFileEvent = std::function<void(
    TSTCabReader& Sender, const std::string& aSrcFileName, const std::string& aStartCabName,
    const std::string& aStartDiskName, const std::string& aDstFullFileName, bool& anAbort)>;
using TSTCloseFileEvent =
    std::function<void(TSTCabReader& Sender, const std::string& aSrcFileName, uint16_t aDate,
                       uint16_t aTime, uint16_t anAttrs, int aFolderNo, bool& anExec,
                       const std::string& aDstFullFileName, bool& anAbort)>;
using TSTNextCabinetEvent = std::function<void(TSTCabReader& Sender, const std::string& aCabName,
                                               const std::string& aDiskName, std::string& aCabPath,
                                               int anError, bool& anAbort)>;
using TSTUnrecognizedNotifyEvent =
    std::function<void(TSTCabReader& Sender, FdiNotificationType aNotifyType,
                       FdiNotification& aNotify, intptr_t& aResult)>;

class TSTCabReader {
public:
    TSTCabReader();
    ~TSTCabReader();
    TSTCabReader(const TSTCabReader&) = delete;
    TSTCabReader& operator=(const TSTCabReader&) = delete;

    // Extracts `aCabinetFile` into `aDestFolder` (created when missing), then, unless
    // `aSingleCabinet`, the following cabinets of its set that exist. Throws ESTCabinet
    // (decoder failures, refused names) and std::system_error (no usable decoder). Files
    // completed before a failure stay; a file being written when it happens is not left
    // half-written: targets are written under a temporary name and renamed into place.
    void ExtractCabinet(const std::string& aCabinetFile, const std::string& aDestFolder,
                        bool aSingleCabinet);

    TSTCabReaderOptions Options = 0;

    TSTCabinetInfoEvent OnCabinetInfo;
    TSTCopyFileEvent OnCopyFile;
    TSTCopyPartialFileEvent OnCopyPartialFile;
    TSTCloseFileEvent OnCloseFile;
    TSTNextCabinetEvent OnNextCabinet;
    TSTUnrecognizedNotifyEvent OnUnrecognizedNotify;

    class Files;

private:
    struct OpenFile {
        std::string name;         // in the cabinet
        std::string destination;  // where it goes
        std::string temporary;    // where it is written until it is closed
        intptr_t handle = 0;
    };

    intptr_t Notify(FdiNotificationType type, FdiNotification& n);
    intptr_t CabinetInfo(FdiNotification& n);
    intptr_t PartialFile(FdiNotification& n);
    intptr_t CopyFile(FdiNotification& n);
    intptr_t CloseFileInfo(FdiNotification& n);
    intptr_t NextCabinet(FdiNotification& n);
    void CreateContext();
    void DiscardOpenFiles();
    [[noreturn]] void Raise(const FdiErrorRecord& erf);

    std::unique_ptr<Files> files_;
    std::unique_ptr<FdiContext> context_;
    FdiErrorRecord erf_;
    std::string cabinetName_;
    std::string destFolder_;     // ends with "/"
    std::string destCanonical_;  // the destination with symbolic links resolved
    std::string currentCabinet_, nextCabinet_, nextDisk_;
    std::string pendingNextCabinet_;
    bool pendingNext_ = false;
    // The cabinet after the one being extracted, as it names it, and where the next cabinet
    // events of this extraction found each cabinet they were asked for.
    std::string following_, followingName_;
    std::vector<std::pair<std::string, std::string>> resolved_;
    std::vector<OpenFile> openFiles_;
    std::string refusal_;  // why the last target was refused, for the raised error
    unsigned temporaryCounter_ = 0;
    int pid_ = 0;                // in the temporary names
    std::string checkedFolder_;  // the folder of the last target, checked and made
    uint16_t lastDate_ = 0, lastTime_ = 0;
    std::optional<int64_t> lastSeconds_;  // of lastDate_ and lastTime_
};

}  // namespace vrnx2

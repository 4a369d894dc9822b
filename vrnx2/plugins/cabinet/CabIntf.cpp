#include "vrnx2/plugins/cabinet/CabIntf.h"

#include <mspack.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <new>
#include <system_error>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Locale.h"
#include "platform/Utf8.h"
#include "vrnx2/plugins/cabinet/CabFolderStream.h"
#include "vrnx2/plugins/cabinet/CabHeaders.h"
#include "vrnx2/plugins/cabinet/CabSystem.h"

namespace vrnx2 {

namespace {

constexpr uint16_t kAttribNameIsUtf = 0x80;
constexpr uint16_t kAttribExecute = 0x40;
// A handler that keeps answering a failed next cabinet with "try again" is not asked forever.
constexpr int kNextCabinetAttempts = 32;
// libmspack reads compressed input in pieces of this size (its default is 4 KB).
constexpr int kInputBufferSize = 64 * 1024;

// Text stored in a cabinet: UTF-8 when the name carries the UTF flag, else the ANSI code
// page, as the system's cabinet library reads it.
std::string CabText(const std::string& raw, bool isUtf8) {
    bool ascii = true;
    for (char c : raw) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return raw;
    if (isUtf8) return platform::RepairUtf8(raw);
    return platform::AnsiToUtf8(raw, platform::CurrentLocale().ansiCodePage);
}

std::string FileName(const CabFileEntry& e) {
    return CabText(e.name, (e.attribs & kAttribNameIsUtf) != 0);
}

// The decoder's error number for a library error while opening or extracting a cabinet.
int MapError(int e, bool extracting) {
    if (e == MSPACK_ERR_OPEN) return FDIERROR_CABINET_NOT_FOUND;
    if (e == MSPACK_ERR_NOMEMORY) return FDIERROR_ALLOC_FAIL;
    if (e == MSPACK_ERR_SIGNATURE && !extracting) return FDIERROR_NOT_A_CABINET;
    if (e == MSPACK_ERR_WRITE && extracting) return FDIERROR_TARGET_FILE;
    return FDIERROR_CORRUPT_CABINET;
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

struct FdiContext::Impl {
    struct Cabinet {
        std::string path;  // stays put: libmspack keeps a pointer to it
        CabHeader header;
        mscabd_cabinet* cab = nullptr;
        // libmspack's folders, in the order of header.folders. A folder continued from the
        // previous cabinet becomes, once the two are joined, that cabinet's last folder.
        std::vector<mscabd_folder*> folders;
        // Joined ahead of need for the decoder's read-ahead, but not yet reported.
        bool announced = true;
        // What the file was when opened: a set is reused only while its files stay the same.
        uintmax_t size = 0;
        std::filesystem::file_time_type writeTime{};

        bool Unchanged() const {
            std::error_code ec, ec2;
            auto s = std::filesystem::file_size(path, ec);
            auto t = std::filesystem::last_write_time(path, ec2);
            return !ec && !ec2 && s == size && t == writeTime;
        }
        // Whether a file continues from the previous cabinet, into the next; asked once per
        // file extracted, so worked out once.
        bool fromPrev = false, toNext = false;
        void Spans() {
            for (const CabFileEntry& e : header.files) {
                fromPrev = fromPrev || e.ContinuedFromPrev();
                toNext = toNext || e.ContinuedToNext();
            }
        }
        bool ContinuesFromPrev() const { return fromPrev; }
        bool ContinuesToNext() const { return toNext; }
    };

    explicit Impl(FdiFileCallbacks& f) : files(f), stream(f) { system.files = &f; }
    ~Impl() {
        ResetChain();
        if (decoder) mspack_destroy_cab_decompressor(decoder);
    }

    FdiFileCallbacks& files;
    // Stored and MSZIP folders; libmspack decodes the others.
    CabFolderStream stream;
    CabSystem system;
    mscab_decompressor* decoder = nullptr;
    std::vector<std::unique_ptr<Cabinet>> chain;  // cabinets of the current set, in set order
    std::unique_ptr<Cabinet> empty;               // the last cabinet entered that holds no files
    // extract() names its output file; this name stands for the client's open handle.

    bool Fail(FdiErrorRecord& erf, int code) {
        erf.code = code;
        erf.error = true;
        return false;
    }

    void ResetChain() {
        stream.Reset();
        if (!chain.empty()) decoder->close(decoder, chain.front()->cab);
        chain.clear();
    }

    // `allowEmpty`: a cabinet without files is valid and extracts to nothing, but libmspack
    // refuses to open one; it is then kept without a decoder handle and never joined.
    std::unique_ptr<Cabinet> OpenCabinet(const std::string& path, int& code,
                                         bool allowEmpty = false) {
        auto c = std::make_unique<Cabinet>();
        c->path = path;
        intptr_t hf = files.Open(path, FDI_O_BINARY | FDI_O_RDONLY);
        if (hf == -1) {
            code = FDIERROR_CABINET_NOT_FOUND;
            return nullptr;
        }
        code = ReadCabHeader(files, hf, c->header);
        files.Close(hf);
        c->Spans();
        std::error_code ec;
        c->size = std::filesystem::file_size(path, ec);
        c->writeTime = std::filesystem::last_write_time(path, ec);
        if (code != FDIERROR_NONE) return nullptr;
        if (c->header.files.empty()) {
            if (allowEmpty) return c;
            code = FDIERROR_CORRUPT_CABINET;
            return nullptr;
        }
        c->cab = decoder->open(decoder, c->path.c_str());
        if (!c->cab) {
            code = MapError(decoder->last_error(decoder), false);
            return nullptr;
        }
        // Both readings of the tables must agree before either is trusted.
        bool same = true;
        size_t count = 0;
        for (mscabd_file* f = c->cab->files; f && same; f = f->next, ++count) {
            same = count < c->header.files.size() && f->length == c->header.files[count].size &&
                   f->offset == c->header.files[count].offset;
        }
        for (mscabd_folder* f = c->cab->folders; f; f = f->next) c->folders.push_back(f);
        same = same && count == c->header.files.size() &&
               c->folders.size() == c->header.folders.size();
        if (!same) {
            decoder->close(decoder, c->cab);
            code = FDIERROR_CORRUPT_CABINET;
            return nullptr;
        }
        return c;
    }

    static bool Follows(const Cabinet& prev, const Cabinet& next) {
        return (prev.header.flags & kCabFlagNextCabinet) &&
               (next.header.flags & kCabFlagPrevCabinet) &&
               prev.header.setID == next.header.setID &&
               next.header.iCabinet == prev.header.iCabinet + 1;
    }
    static bool SameReserve(const Cabinet& a, const Cabinet& b) {
        return a.header.folderReserve == b.header.folderReserve &&
               a.header.dataReserve == b.header.dataReserve;
    }

    // Opens `path` as the cabinet to extract: one already joined to the current set, the
    // next one of the set, or the start of a new set.
    Cabinet* Enter(const std::string& path, FdiErrorRecord& erf) {
        for (auto& c : chain) {
            if (!c->Unchanged()) {
                ResetChain();
                break;
            }
        }
        for (auto& c : chain) {
            if (SameFile(c->path, path)) return c.get();
        }
        int code = FDIERROR_NONE;
        auto c = OpenCabinet(path, code, true);
        if (!c) {
            Fail(erf, code);
            return nullptr;
        }
        if (!c->cab) {
            empty = std::move(c);
            return empty.get();
        }
        if (!chain.empty() && Follows(*chain.back(), *c) && SameReserve(*chain.back(), *c) &&
            decoder->append(decoder, chain.back()->cab, c->cab) == MSPACK_ERR_OK) {
            Joined(*chain.back(), *c);
            chain.push_back(std::move(c));
            return chain.back().get();
        }
        ResetChain();
        chain.push_back(std::move(c));
        JoinPredecessors();
        for (auto& e : chain) {
            if (SameFile(e->path, path)) return e.get();
        }
        return nullptr;
    }

    // A cabinet whose first folder began in an earlier cabinet can only decode that folder
    // with the earlier cabinets joined in front; they are taken from beside it when present.
    void JoinPredecessors() {
        for (;;) {
            Cabinet& head = *chain.front();
            std::string name = CabText(head.header.prevCabinet, false);
            if (!head.ContinuesFromPrev() || !IsPlainCabinetName(name)) {
                return;
            }
            int code = FDIERROR_NONE;
            auto p = OpenCabinet(FolderOf(head.path) + name, code);
            if (!p) return;
            if (!Follows(*p, head) || !SameReserve(*p, head) ||
                decoder->prepend(decoder, head.cab, p->cab) != MSPACK_ERR_OK) {
                decoder->close(decoder, p->cab);
                return;
            }
            Joined(*p, head);
            chain.insert(chain.begin(), std::move(p));
        }
    }

    static FdiNotification CabinetInfo(const Cabinet& c, const std::string& path) {
        FdiNotification n;
        n.psz1 = CabText(c.header.nextCabinet, false);
        n.psz2 = CabText(c.header.nextDisk, false);
        n.psz3 = path;
        n.setID = c.header.setID;
        n.iCabinet = c.header.iCabinet;
        return n;
    }

    // The cabinet after `c`, asking the handler for it as the system's library does; it is
    // joined to the set and announced with its cabinet information.
    Cabinet* Next(Cabinet& c, std::string& cabinetPath, const FdiNotify& notify,
                  FdiErrorRecord& erf) {
        if (Cabinet* joined = Following(c)) {
            if (!joined->announced) {
                FdiNotification n;
                n.psz1 = CabText(c.header.nextCabinet, false);
                n.psz2 = CabText(c.header.nextDisk, false);
                n.psz3 = cabinetPath;
                if (notify(FdiNotificationType::NextCabinet, n) == -1) {
                    Fail(erf, n.abortError);
                    return nullptr;
                }
                cabinetPath = n.psz3;
                FdiNotification info = CabinetInfo(*joined, cabinetPath);
                if (notify(FdiNotificationType::CabinetInfo, info) == -1) {
                    Fail(erf, info.abortError);
                    return nullptr;
                }
                joined->announced = true;
            }
            return joined;
        }
        int fdie = FDIERROR_NONE;
        for (int attempt = 0; attempt < kNextCabinetAttempts; ++attempt) {
            FdiNotification n;
            n.psz1 = CabText(c.header.nextCabinet, false);
            n.psz2 = CabText(c.header.nextDisk, false);
            n.psz3 = cabinetPath;
            n.fdie = fdie;
            if (notify(FdiNotificationType::NextCabinet, n) == -1) {
                Fail(erf, fdie != FDIERROR_NONE ? fdie : n.abortError);
                return nullptr;
            }
            cabinetPath = n.psz3;
            if (!IsPlainCabinetName(n.psz1)) {
                fdie = FDIERROR_CABINET_NOT_FOUND;
                continue;
            }
            int code = FDIERROR_NONE;
            auto next = OpenCabinet(cabinetPath + n.psz1, code);
            if (!next) {
                fdie = code;
                continue;
            }
            if (!Follows(c, *next)) {
                fdie = FDIERROR_WRONG_CABINET;
            } else if (!SameReserve(c, *next)) {
                fdie = FDIERROR_RESERVE_MISMATCH;
            } else if (decoder->append(decoder, c.cab, next->cab) != MSPACK_ERR_OK) {
                fdie = FDIERROR_WRONG_CABINET;
            } else {
                Joined(c, *next);
                chain.push_back(std::move(next));
                Cabinet* joined = chain.back().get();
                FdiNotification info = CabinetInfo(*joined, cabinetPath);
                if (notify(FdiNotificationType::CabinetInfo, info) == -1) {
                    Fail(erf, info.abortError);
                    return nullptr;
                }
                return joined;
            }
            decoder->close(decoder, next->cab);
        }
        Fail(erf, fdie);
        return nullptr;
    }

    Cabinet* Following(const Cabinet& c) {
        for (size_t i = 0; i + 1 < chain.size(); ++i) {
            if (chain[i].get() == &c) return chain[i + 1].get();
        }
        return nullptr;
    }

    // Joins the cabinet after `c` without telling the client. libmspack reads compressed
    // input ahead, past the end of a file's data; in a folder that goes on in the next
    // cabinet that reaches into it even for files that lie wholly in this one.
    bool JoinQuietly(Cabinet& c, const std::string& cabinetPath) {
        if (Following(c)) return true;
        std::string name = CabText(c.header.nextCabinet, false);
        if (!IsPlainCabinetName(name)) return false;
        int code = FDIERROR_NONE;
        auto next = OpenCabinet(cabinetPath + name, code);
        if (!next) return false;
        if (Follows(c, *next) && SameReserve(c, *next) &&
            decoder->append(decoder, c.cab, next->cab) == MSPACK_ERR_OK) {
            Joined(c, *next);
            next->announced = false;
            chain.push_back(std::move(next));
            return true;
        }
        decoder->close(decoder, next->cab);
        return false;
    }

    // Joins every cabinet that the last folder of `c` goes on into. The decoder reads
    // compressed input ahead, past the end of the file it decodes, and fails when that
    // reaches a block cut at the end of the joined set, though the file itself lies wholly
    // before it; a folder can run through several cabinets that hold nothing else. Cabinets
    // beside this one are joined quietly; with `needed` (compressed data), the client is
    // asked for one that is not.
    bool JoinFolderRest(Cabinet& c, bool needed, std::string& cabinetPath, const FdiNotify& notify,
                        FdiErrorRecord& erf) {
        Cabinet* cur = &c;
        while (cur->ContinuesToNext()) {
            Cabinet* next = Following(*cur);
            if (!next && JoinQuietly(*cur, cabinetPath)) next = Following(*cur);
            if (!next) {
                if (!needed) return true;
                next = Next(*cur, cabinetPath, notify, erf);
                if (!next) return false;
            }
            // A cabinet with more than one folder ends the continued one in its first.
            if (next->folders.size() != 1 || !next->ContinuesFromPrev()) return true;
            cur = next;
        }
        return true;
    }

    // Joins the cabinets that entry `index` of `c` continues into.
    bool JoinContinuation(Cabinet& c, size_t index, std::string& cabinetPath,
                          const FdiNotify& notify, FdiErrorRecord& erf) {
        Cabinet* cur = &c;
        const CabFileEntry* entry = &c.header.files[index];
        while (entry && entry->ContinuedToNext()) {
            Cabinet* next = Next(*cur, cabinetPath, notify, erf);
            if (!next) return false;
            const CabFileEntry* match = nullptr;
            for (const CabFileEntry& e : next->header.files) {
                if (e.ContinuedFromPrev() && e.offset == entry->offset && e.size == entry->size) {
                    match = &e;
                    break;
                }
            }
            cur = next;
            entry = match;
        }
        return true;
    }

    // libmspack frees the continued folder of the later cabinet when it joins two.
    static void Joined(Cabinet& prev, Cabinet& next) {
        if ((prev.ContinuesToNext() || next.ContinuesFromPrev()) && !prev.folders.empty() &&
            !next.folders.empty()) {
            next.folders.front() = prev.folders.back();
        }
    }

    // The data of a folder as the joined set holds it: one segment in every cabinet that
    // shares it, in set order.
    std::vector<CabDataSegment> Segments(const mscabd_folder* folder) const {
        std::vector<CabDataSegment> out;
        for (const auto& c : chain) {
            for (size_t j = 0; j < c->folders.size(); ++j) {
                if (c->folders[j] != folder) continue;
                const CabFolderEntry& f = c->header.folders[j];
                out.push_back({c->path, f.dataOffset, f.dataBlocks, c->header.dataReserve});
            }
        }
        return out;
    }

    // The entry is decoded from its folder as the joined set holds it. libmspack's own file
    // list is not used: joining cabinets drops the later cabinet's files of a continued
    // folder from it.
    bool Decode(const Cabinet& cab, const CabFileEntry& e, int method, intptr_t hf,
                FdiErrorRecord& erf) {
        size_t folder = e.folder < kFolderContinuedFromPrev ? e.folder : cab.folders.size() - 1;
        if (method == kCabMethodStored || method == kCabMethodMszip) {
            int code = stream.Extract(cab.folders[folder], method, Segments(cab.folders[folder]),
                                      e.offset, e.size, hf);
            return code == FDIERROR_NONE || Fail(erf, code);
        }
        std::string name = e.name;
        mscabd_file file{};
        file.filename = name.data();
        file.length = e.size;
        file.offset = e.offset;
        file.attribs = e.attribs;
        file.folder = cab.folders[folder];
        system.outputHandle = hf;
        system.extracting = true;
        int err = decoder->extract(decoder, &file, system.outputToken);
        system.extracting = false;
        if (err != MSPACK_ERR_OK) return Fail(erf, MapError(err, true));
        return true;
    }

    bool Copy(const std::string& name, const std::string& path, const FdiNotify& notify,
              FdiErrorRecord& erf) {
        Cabinet* cab = Enter(path + name, erf);
        if (!cab) return false;
        for (auto& c : chain) c->announced = true;
        std::string cabinetPath = path;
        FdiNotification info = CabinetInfo(*cab, cabinetPath);
        if (notify(FdiNotificationType::CabinetInfo, info) == -1) {
            return Fail(erf, info.abortError);
        }
        // The entries are copied: joining later cabinets must not disturb the iteration.
        const std::vector<CabFileEntry> entries = cab->header.files;
        const std::vector<CabFolderEntry> folders = cab->header.folders;
        for (size_t i = 0; i < entries.size(); ++i) {
            const CabFileEntry& e = entries[i];
            FdiNotification n;
            n.psz1 = FileName(e);
            if (e.ContinuedFromPrev()) {
                n.psz2 = CabText(cab->header.prevCabinet, false);
                n.psz3 = CabText(cab->header.prevDisk, false);
                if (notify(FdiNotificationType::PartialFile, n) == -1) {
                    return Fail(erf, n.abortError);
                }
                continue;
            }
            n.cb = e.size;
            n.date = e.date;
            n.time = e.time;
            n.attribs = e.attribs;
            n.iFolder = e.folder;
            intptr_t hf = notify(FdiNotificationType::CopyFile, n);
            if (hf == -1) return Fail(erf, n.abortError);
            if (hf == 0) continue;

            size_t folder = e.folder < kFolderContinuedFromPrev ? e.folder : folders.size() - 1;
            int method = folders[folder].compression & 0x0F;
            if (method > MSCAB_COMP_LZX) return Fail(erf, FDIERROR_BAD_COMPR_TYPE);
            if (e.ContinuedToNext() && !JoinContinuation(*cab, i, cabinetPath, notify, erf)) {
                return false;
            }
            if (folder + 1 == folders.size() && cab->ContinuesToNext() &&
                !JoinFolderRest(*cab, method != MSCAB_COMP_NONE, cabinetPath, notify, erf)) {
                return false;
            }
            if (!Decode(*cab, e, method, hf, erf)) return false;

            FdiNotification closing;
            closing.psz1 = n.psz1;
            closing.hf = hf;
            closing.date = e.date;
            closing.time = e.time;
            closing.attribs = e.attribs;
            closing.iFolder = e.folder;
            closing.cb = (e.attribs & kAttribExecute) ? 1 : 0;
            if (notify(FdiNotificationType::CloseFileInfo, closing) != 1) {
                return Fail(erf, closing.abortError);
            }
        }
        return true;
    }
};

FdiContext::FdiContext(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
FdiContext::~FdiContext() = default;

std::unique_ptr<FdiContext> FdiContext::Create(FdiFileCallbacks& files, FdiErrorRecord& erf) {
    erf = FdiErrorRecord{};
    auto impl = std::make_unique<Impl>(files);
    BindSystem(impl->system);
    impl->decoder = mspack_create_cab_decompressor(&impl->system.sys);
    if (!impl->decoder) {
        erf.code = FDIERROR_ALLOC_FAIL;
        erf.error = true;
        return nullptr;
    }
    impl->decoder->set_param(impl->decoder, MSCABD_PARAM_DECOMPBUF, kInputBufferSize);
    return std::unique_ptr<FdiContext>(new FdiContext(std::move(impl)));
}

bool FdiContext::Copy(const std::string& cabinetName, const std::string& cabinetPath, int,
                      const FdiNotify& notify, FdiErrorRecord& erf) {
    erf = FdiErrorRecord{};
    return impl_->Copy(cabinetName, cabinetPath, notify, erf);
}

}  // namespace vrnx2

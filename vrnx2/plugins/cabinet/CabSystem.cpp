// libmspack's system layer over the client's file callbacks: every file the decoder opens,
// reads, writes and seeks goes through them, the cabinets' reads buffered.

#include "vrnx2/plugins/cabinet/CabSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>

#include "vrnx2/plugins/cabinet/CabIntf.h"

namespace vrnx2 {

namespace {

constexpr size_t kReadBufferSize = 64 * 1024;

struct Handle {
    CabSystem* owner;
    intptr_t hf;
    bool borrowed;  // the client's target handle: the client closes it
    // Handles opened for reading are buffered: libmspack reads a cabinet's file table a few
    // bytes at a time, with a seek between.
    std::unique_ptr<char[]> buffer;
    int64_t bufferPos = 0;  // offset in the file of buffer[0]
    size_t begin = 0, end = 0;
};

CabSystem* Owner(mspack_system* self) {
    return reinterpret_cast<CabSystem*>(self);  // sys is its first member
}

mspack_file* SysOpen(mspack_system* self, const char* filename, int mode) {
    CabSystem* impl = Owner(self);
    if (impl->extracting && filename == impl->outputToken) {
        return reinterpret_cast<mspack_file*>(
            new (std::nothrow) Handle{impl, impl->outputHandle, true, {}, 0, 0, 0});
    }
    int oflag = FDI_O_BINARY;
    switch (mode) {
        case MSPACK_SYS_OPEN_READ:
            oflag |= FDI_O_RDONLY;
            break;
        case MSPACK_SYS_OPEN_WRITE:
            oflag |= FDI_O_WRONLY | FDI_O_CREAT | FDI_O_TRUNC;
            break;
        case MSPACK_SYS_OPEN_UPDATE:
            oflag |= FDI_O_RDWR;
            break;
        case MSPACK_SYS_OPEN_APPEND:
            oflag |= FDI_O_RDWR | FDI_O_APPEND;
            break;
        default:
            return nullptr;
    }
    intptr_t hf = impl->files->Open(filename, oflag);
    if (hf == -1) return nullptr;
    auto* h = new (std::nothrow) Handle{impl, hf, false, {}, 0, 0, 0};
    if (h && mode == MSPACK_SYS_OPEN_READ) {
        h->buffer.reset(new (std::nothrow) char[kReadBufferSize]);
    }
    if (!h) impl->files->Close(hf);
    return reinterpret_cast<mspack_file*>(h);
}

Handle* AsHandle(mspack_file* f) {
    return reinterpret_cast<Handle*>(f);
}

void SysClose(mspack_file* file) {
    Handle* h = AsHandle(file);
    if (!h) return;
    if (!h->borrowed) h->owner->files->Close(h->hf);
    delete h;
}

int SysRead(mspack_file* file, void* buffer, int bytes) {
    Handle* h = AsHandle(file);
    if (!h || bytes < 0) return -1;
    FdiFileCallbacks& files = *h->owner->files;
    if (!h->buffer) return files.Read(h->hf, buffer, static_cast<unsigned>(bytes));
    auto* out = static_cast<char*>(buffer);
    size_t want = static_cast<size_t>(bytes), done = 0;
    while (want > 0) {
        if (h->begin == h->end) {
            h->bufferPos += static_cast<int64_t>(h->end);
            h->begin = h->end = 0;
            // Large reads go straight to the caller.
            char* into = want >= kReadBufferSize ? out + done : h->buffer.get();
            int n =
                files.Read(h->hf, into,
                           static_cast<unsigned>(want >= kReadBufferSize ? want : kReadBufferSize));
            if (n < 0) return done > 0 ? static_cast<int>(done) : -1;
            if (n == 0) break;
            if (into != h->buffer.get()) {
                h->bufferPos += n;
                done += static_cast<size_t>(n);
                want -= static_cast<size_t>(n);
                continue;
            }
            h->end = static_cast<size_t>(n);
        }
        size_t take = std::min(want, h->end - h->begin);
        std::memcpy(out + done, h->buffer.get() + h->begin, take);
        h->begin += take;
        done += take;
        want -= take;
    }
    return static_cast<int>(done);
}

int SysWrite(mspack_file* file, void* buffer, int bytes) {
    Handle* h = AsHandle(file);
    if (!h || bytes < 0) return -1;
    return h->owner->files->Write(h->hf, buffer, static_cast<unsigned>(bytes));
}

int SysSeek(mspack_file* file, off_t offset, int mode) {
    Handle* h = AsHandle(file);
    if (!h) return -1;
    int origin = mode == MSPACK_SYS_SEEK_START ? SEEK_SET
                 : mode == MSPACK_SYS_SEEK_CUR ? SEEK_CUR
                 : mode == MSPACK_SYS_SEEK_END ? SEEK_END
                                               : -1;
    if (origin < 0) return -1;
    if (!h->buffer) return h->owner->files->Seek(h->hf, offset, origin) < 0 ? -1 : 0;
    const int64_t here = h->bufferPos + static_cast<int64_t>(h->begin);
    if (origin != SEEK_END) {
        const int64_t target = origin == SEEK_SET ? offset : here + offset;
        if (target < 0) return -1;
        // Within what the buffer holds: no system call.
        if (target >= h->bufferPos && target <= h->bufferPos + static_cast<int64_t>(h->end)) {
            h->begin = static_cast<size_t>(target - h->bufferPos);
            return 0;
        }
        offset = static_cast<off_t>(target);
        origin = SEEK_SET;
    }
    const int64_t at = h->owner->files->Seek(h->hf, offset, origin);
    if (at < 0) return -1;  // a failed seek leaves the file, and the buffer, as they were
    h->bufferPos = at;
    h->begin = h->end = 0;
    return 0;
}

off_t SysTell(mspack_file* file) {
    Handle* h = AsHandle(file);
    if (!h) return -1;
    if (h->buffer) return static_cast<off_t>(h->bufferPos + static_cast<int64_t>(h->begin));
    return static_cast<off_t>(h->owner->files->Seek(h->hf, 0, SEEK_CUR));
}

// libmspack's warnings concern data it goes on to reject or accept; its error codes are what
// counts.
void SysMessage(mspack_file*, const char*, ...) {}

void* SysAlloc(mspack_system*, size_t bytes) {
    return std::malloc(bytes);
}
void SysFree(void* p) {
    std::free(p);
}
void SysCopy(void* src, void* dest, size_t bytes) {
    std::memcpy(dest, src, bytes);
}

}  // namespace

void BindSystem(CabSystem& system) {
    mspack_system& s = system.sys;
    s.open = SysOpen;
    s.close = SysClose;
    s.read = SysRead;
    s.write = SysWrite;
    s.seek = SysSeek;
    s.tell = SysTell;
    s.message = SysMessage;
    s.alloc = SysAlloc;
    s.free = SysFree;
    s.copy = SysCopy;
    s.null_ptr = nullptr;
}

void BindCabinetLibrary() {
    static std::once_flag once;
    static int failure = 0;
    std::call_once(once, [] {
        int selftest = MSPACK_ERR_OK;
        MSPACK_SYS_SELFTEST(selftest);
        if (selftest != MSPACK_ERR_OK || mspack_version(MSPACK_VER_SYSTEM) < 1 ||
            mspack_version(MSPACK_VER_MSCABD) < 1) {
            failure = ELIBBAD;
        }
    });
    if (failure != 0) {
        throw std::system_error(failure, std::generic_category(),
                                "the cabinet decoder library cannot be used");
    }
}

}  // namespace vrnx2

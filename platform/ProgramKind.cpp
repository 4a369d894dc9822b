#include "platform/ProgramKind.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace platform {

namespace {

uint16_t Le16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Reads exactly `size` bytes at `offset`; false when the file is shorter.
bool ReadAt(int fd, uint64_t offset, unsigned char* out, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, out + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

ProgramKind NotAProgram(std::string reason) {
    ProgramKind kind;
    kind.reason = std::move(reason);
    return kind;
}

}  // namespace

ProgramKind DetectProgramKind(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return NotAProgram(std::strerror(errno));
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};

    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return NotAProgram("not a regular file");

    std::array<unsigned char, 64> head{};
    if (!ReadAt(fd, 0, head.data(), 2)) return NotAProgram("too short to be a program");
    if (head[0] == '#' && head[1] == '!') {
        ProgramKind kind;
        kind.type = ProgramType::Native;
        return kind;
    }
    if (ReadAt(fd, 0, head.data(), 4) && std::memcmp(head.data(),
                                                     "\x7f"
                                                     "ELF",
                                                     4) == 0) {
        ProgramKind kind;
        kind.type = ProgramType::Native;
        return kind;
    }
    if (head[0] != 'M' || head[1] != 'Z')
        return NotAProgram("neither a Linux nor a Windows program");
    if (!ReadAt(fd, 0, head.data(), head.size()))
        return NotAProgram("a damaged Windows program (header cut short)");

    // The PE header: signature, then the file header (machine at +4) and, 20 bytes later,
    // the optional header whose subsystem field sits at +68 in both the 32- and 64-bit forms.
    const uint32_t peOffset = Le32(&head[0x3C]);
    std::array<unsigned char, 24> pe{};
    if (peOffset < 0x40 || !ReadAt(fd, peOffset, pe.data(), pe.size()) ||
        std::memcmp(pe.data(), "PE\0\0", 4) != 0)
        return NotAProgram("a DOS program or a damaged Windows program (no PE header)");
    const uint16_t machine = Le16(&pe[4]);
    if (machine != ProgramKind::kMachineI386 && machine != ProgramKind::kMachineAmd64)
        return NotAProgram("a Windows program for another processor");
    const uint16_t optionalSize = Le16(&pe[20]);
    std::array<unsigned char, 2> subsystem{};
    if (optionalSize < 70 || !ReadAt(fd, uint64_t{peOffset} + 24 + 68, subsystem.data(), 2))
        return NotAProgram("a damaged Windows program (optional header cut short)");

    ProgramKind kind;
    kind.type = ProgramType::Windows;
    kind.machine = machine;
    kind.subsystem = Le16(subsystem.data());
    return kind;
}

}  // namespace platform

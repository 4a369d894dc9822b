#pragma once
// What kind of program a file is, read from its header: a program of this system, a
// Windows program (to be started through Wine), or no program at all.

#include <cstdint>
#include <filesystem>
#include <string>

namespace platform {

enum class ProgramType { NotAProgram, Native, Windows };

struct ProgramKind {
    ProgramType type = ProgramType::NotAProgram;
    // Windows programs only: the PE header's machine and subsystem fields.
    uint16_t machine = 0;
    uint16_t subsystem = 0;
    // Why a file is not a program ("cannot be read", "too short" ...); empty otherwise.
    std::string reason;

    static constexpr uint16_t kMachineI386 = 0x14c;
    static constexpr uint16_t kMachineAmd64 = 0x8664;
    static constexpr uint16_t kSubsystemWindow = 2;
    static constexpr uint16_t kSubsystemConsole = 3;

    bool IsWindows() const { return type == ProgramType::Windows; }
    bool Is32Bit() const { return IsWindows() && machine == kMachineI386; }
    bool IsWindowProgram() const { return IsWindows() && subsystem == kSubsystemWindow; }
};

// Native: an ELF file or a "#!" script. Windows: "MZ", and at the offset stored at 0x3C the
// signature "PE\0\0" followed by a machine this system can run through Wine (32-bit x86 or
// x86-64). Anything else, an empty, unreadable or missing file included, is no program.
ProgramKind DetectProgramKind(const std::filesystem::path& file);

}  // namespace platform

#pragma once
// The header of a Windows program, enough for the kind detection: "MZ", the PE header at
// 0x40 with the given machine, and the optional header's subsystem.

#include <cstdint>
#include <string>

inline std::string PeImage(uint16_t machine, uint16_t subsystem) {
    std::string image(0x40, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    image[0x3C] = 0x40;
    auto put16 = [&image](uint16_t v) {
        image += static_cast<char>(v & 0xFF);
        image += static_cast<char>(v >> 8);
    };
    image += std::string("PE\0\0", 4);
    put16(machine);
    put16(1);                               // sections
    image += std::string(12, '\0');         // time stamp, symbol table, symbol count
    put16(machine == 0x14c ? 0xE0 : 0xF0);  // optional header size
    put16(0x102);                           // characteristics: executable
    std::string optional(machine == 0x14c ? 0xE0 : 0xF0, '\0');
    optional[0] = machine == 0x14c ? 0x0B : 0x0B;
    optional[1] = machine == 0x14c ? 0x01 : 0x02;  // 0x10B or 0x20B
    optional[68] = static_cast<char>(subsystem & 0xFF);
    optional[69] = static_cast<char>(subsystem >> 8);
    return image + optional;
}

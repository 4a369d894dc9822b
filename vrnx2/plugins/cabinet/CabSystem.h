#pragma once
// libmspack's system layer (its mspack_system) over the client's file callbacks.

#include <mspack.h>

#include <cstdint>

namespace vrnx2 {

class FdiFileCallbacks;

struct CabSystem {
    mspack_system sys{};  // first: libmspack hands it back to every callback
    FdiFileCallbacks* files = nullptr;
    // While extracting, the name the decoder opens for its output stands for the client's
    // target handle.
    const char outputToken[2] = {'\x01', '\0'};
    intptr_t outputHandle = 0;
    bool extracting = false;
};

// Points `system.sys` at the callbacks.
void BindSystem(CabSystem& system);

}  // namespace vrnx2

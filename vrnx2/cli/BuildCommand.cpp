#include "vrnx2/cli/Commands.h"

#include <cstdio>

int BuildCommand(const Args&) {
    std::fputs("vrnx2-cli: 'build' is not available yet\n", stderr);
    return 2;
}

#include "vrnx2/cli/Commands.h"

#include <cstdio>

int RegCommand(const Args&) {
    std::fputs("vrnx2-cli: 'reg' is not available yet\n", stderr);
    return 2;
}

#include "vrnx2/cli/Commands.h"

#include <cstdio>

int ExtractCommand(const Args&) {
    std::fputs("vrnx2-cli: 'extract' is not available yet\n", stderr);
    return 2;
}

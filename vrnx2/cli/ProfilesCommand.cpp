#include "vrnx2/cli/Commands.h"

#include <cstdio>

int ProfilesCommand(const Args&) {
    std::fputs("vrnx2-cli: 'profiles' is not available yet\n", stderr);
    return 2;
}

#include <algorithm>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "Vrnx2Version.h"
#include "common/Lines.h"
#include "platform/Files.h"
#include "trellin/ListFile.h"
#include "trellin/Trellin.h"

int main(int argc, char** argv) {
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        if (std::any_of(args.begin(), args.end(), IsVersionOption)) {
            std::cout << VersionLine("trellin");
            return 0;
        }
        return trellin::Run(args, trellin::ListFilePath(platform::ProgramFile()), std::cout,
                            std::cerr);
    } catch (const std::exception& e) {
        std::cout << std::flush;
        std::cerr << "Trellin: " << e.what() << '\n';
        return 1;
    }
}

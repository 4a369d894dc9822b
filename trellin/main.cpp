#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "trellin/ListFile.h"
#include "trellin/Trellin.h"

int main(int argc, char** argv) {
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        return trellin::Run(args, trellin::ListFilePath(platform::ProgramFile()), std::cout,
                            std::cerr);
    } catch (const std::exception& e) {
        std::cout << std::flush;
        std::cerr << "Trellin: " << e.what() << '\n';
        return 1;
    }
}

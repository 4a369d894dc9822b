#include <algorithm>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "Vrnx2Version.h"
#include "common/Lines.h"
#include "quenfa/Driver.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (std::any_of(args.begin(), args.end(), IsVersionOption)) {
        std::cout << VersionLine("quenfa");
        return 0;
    }
    try {
        return quenfa::RunQuenfa(args, std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << "quenfa: " << e.what() << '\n';
        return 1;
    }
}

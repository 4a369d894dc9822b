#pragma once
// Running a program for what it prints, such as a tool asked what it supports.

#include <string>
#include <vector>

namespace platform {

// Runs argv[0] (searched in PATH when it holds no "/") to its end, never through a shell,
// with standard input on /dev/null and standard output and error read into `output`. False
// when it could not be started, or did not end within `milliseconds` (it is then killed).
bool RunForOutput(const std::vector<std::string>& argv, std::string& output,
                  int milliseconds = 5000);

}  // namespace platform

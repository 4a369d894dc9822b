#pragma once
// The subcommands of vrnx2-cli. Each gets the arguments after its own name and returns the
// process exit code.

#include <string>
#include <vector>

namespace vrnx2 {

using Args = std::vector<std::string>;

int RegCommand(const Args& args);
int ProfilesCommand(const Args& args);
int BuildCommand(const Args& args);
int ExtractCommand(const Args& args);
int CacheCommand(const Args& args);

}  // namespace vrnx2

#pragma once
// The subcommands of vrnx2-cli. Each gets the arguments after its own name and returns the
// process exit code.

#include <optional>
#include <string>
#include <vector>

#include "vrnx2/settings/Records.h"

namespace vrnx2 {

using Args = std::vector<std::string>;

int RegCommand(const Args& args);
int ProfilesCommand(const Args& args);
int BuildCommand(const Args& args);
int ExtractCommand(const Args& args);
int CacheCommand(const Args& args);
int HiveCommand(const Args& args);
int TryCommand(const Args& args);

// The profile at a 1-based position of the list, else the one with exactly that name.
// Raises StoreError for a store that cannot be read, rather than finding nothing.
std::optional<TProfileRec> FindProfile(const std::string& wanted);
// FindProfile for `vrnx2-cli COMMAND`: when there is none, says why on standard error and
// sets `exitCode` (1 for a store that cannot be read, 2 for an unknown profile).
std::optional<TProfileRec> LookUpProfile(const char* command, const std::string& wanted,
                                         int& exitCode);

}  // namespace vrnx2

#pragma once
// The Wine server of a prefix: whether one runs, and ending every Wine process of the prefix.
// A stop of a build ends Wine's service processes only when the build started the server,
// so the person's other Wine programs in the same prefix live on.

#include <string>
#include <vector>

namespace platform {

// The prefix a program started through `wineCommand` (WineCommand()) uses: a WINEPREFIX=
// assignment in the command ("env WINEPREFIX=/srv/pe wine"), else $WINEPREFIX, else ~/.wine.
std::string WinePrefixOf(const std::vector<std::string>& wineCommand);

// The wineserver program beside the Wine program of `wineCommand`, else "wineserver".
std::string WineServerOf(const std::vector<std::string>& wineCommand);

// True when a wineserver of this user serves `prefix`: the server works in a folder named
// "server-<device>-<inode>" of the prefix (hexadecimal), whatever temporary folder holds it.
// `proc` stands for "/proc" (tests give a fake tree).
bool WineServerRunning(const std::string& prefix, const std::string& proc = "/proc");

// Ends every Wine process of `prefix` (wineserver -k) and waits, at most a few seconds,
// until its server is gone. False when it still runs.
bool EndWinePrefix(const std::string& prefix, const std::vector<std::string>& wineCommand);

}  // namespace platform

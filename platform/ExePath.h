#pragma once
// Where the running program lives. The player keeps its settings beside its executable, so the
// files it looks up there ("cdplayer.ini" among them) are found through this folder.

#include <string>

namespace platform {

// The folder of the running executable, ending in a path delimiter; "" when the system cannot
// tell (then callers look in the current folder).
std::string GetExeFolder();

}  // namespace platform

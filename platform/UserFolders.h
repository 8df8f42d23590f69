#pragma once
// The user's own folders, for a program installed where it cannot write (/usr/bin): its settings
// then go to the user's configuration folder instead of beside the executable.

#include <string>

namespace platform {

// True when this user may create and replace files in folder (a settings file is replaced by
// renaming a new copy over it, so writing the folder itself is what counts).
bool IsFolderWritable(const std::string& folder);

// $XDG_CONFIG_HOME, or $HOME/.config when that is unset, empty or not an absolute path, with a
// trailing delimiter; "" when neither gives an absolute path.
std::string UserConfigFolder();

// $XDG_CACHE_HOME, or $HOME/.cache under the same rule, with a trailing delimiter; "" when neither
// gives an absolute path.
std::string UserCacheFolder();

// Makes folder and any missing parents, new ones private to the user (0700). True when the folder
// exists afterwards.
bool ForceFolders(const std::string& folder);

}  // namespace platform

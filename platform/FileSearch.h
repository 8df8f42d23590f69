#pragma once
// Listing a folder through a wildcard mask, the way the folder tree and the play-list search
// walk the disk.

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct TSearchRec {
  std::string Name;        // the entry's name only, no folder
  bool Directory = false;  // a folder (a symbolic link to a folder counts as one)
  bool Hidden = false;     // the name starts with "."
  int64_t Size = 0;        // bytes, for files
};

// pathAndMask is a folder path followed by a mask, e.g. "/music/*.*" or "/music/a/*.mp3".
// The mask takes "*" and "?", ignores letter case, and "*.*" matches every name (also names
// without a dot). Hidden entries are included. "." and then ".." come first (".." only when the
// folder has a parent; "." always), then the rest in case-insensitive ordinal order: names
// compared upper-cased as UTF-16, names equal so ordered by their bytes. That is the order in
// which the case-insensitive file system the library comes from lists a folder.
// A folder that does not exist or cannot be read gives an empty list, never an error.
std::vector<TSearchRec> FindFiles(const std::string& pathAndMask);

// The names in folder (a path, with or without a trailing delimiter) as the file system keeps
// them, without "." and ".." and without looking at any entry: no order, no mask. Lookups that
// match names themselves (ignoring case) read a folder once this way. Empty when the folder
// cannot be read.
std::vector<std::string> ListNames(const std::string& folder);

bool FileExists(const std::string& path);       // a regular file (or other non-folder) exists
// A regular file, symbolic links followed: what a reader of pictures may open without waiting on
// a FIFO, a device or a socket that merely carries the name.
bool RegularFileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

}  // namespace platform

#pragma once
// Profile (INI) files, with the Windows profile semantics that the settings file relies on:
// sections and keys match without regard to ASCII case, every line the program does not touch
// stays byte for byte as it was, and each write reaches the file at once.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

class EIniFileException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  // The error of a file that cannot be written: "<path> に書き込めません".
  static EIniFileException CannotWrite(const std::string& fileName) {
    return EIniFileException(fileName + " に書き込めません");
  }
};

// The value of key in section, or defaultValue when either is missing. Only the first section
// of a name is read (a key that only a later one holds is missing), and a value in a matching
// pair of double or single quotes comes without them. At most 2047 bytes of a value are
// returned (the buffer the callers use holds 2048 including the terminator).
std::string GetPrivateProfileStringA(std::string_view section, std::string_view key,
                                     std::string_view defaultValue, const std::string& fileName);

// Sets key in the first section named section (adding either where missing). False when the file
// cannot be written; the old file is then left as it was: the new content goes to a temporary
// file beside it (".<name>.<pid>.<n>.tmp") that is renamed over. While a TProfileTransaction on
// the file is open, the write goes into the transaction instead.
bool WritePrivateProfileStringA(std::string_view section, std::string_view key,
                                std::string_view value, const std::string& fileName);

// Several writes to one file that land together: while the object lives, every write to the file
// in this process (WritePrivateProfileStringA, TIniFile) is made on a copy of its text, and reads
// of it see that copy; Commit puts the copy in place with one replacement of the file, so a
// reader, a crash or a kill finds all of the writes or none. The first write already makes the
// temporary file, so a file that cannot be replaced fails there, as a single write would. Dropped
// without Commit, the writes never reach the file. One transaction per file at a time.
class TProfileTransaction {
 public:
  explicit TProfileTransaction(const std::string& fileName);
  ~TProfileTransaction();
  TProfileTransaction(const TProfileTransaction&) = delete;
  TProfileTransaction& operator=(const TProfileTransaction&) = delete;

  // True when every write was made and the file now holds them all (or nothing was written);
  // false leaves the file as it was.
  bool Commit();

 private:
  friend std::string GetPrivateProfileStringA(std::string_view, std::string_view,
                                              std::string_view, const std::string&);
  friend bool WritePrivateProfileStringA(std::string_view, std::string_view, std::string_view,
                                         const std::string&);
  struct TState;
  // Both run under the profile functions' lock.
  bool Write(std::string_view section, std::string_view key, std::string_view value);
  bool Pending(std::string& text) const;

  std::string FileName_;
  std::string Target_;
  std::unique_ptr<TState> State_;
};

// Removes the temporary files that saves of the file left behind when their process was killed
// (a copy of a process that still runs is left alone: it may be a save in progress).
void RemoveLeftoverCopies(const std::string& fileName);

// The settings object: one per operation, reading and writing key by key.
class TIniFile {
 public:
  explicit TIniFile(std::string fileName);
  const std::string& FileName() const;

  // A key that is present with an empty value gives "".
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def) const;
  // Decimal or "0x" hexadecimal; def on anything else (including out-of-range numbers).
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
  int64_t ReadInt64(std::string_view section, std::string_view key, int64_t def) const;
  // Read as an integer: non-zero is true.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;

  // Each throws EIniFileException("<path> に書き込めません") when the file cannot be written.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  void WriteInt64(std::string_view section, std::string_view key, int64_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);  // "1" / "0"

 private:
  std::string FileName_;
};

}  // namespace platform

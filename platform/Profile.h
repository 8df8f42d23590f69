#pragma once
// Profile (INI) files, with the Windows profile semantics that the settings file relies on:
// sections and keys match without regard to ASCII case, every line the program does not touch
// stays byte for byte as it was, and each write reaches the file at once.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

class EIniFileException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The value of key in section, or defaultValue when either is missing. Only the first section
// of a name is read (a key that only a later one holds is missing), and a value in a matching
// pair of double or single quotes comes without them. At most 2047 bytes of a value are
// returned (the buffer the callers use holds 2048 including the terminator).
std::string GetPrivateProfileStringA(std::string_view section, std::string_view key,
                                     std::string_view defaultValue, const std::string& fileName);

// Sets key in the first section named section (adding either where missing). False when the file cannot be written; the
// old file is then left as it was: the new content goes to a temporary file that is renamed over.
bool WritePrivateProfileStringA(std::string_view section, std::string_view key,
                                std::string_view value, const std::string& fileName);

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

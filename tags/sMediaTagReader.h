#pragma once
// TsMediaTagReader: picks a per-format reader for a file by its name, falls back to every
// reader class in a fixed order, keeps the first that accepts the file and answers property
// requests ("Title", "Artist") from that reader and then from its tag objects.

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "tags/sMediaTag.h"

// One row of the pattern table: a ";"-separated list of wildcard patterns and its class.
struct TReaderPattern {
  std::string_view Patterns;
  const TsMediaTagClass* Class;
};

// Tested top to bottom, first match wins. Musepack's names stand before "*.mp?", which they
// also match: TMPEGaudio accepts nearly any file, so behind it TMPEGplus was never reached.
extern const std::array<TReaderPattern, 10> ReaderPatterns;
// The tag objects consulted, in order, when the reader itself gives an empty value.
extern const std::array<std::string_view, 3> SubTagNames;
// Entry 0 is the class the file name chose (nullptr when none matched); 1 to 10 are fixed.
// Process-wide and rewritten by every ReadTags, so ReadTags is not reentrant.
extern std::array<const TsMediaTagClass*, 11> ReaderClasses;

class TsMediaTagReader {
 public:
  TsMediaTagReader() = default;
  TsMediaTagReader(const TsMediaTagReader&) = delete;
  TsMediaTagReader& operator=(const TsMediaTagReader&) = delete;

  // Chooses and reads; true when some reader accepted the file. Never throws: a failure
  // inside a reader counts as that reader's rejection.
  bool ReadTags(const std::string& FileName);
  // The property Name of the current reader as text; when that is empty, the same property of
  // its "ID3v2", "ID3v1" and "APEtag" objects in that order; "" when nothing fits. 8-bit
  // values are returned as stored: a display ends them at an inner zero byte.
  std::string GetTagValue(std::string_view Name) const;

  // The reader that accepted the last file; nullptr when none did.
  const TsMediaTag* CurrentReader() const { return FCurrentReader.get(); }

 private:
  std::unique_ptr<TsMediaTag> FCurrentReader;
};

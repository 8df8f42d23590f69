#include "platform/Profile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/CodePage.h"

namespace platform {
namespace {

// Callers read a value into a 2048-byte buffer: 2047 bytes and the terminator.
constexpr size_t kMaxValueBytes = 2047;
// A profile file is small; past this size only the head is read and writes are refused, so that a
// write never drops the part of a file that was not read.
constexpr size_t kMaxFileBytes = 16u << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// One line of a profile file, as offsets into the file's text.
struct TIniLine {
  enum class TKind { Blank, Section, Key, Other };
  TKind Kind = TKind::Other;
  size_t Begin = 0;       // first byte of the line
  size_t ContentEnd = 0;  // end of the line without its "\r\n" or "\n"
  size_t End = 0;         // after the line's "\n" (the text's end for an unterminated last line)
  std::string_view Name;  // section name or key, trimmed
  size_t ValueBegin = 0;  // Key lines: where the value starts (after "=" and the blanks after it)
  std::string_view Value; // Key lines: the value, trimmed
};

TIniLine ClassifyLine(std::string_view text, size_t begin, size_t contentEnd, size_t end) {
  TIniLine line;
  line.Begin = begin;
  line.ContentEnd = contentEnd;
  line.End = end;
  const std::string_view content = text.substr(begin, contentEnd - begin);
  const std::string_view trimmed = Trim(content);
  if (trimmed.empty()) {
    line.Kind = TIniLine::TKind::Blank;
  } else if (trimmed.front() == '[') {
    const size_t close = trimmed.find(']');
    if (close != std::string_view::npos) {
      line.Kind = TIniLine::TKind::Section;
      line.Name = Trim(trimmed.substr(1, close - 1));
    }
  } else if (trimmed.front() != ';') {
    const size_t eq = content.find('=');
    if (eq != std::string_view::npos && !Trim(content.substr(0, eq)).empty()) {
      line.Kind = TIniLine::TKind::Key;
      line.Name = Trim(content.substr(0, eq));
      size_t v = eq + 1;
      while (v < content.size() && IsBlank(content[v])) ++v;
      line.ValueBegin = begin + v;
      line.Value = Trim(content.substr(v));
    }
  }
  return line;
}

std::vector<TIniLine> SplitLines(std::string_view text) {
  std::vector<TIniLine> lines;
  size_t pos = 0;
  // A UTF-8 byte order mark belongs to no line; it stays in the text and so in the rewritten file.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") pos = 3;
  while (pos < text.size()) {
    const size_t nl = text.find('\n', pos);
    const size_t end = nl == std::string_view::npos ? text.size() : nl + 1;
    size_t contentEnd = nl == std::string_view::npos ? text.size() : nl;
    if (contentEnd > pos && text[contentEnd - 1] == '\r') --contentEnd;
    lines.push_back(ClassifyLine(text, pos, contentEnd, end));
    pos = end;
  }
  return lines;
}

// Index of the first line of the first section named section, or npos.
size_t FindSection(const std::vector<TIniLine>& lines, std::string_view section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].Kind == TIniLine::TKind::Section && AnsiSameText(lines[i].Name, section)) return i;
  }
  return std::string_view::npos;
}

// Index of the key's line inside the section that starts at sectionLine, or npos.
size_t FindKey(const std::vector<TIniLine>& lines, size_t sectionLine, std::string_view key) {
  for (size_t i = sectionLine + 1; i < lines.size(); ++i) {
    if (lines[i].Kind == TIniLine::TKind::Section) break;
    if (lines[i].Kind == TIniLine::TKind::Key && AnsiSameText(lines[i].Name, key)) return i;
  }
  return std::string_view::npos;
}

// The key's line in the first section named section, or npos. A later section of the same
// name is never searched, as the original profile functions did not: files written for them
// (orvane.ini, cdplayer.ini) expect that.
size_t FindKeyLine(const std::vector<TIniLine>& lines, std::string_view section,
                   std::string_view key) {
  const size_t s = FindSection(lines, section);
  return s == std::string_view::npos ? s : FindKey(lines, s, key);
}

// A value enclosed in a matching pair of double or single quotes is read without them.
std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// The head of a value that fits the callers' buffer, never ending inside a character.
std::string CutValue(std::string_view value) {
  if (value.size() <= kMaxValueBytes) return std::string(value);
  size_t cut = kMaxValueBytes;
  while (cut > 0 && !IsCharStart(value, cut)) --cut;
  return std::string(value.substr(0, cut));
}

enum class TReadResult { Ok, Missing, Failed };

// Reads the whole file (up to kMaxFileBytes; truncated is set when there was more).
TReadResult ReadTextFile(const std::string& path, std::string& text, bool& truncated) {
  text.clear();
  truncated = false;
  // O_NONBLOCK: a FIFO or device in the file's place must not hang the program; only regular
  // files are read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? TReadResult::Missing : TReadResult::Failed;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return TReadResult::Failed;
  }
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return TReadResult::Failed;
    }
    if (n == 0) break;
    const size_t room = kMaxFileBytes - text.size();
    if (static_cast<size_t>(n) > room) {
      text.append(buf, room);
      truncated = true;
      break;
    }
    text.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return TReadResult::Ok;
}

bool IsValidName(std::string_view name) {
  return !name.empty() && Trim(name) == name;
}

bool HasLineBreakOrNul(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// What can be written so that it reads back as written; anything else would garble the file.
bool CanWrite(std::string_view section, std::string_view key, std::string_view value) {
  if (!IsValidName(section) || HasLineBreakOrNul(section) ||
      section.find(']') != std::string_view::npos) {
    return false;
  }
  if (!IsValidName(key) || HasLineBreakOrNul(key) || key.find('=') != std::string_view::npos ||
      key.front() == '[' || key.front() == ';') {
    return false;
  }
  // Blanks around a value, and a pair of quotes that encloses it, are written but, as in any
  // profile file, not read back.
  return !HasLineBreakOrNul(value);
}

// The file's own line ending: that of its first line, "\n" for a file without any.
std::string_view LineEnding(std::string_view text) {
  const size_t nl = text.find('\n');
  if (nl != std::string_view::npos && nl > 0 && text[nl - 1] == '\r') return "\r\n";
  return "\n";
}

// Ends an unterminated last line: a dangling "\r" only needs its "\n", or the line would end in
// "\r\r\n" and its value would gain a "\r".
void TerminateLastLine(std::string& out, std::string_view eol) {
  if (out.empty() || out.back() == '\n') return;
  out.append(out.back() == '\r' ? "\n" : eol);
}

// The text with key set to value in section; every other byte stays where it was.
std::string SetValue(std::string_view text, std::string_view section, std::string_view key,
                     std::string_view value) {
  const std::vector<TIniLine> lines = SplitLines(text);
  const std::string_view eol = LineEnding(text);
  const std::string keyLine = std::string(key) + "=" + std::string(value);
  std::string out;
  out.reserve(text.size() + keyLine.size() + section.size() + 8);

  const size_t s = FindSection(lines, section);
  const size_t k = FindKeyLine(lines, section, key);
  if (s == std::string_view::npos) {
    out.append(text);
    TerminateLastLine(out, eol);
    if (!lines.empty() && lines.back().Kind != TIniLine::TKind::Blank) out.append(eol);
    out.append("[").append(section).append("]").append(eol);
    out.append(keyLine).append(eol);
    return out;
  }
  if (k != std::string_view::npos) {
    // Keep the key's own spelling and spacing; only the value changes.
    const TIniLine& line = lines[k];
    out.append(text.substr(0, line.ValueBegin));
    out.append(value);
    out.append(text.substr(line.ContentEnd));
    return out;
  }
  // A new key goes after the last non-blank line of the section, before the blank lines that
  // separate it from the next one.
  size_t last = s;
  for (size_t i = s + 1; i < lines.size() && lines[i].Kind != TIniLine::TKind::Section; ++i) {
    if (lines[i].Kind != TIniLine::TKind::Blank) last = i;
  }
  const size_t at = lines[last].End;
  out.append(text.substr(0, at));
  TerminateLastLine(out, eol);
  out.append(keyLine).append(eol);
  out.append(text.substr(at));
  return out;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// The file a write must replace: a symbolic link is followed, so that the link stays a link.
std::string WriteTarget(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      std::string resolved(real);
      std::free(real);
      return resolved;
    }
  }
  return path;
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// The name of a temporary copy of base made by process pid: "." base "." pid "." n ".tmp".
std::string TemporaryName(const std::string& base, pid_t pid, unsigned n) {
  return "." + base.substr(0, 100) + "." + std::to_string(pid) + "." + std::to_string(n) + ".tmp";
}

// A fresh file beside the one it is to replace, removed again unless Replace puts it in place.
class TReplacement {
 public:
  TReplacement() = default;
  TReplacement(const TReplacement&) = delete;
  TReplacement& operator=(const TReplacement&) = delete;
  ~TReplacement() { Drop(); }

  // Makes the file, with the old file's permission bits (and owner, where allowed).
  bool Open(const std::string& path, const struct stat* old) {
    const size_t slash = path.rfind('/');
    Folder_ = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    static std::atomic<unsigned> counter{0};
    const mode_t mode = old ? (old->st_mode & 07777) : 0666;  // a new file gets the umask's say
    for (int attempt = 0; attempt < 100 && Fd_ < 0; ++attempt) {
      Name_ = Folder_ + TemporaryName(base, ::getpid(), counter++);
      Fd_ = ::open(Name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
      if (Fd_ < 0 && errno != EEXIST) return false;
    }
    if (Fd_ < 0) return false;
    if (old) {
      // The owner can only be kept by a privileged writer; the permission bits always are.
      [[maybe_unused]] const int chowned = ::fchown(Fd_, old->st_uid, old->st_gid);
      if (::fchmod(Fd_, mode) != 0) return Drop();
    }
    return true;
  }

  // Writes text in full, syncs it and renames it over path, so that a reader (or a crash) sees
  // either the old file or the new one.
  bool Replace(const std::string& path, std::string_view text) {
    if (Fd_ < 0) return false;
    bool ok = WriteAll(Fd_, text) && ::fsync(Fd_) == 0;
    ok = (::close(std::exchange(Fd_, -1)) == 0) && ok;
    if (!ok || ::rename(Name_.c_str(), path.c_str()) != 0) return Drop();
    Name_.clear();
    SyncFolder(Folder_);
    return true;
  }

 private:
  bool Drop() {
    if (Fd_ >= 0) ::close(std::exchange(Fd_, -1));
    if (!Name_.empty()) ::unlink(Name_.c_str());
    Name_.clear();
    return false;
  }

  std::string Folder_;
  std::string Name_;
  int Fd_ = -1;
};

// Where a write to a file starts: the file's text, and the copy that will replace it.
struct TWriteStart {
  std::string Target;  // the file to replace (a symbolic link followed)
  std::string Text;
  TReplacement Copy;
};

// Reads the file a write is to replace and makes the copy; false when it must not or cannot be
// replaced.
bool StartWrite(const std::string& fileName, TWriteStart& start) {
  start.Target = WriteTarget(fileName);
  bool truncated = false;
  const TReadResult read = ReadTextFile(start.Target, start.Text, truncated);
  // A file that exists but cannot be read in full is left alone: rewriting it would lose data.
  if (read == TReadResult::Failed || truncated) return false;
  struct stat st {};
  const bool existed = read == TReadResult::Ok && ::stat(start.Target.c_str(), &st) == 0;
  // A file we may not write (read-only, or another user's) stays as it is, although the folder
  // would let us rename a new one over it.
  if (existed && ::access(start.Target.c_str(), W_OK) != 0) return false;
  return start.Copy.Open(start.Target, existed ? &st : nullptr);
}

// One write at a time in this process: two read-modify-write cycles must not interleave. It
// guards the open transactions too.
std::mutex g_writeMutex;

// The open transactions by the file they replace.
std::map<std::string, TProfileTransaction*>& Transactions() {
  static std::map<std::string, TProfileTransaction*> open;
  return open;
}

TProfileTransaction* OpenTransaction(const std::string& target) {
  const auto found = Transactions().find(target);
  return found == Transactions().end() ? nullptr : found->second;
}

bool ParseInt64(std::string_view text, int64_t& result, bool hexMayWrap32) {
  std::string_view s = Trim(text);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  const bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
  if (hex) s.remove_prefix(2);
  if (s.empty()) return false;
  const unsigned base = hex ? 16 : 10;
  // Hexadecimal is a bit pattern: 0xFFFFFFFF is -1 for a 32-bit value, 0xFFFFFFFFFFFFFFFF for 64.
  const uint64_t limit = hex ? (hexMayWrap32 ? 0xFFFFFFFFull : UINT64_MAX)
                             : (negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX));
  uint64_t value = 0;
  for (char c : s) {
    unsigned digit;
    if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
    else if (hex && c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
    else if (hex && c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
    else return false;
    if (value > (limit - digit) / base) return false;
    value = value * base + digit;
  }
  if (hex && hexMayWrap32) {
    const auto bits = static_cast<int32_t>(static_cast<uint32_t>(value));
    value = static_cast<uint64_t>(static_cast<int64_t>(bits));
  }
  result = static_cast<int64_t>(negative ? (~value + 1) : value);
  return true;
}

}  // namespace

struct TProfileTransaction::TState {
  TWriteStart Start;
  bool Started = false;
  bool Failed = false;
};

TProfileTransaction::TProfileTransaction(const std::string& fileName)
    : FileName_(fileName), State_(std::make_unique<TState>()) {
  std::lock_guard<std::mutex> lock(g_writeMutex);
  Target_ = WriteTarget(fileName);
  if (!fileName.empty()) Transactions().emplace(Target_, this);
}

TProfileTransaction::~TProfileTransaction() {
  std::lock_guard<std::mutex> lock(g_writeMutex);
  const auto found = Transactions().find(Target_);
  if (found != Transactions().end() && found->second == this) Transactions().erase(found);
  State_.reset();  // an uncommitted copy goes with it
}

bool TProfileTransaction::Write(std::string_view section, std::string_view key,
                                std::string_view value) {
  if (State_->Failed) return false;
  if (!State_->Started) {
    State_->Started = true;
    State_->Failed = !StartWrite(FileName_, State_->Start);
    if (State_->Failed) return false;
  }
  State_->Start.Text = SetValue(State_->Start.Text, section, key, value);
  return true;
}

bool TProfileTransaction::Pending(std::string& text) const {
  if (!State_->Started || State_->Failed) return false;
  text = State_->Start.Text;
  return true;
}

bool TProfileTransaction::Commit() {
  std::lock_guard<std::mutex> lock(g_writeMutex);
  if (!State_->Started) return true;
  if (State_->Failed) return false;
  State_->Failed = !State_->Start.Copy.Replace(State_->Start.Target, State_->Start.Text);
  return !State_->Failed;
}

void RemoveLeftoverCopies(const std::string& fileName) {
  const std::string target = WriteTarget(fileName);
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  const std::string head = "." + base.substr(0, 100) + ".";
  const auto digits = [](std::string_view s) {
    return !s.empty() && s.size() <= 9 && s.find_first_not_of("0123456789") == s.npos;
  };
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (!name.starts_with(head) || !name.ends_with(".tmp")) continue;
    // What lies between is "<pid>.<n>"; a copy of a process that still runs may be a save in
    // progress, and stays.
    const std::string_view middle = name.substr(head.size(), name.size() - head.size() - 4);
    const size_t dot = middle.find('.');
    if (dot == middle.npos || !digits(middle.substr(0, dot)) || !digits(middle.substr(dot + 1))) {
      continue;
    }
    const auto pid = static_cast<pid_t>(std::stol(std::string(middle.substr(0, dot))));
    if (pid <= 0 || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
    ::unlink((folder + std::string(name)).c_str());
  }
  ::closedir(dir);
}

std::string GetPrivateProfileStringA(std::string_view section, std::string_view key,
                                     std::string_view defaultValue, const std::string& fileName) {
  std::string text;
  bool truncated = false;
  bool pending = false;
  {
    std::lock_guard<std::mutex> lock(g_writeMutex);
    const TProfileTransaction* open = OpenTransaction(WriteTarget(fileName));
    pending = open != nullptr && open->Pending(text);
  }
  if (!pending && ReadTextFile(fileName, text, truncated) != TReadResult::Ok) {
    return CutValue(defaultValue);
  }
  const std::vector<TIniLine> lines = SplitLines(text);
  const size_t k = FindKeyLine(lines, section, key);
  return CutValue(k != std::string_view::npos ? Unquote(lines[k].Value) : defaultValue);
}

bool WritePrivateProfileStringA(std::string_view section, std::string_view key,
                                std::string_view value, const std::string& fileName) {
  if (!CanWrite(section, key, value) || fileName.empty()) return false;
  std::lock_guard<std::mutex> lock(g_writeMutex);
  if (TProfileTransaction* open = OpenTransaction(WriteTarget(fileName))) {
    return open->Write(section, key, value);
  }
  TWriteStart start;
  return StartWrite(fileName, start) &&
         start.Copy.Replace(start.Target, SetValue(start.Text, section, key, value));
}

TIniFile::TIniFile(std::string fileName) : FileName_(std::move(fileName)) {}

const std::string& TIniFile::FileName() const { return FileName_; }

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view def) const {
  return GetPrivateProfileStringA(section, key, def, FileName_);
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
  int64_t value = 0;
  const std::string text = ReadString(section, key, "");
  if (!ParseInt64(text, value, true) || value < INT32_MIN || value > INT32_MAX) return def;
  return static_cast<int32_t>(value);
}

int64_t TIniFile::ReadInt64(std::string_view section, std::string_view key, int64_t def) const {
  int64_t value = 0;
  return ParseInt64(ReadString(section, key, ""), value, false) ? value : def;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::string_view section, std::string_view key,
                           std::string_view value) {
  if (!WritePrivateProfileStringA(section, key, value, FileName_)) {
    throw EIniFileException::CannotWrite(FileName_);
  }
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteInt64(std::string_view section, std::string_view key, int64_t value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

}  // namespace platform

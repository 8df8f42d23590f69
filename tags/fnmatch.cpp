#include "tags/fnmatch.h"

#include "platform/CodePage.h"

namespace {

bool IsWildcard(char c) { return c == '*' || c == '?'; }

// Upper-cased equality of the bytes at text[pos..] and literal, byte by byte.
bool SameIgnoringCase(std::string_view text, size_t pos, std::string_view literal) {
  for (size_t i = 0; i < literal.size(); ++i) {
    if (platform::AnsiUpperByte(text[pos + i]) != platform::AnsiUpperByte(literal[i])) return false;
  }
  return true;
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::optional<size_t> FindFrom(std::string_view text, std::string_view literal, size_t from) {
  if (literal.size() > text.size()) return std::nullopt;
  // Upper-casing changes ASCII letters only, so a first byte that is no letter (the "." of an
  // extension) can only match itself: the search jumps from one such byte to the next.
  const bool exactFirst = !literal.empty() && !IsAsciiLetter(literal[0]);
  for (size_t pos = from; pos <= text.size() - literal.size(); ++pos) {
    if (exactFirst) {
      pos = text.find(literal[0], pos);
      if (pos == std::string_view::npos || pos > text.size() - literal.size()) break;
    }
    if (SameIgnoringCase(text, pos, literal)) return pos;
  }
  return std::nullopt;
}

// The last offset at which literal matches, searched from the end: the same offset as the
// forward walk finds when it restarts one byte after each hit, since that walk visits every hit.
std::optional<size_t> FindFromEnd(std::string_view text, std::string_view literal) {
  if (literal.size() > text.size()) return std::nullopt;
  const bool exactFirst = !literal.empty() && !IsAsciiLetter(literal[0]);
  for (size_t pos = text.size() - literal.size() + 1; pos-- > 0;) {
    if (exactFirst) {
      pos = text.rfind(literal[0], pos);
      if (pos == std::string_view::npos) break;
    }
    if (SameIgnoringCase(text, pos, literal)) return pos;
  }
  return std::nullopt;
}

}  // namespace

std::optional<size_t> FindLastOccurrence(std::string_view Text, std::string_view Literal) {
  // The search restarts one byte after each hit, two when the literal opens with a lead byte,
  // so that a hit never starts on the trail byte of the previous one. With a one-byte step
  // every hit is visited, and the last one is found faster from the end (a file name holds
  // many "." and "/", a pattern like "*.mp3" is tried for every name).
  const bool leadFirst =
      !Literal.empty() && platform::IsDBCSLeadByte(static_cast<uint8_t>(Literal[0]));
  if (!leadFirst) return FindFromEnd(Text, Literal);
  const size_t step = 2;
  std::optional<size_t> last;
  for (std::optional<size_t> hit = FindFrom(Text, Literal, 0); hit;) {
    last = hit;
    if (*hit + step > Text.size()) break;
    hit = FindFrom(Text, Literal, *hit + step);
  }
  return last;
}

bool WildMatch(std::string_view Name, std::string_view Pattern) {
  size_t n = 0, p = 0;
  while (n < Name.size()) {
    if (p >= Pattern.size()) return false;
    if (Pattern[p] == '?') {
      n = platform::CharNext(Name, n);
      p = platform::CharNext(Pattern, p);
    } else if (Pattern[p] == '*') {
      ++p;
      if (p >= Pattern.size()) return true;
      size_t runEnd = p;
      while (runEnd < Pattern.size() && !IsWildcard(Pattern[runEnd])) {
        runEnd = platform::CharNext(Pattern, runEnd);
      }
      const std::string_view run = Pattern.substr(p, runEnd - p);
      // An empty run (the star is followed by another wildcard) takes nothing of the name.
      if (run.empty()) continue;
      const std::optional<size_t> at = FindLastOccurrence(Name.substr(n), run);
      if (!at) return false;
      n += *at + run.size();
      p = runEnd;
    } else {
      if (platform::AnsiUpperByte(Name[n]) != platform::AnsiUpperByte(Pattern[p])) return false;
      n = platform::CharNext(Name, n);
      p = platform::CharNext(Pattern, p);
    }
  }
  const std::string_view rest = Pattern.substr(p);
  return rest.empty() || rest == "*";
}

bool WildMatchList(std::string_view Name, std::string_view Patterns, std::string_view Separator) {
  if (Separator.empty()) return WildMatch(Name, Patterns);
  for (;;) {
    const size_t cut = Patterns.find(Separator);
    if (WildMatch(Name, Patterns.substr(0, cut))) return true;
    if (cut == std::string_view::npos) return false;
    Patterns.remove_prefix(cut + Separator.size());
  }
}

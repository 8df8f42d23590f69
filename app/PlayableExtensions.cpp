#include "app/PlayableExtensions.h"

#include "platform/CodePage.h"

namespace {

std::string_view TrimBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::vector<std::string> ParseExtensions(std::string_view text) {
  std::vector<std::string> extensions;
  while (true) {
    const size_t comma = text.find(',');
    std::string_view piece = TrimBlanks(text.substr(0, comma));
    if (!piece.empty() && piece.front() == '.') piece.remove_prefix(1);
    if (!piece.empty()) extensions.push_back("." + std::string(piece));
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return extensions;
}

}  // namespace

std::string_view ExtractFileExt(std::string_view name) {
  const size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

TPlayableExtensions::TPlayableExtensions() : TPlayableExtensions(DefaultPlayableExtensions) {}

TPlayableExtensions::TPlayableExtensions(std::string text)
    : Text_(std::move(text)), Extensions_(ParseExtensions(Text_)) {
  if (Extensions_.empty()) Extensions_ = ParseExtensions(DefaultPlayableExtensions);
}

bool TPlayableExtensions::Matches(std::string_view name) const {
  const std::string_view ext = ExtractFileExt(name);
  if (ext.empty()) return false;
  for (const std::string& known : Extensions_) {
    if (platform::AnsiSameText(ext, known)) return true;
  }
  return false;
}

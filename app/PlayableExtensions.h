#pragma once
// The file types the play list lists: a file is listed only when the part of its name from the
// last dot on is one of these, letter case ignored, whatever the filter's mask admits. The
// settings file keeps them as "Play"/"PlayableExtensions", comma-separated, so a user can add
// what GStreamer plays here (flac, ogg, mkv, ...).

#include <string>
#include <string_view>
#include <vector>

// The eight types the player has always listed.
constexpr const char* DefaultPlayableExtensions = "wav,mp3,avi,wmv,mpg,m2p,vob,vg2";

// The part of name from its last dot on ("" when it has none): "song.mp3.txt" gives ".txt".
std::string_view ExtractFileExt(std::string_view name);

class TPlayableExtensions {
 public:
  // The defaults.
  TPlayableExtensions();
  // Pieces between commas, blanks around them ignored, each with or without its leading dot.
  // A text that names no extension at all gives the defaults: an empty play list in every
  // folder is never what a user meant; the text itself is kept to be written back unchanged.
  explicit TPlayableExtensions(std::string text);

  // True when name's extension is one of the list.
  bool Matches(std::string_view name) const;

  const std::string& Text() const { return Text_; }
  // Each with its leading dot, in the text's order.
  const std::vector<std::string>& Extensions() const { return Extensions_; }

 private:
  std::string Text_;
  std::vector<std::string> Extensions_;
};

#include "orvane-tags_output.h"

#include <cmath>
#include <optional>

#include "platform/CodePage.h"
#include "tags/TagText.h"

namespace {

// Nesting kept in JSON: the reader's own properties, a tag object's, and no deeper (no reader
// publishes an object inside an object; a cycle would never end).
constexpr int kMaxJsonDepth = 2;

// A getter that fails gives no value, as it gives none to the player's window.
std::optional<TPropValue> ValueOf(const TFoundProperty& found) {
  if (found.Prop == nullptr) return std::nullopt;
  try {
    return found.Prop->Get(*found.Owner);
  } catch (...) {
    return std::nullopt;
  }
}

// The value as UTF-8 text, before any cut at an inner zero byte.
std::string Utf8Text(const TPropInfo& prop, const TPropValue& value) {
  if (prop.Kind == TPropKind::WideString) {
    return platform::Utf16ToUtf8(std::get<std::u16string>(value));
  }
  return platform::AnsiToUtf8(PropValueToText(prop, value));
}

// A value ends at an inner zero byte, as any display ends it.
std::string_view UpToZero(std::string_view text) { return text.substr(0, text.find('\0')); }

// --- text lines ---

// One value stays on one line: line breaks become spaces.
std::string ForLine(std::string_view text) {
  std::string line(UpToZero(text));
  for (char& c : line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return line;
}

void AppendLine(std::string& out, std::string_view key, std::string_view value) {
  out.append(key).append("=").append(ForLine(value)).append("\n");
}

// One line per property; an object-valued property gives one line per property of the object.
void AppendAllLines(std::string& out, const TPersistent& obj, const std::string& prefix) {
  for (const TPropInfo* prop : obj.ClassInfo().AllProperties()) {
    const std::optional<TPropValue> value = ValueOf({&obj, prop});
    if (prop->Kind == TPropKind::Object) {
      const TPersistent* child = value ? std::get<const TPersistent*>(*value) : nullptr;
      if (child != nullptr && prefix.empty()) AppendAllLines(out, *child, prop->Name + ".");
      continue;
    }
    AppendLine(out, prefix + prop->Name, value ? Utf8Text(*prop, *value) : "");
  }
}

// --- JSON ---

void AppendJsonString(std::string& out, std::string_view utf8) {
  utf8 = UpToZero(utf8);
  // Text from the readers is UTF-8 already; this guard keeps the output valid whatever comes.
  std::string repaired;
  if (!platform::IsValidUtf8(utf8)) {
    repaired = platform::Utf16ToUtf8(Utf8ToWide(utf8));
    utf8 = repaired;
  }
  out += '"';
  for (const char c : utf8) {
    if (c == '"' || c == '\\') {
      out.append(1, '\\').append(1, c);
    } else if (static_cast<unsigned char>(c) < 0x20) {
      static const char kHex[] = "0123456789abcdef";
      out.append("\\u00").append(1, kHex[c >> 4]).append(1, kHex[c & 0xF]);
    } else {
      out += c;
    }
  }
  out += '"';
}

void AppendJsonProperties(std::string& out, const TPersistent& obj, int depth, bool& first);

void AppendJsonValue(std::string& out, const TPropInfo& prop, const TPropValue& value,
                     int depth) {
  switch (prop.Kind) {
    case TPropKind::Boolean:
      out += std::get<bool>(value) ? "true" : "false";
      return;
    case TPropKind::Float: {
      const double number = std::get<double>(value);
      out += std::isfinite(number) ? FloatToStr(number) : "null";  // JSON has no NaN
      return;
    }
    case TPropKind::Object: {
      const TPersistent* child = std::get<const TPersistent*>(value);
      if (child == nullptr || depth >= kMaxJsonDepth) {
        out += "null";
        return;
      }
      bool first = true;
      out += '{';
      AppendJsonProperties(out, *child, depth + 1, first);
      out += '}';
      return;
    }
    case TPropKind::Enumeration:
    case TPropKind::String:
    case TPropKind::WideString:
      AppendJsonString(out, Utf8Text(prop, value));
      return;
    default:  // integers of every width
      out += PropValueToText(prop, value);
      return;
  }
}

void AppendJsonMember(std::string& out, std::string_view key, const TFoundProperty& found,
                      int depth, bool& first) {
  if (!first) out += ',';
  first = false;
  AppendJsonString(out, key);
  out += ':';
  const std::optional<TPropValue> value = ValueOf(found);
  if (value) {
    AppendJsonValue(out, *found.Prop, *value, depth);
  } else {
    out += "\"\"";  // a name nothing publishes has an empty value, as in the text lines
  }
}

void AppendJsonProperties(std::string& out, const TPersistent& obj, int depth, bool& first) {
  for (const TPropInfo* prop : obj.ClassInfo().AllProperties()) {
    AppendJsonMember(out, prop->Name, {&obj, prop}, depth, first);
  }
}

}  // namespace

TFoundProperty FindAsPlayer(const TsMediaTag* reader, std::string_view name) {
  if (reader == nullptr) return {};
  const size_t dot = name.find('.');
  if (dot != std::string_view::npos) {
    const TPersistent* owner = GetPropObject(*reader, name.substr(0, dot));
    if (owner == nullptr) return {};
    return {owner, FindProperty(*owner, name.substr(dot + 1))};
  }
  TFoundProperty firstPublished;
  auto consider = [&](const TPersistent* owner) {
    const TPropInfo* prop = owner != nullptr ? FindProperty(*owner, name) : nullptr;
    if (prop == nullptr) return false;
    const TFoundProperty found{owner, prop};
    if (firstPublished.Prop == nullptr) firstPublished = found;
    const std::optional<TPropValue> value = ValueOf(found);
    return value && !PropValueToText(*prop, *value).empty();
  };
  if (consider(reader)) return {reader, FindProperty(*reader, name)};
  for (std::string_view tagName : SubTagNames) {
    // A property of a tag's name that is no object (TOggVorbis's Boolean "ID3v2") is passed over.
    const TPersistent* tag = GetPropObject(*reader, tagName);
    if (consider(tag)) return {tag, FindProperty(*tag, name)};
  }
  return firstPublished;
}

void AppendTextBlock(std::string& out, const TsMediaTagReader& reader, const std::string& file,
                     const TToolOptions& options) {
  const TsMediaTag* current = reader.CurrentReader();
  AppendLine(out, "File", file);
  if (options.PropertiesGiven) {
    for (const std::string& name : options.Properties) {
      const TFoundProperty found = FindAsPlayer(current, name);
      const std::optional<TPropValue> value = ValueOf(found);
      AppendLine(out, name, value ? Utf8Text(*found.Prop, *value) : "");
    }
  } else {
    AppendLine(out, "Reader", current != nullptr ? current->ClassName() : "");
    AppendLine(out, "Title", platform::AnsiToUtf8(reader.GetTagValue("Title")));
    AppendLine(out, "Artist", platform::AnsiToUtf8(reader.GetTagValue("Artist")));
    if (current != nullptr) AppendAllLines(out, *current, "");
  }
  out += '\n';
}

void AppendJsonObject(std::string& out, const TsMediaTagReader& reader, const std::string& file,
                      const TToolOptions& options) {
  const TsMediaTag* current = reader.CurrentReader();
  out += "{\"file\":";
  AppendJsonString(out, platform::AnsiToUtf8(file));
  out += ",\"reader\":";
  AppendJsonString(out, current != nullptr ? current->ClassName() : "");
  bool first = false;
  if (options.PropertiesGiven) {
    for (const std::string& name : options.Properties) {
      AppendJsonMember(out, name, FindAsPlayer(current, name), 1, first);
    }
  } else {
    AppendJsonMember(out, "Title", FindAsPlayer(current, "Title"), 1, first);
    AppendJsonMember(out, "Artist", FindAsPlayer(current, "Artist"), 1, first);
    // The reader's own Title and Artist (Ogg Vorbis, FLAC...) are in the two above already.
    for (const TPropInfo* prop : current != nullptr ? current->ClassInfo().AllProperties()
                                                    : std::vector<const TPropInfo*>{}) {
      if (prop->Name == "Title" || prop->Name == "Artist") continue;
      AppendJsonMember(out, prop->Name, {current, prop}, 1, first);
    }
  }
  out += '}';
}

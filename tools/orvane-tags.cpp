// orvane-tags FILE...: prints what the player reads from each file, one block per file:
//   File=, Reader=, Title=, Artist=, then every published property of the reader that accepted
//   the file, a tag object's properties as <Object>.<Property>=, and a blank line.
// Exit status: 0 when every file was accepted, 1 when one was not, 2 for a usage error.

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/CodePage.h"
#include "tags/sMediaTagReader.h"

namespace {

// Text for a line of output: in UTF-8, ended at an inner zero byte as any display ends it, and
// with line breaks turned into spaces so that one value stays on one line.
std::string ForLine(std::string text) {
  const size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

std::string ValueAsUtf8(const TPropInfo& prop, const TPropValue& value) {
  if (prop.Kind == TPropKind::WideString) {
    return ForLine(platform::Utf16ToUtf8(std::get<std::u16string>(value)));
  }
  return ForLine(platform::AnsiToUtf8(PropValueToText(prop, value)));
}

void PrintLine(std::string_view key, std::string_view value) {
  std::string line;
  line.reserve(key.size() + value.size() + 2);
  line.append(key).append("=").append(value).append("\n");
  std::fwrite(line.data(), 1, line.size(), stdout);
}

// One line per property; an object-valued property gives one line per property of the object.
void PrintProperties(const TPersistent& obj, const std::string& prefix) {
  for (const TPropInfo* prop : obj.ClassInfo().AllProperties()) {
    const TPropValue value = prop->Get(obj);
    if (prop->Kind == TPropKind::Object) {
      const TPersistent* child = std::get<const TPersistent*>(value);
      if (child != nullptr && prefix.empty()) PrintProperties(*child, prop->Name + ".");
      continue;
    }
    PrintLine(prefix + prop->Name, ValueAsUtf8(*prop, value));
  }
}

bool PrintFile(TsMediaTagReader& reader, const std::string& fileName) {
  const bool accepted = reader.ReadTags(fileName);
  const TsMediaTag* current = reader.CurrentReader();
  PrintLine("File", fileName);
  PrintLine("Reader", current != nullptr ? current->ClassName() : "");
  PrintLine("Title", ForLine(platform::AnsiToUtf8(reader.GetTagValue("Title"))));
  PrintLine("Artist", ForLine(platform::AnsiToUtf8(reader.GetTagValue("Artist"))));
  if (current != nullptr) PrintProperties(*current, "");
  std::fputs("\n", stdout);
  return accepted;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: orvane-tags FILE...\n", stderr);
    return 2;
  }
  TsMediaTagReader reader;
  bool allAccepted = true;
  for (int i = 1; i < argc; ++i) {
    if (!PrintFile(reader, argv[i])) allAccepted = false;
  }
  std::fflush(stdout);
  return allAccepted ? 0 : 1;
}

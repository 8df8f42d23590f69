// taglib_tags FILE...: the TagLib peer of `orvane-tags -p Title,Artist` in the whole-process
// benchmark (bench/tags_process_bench): reads each file's title and artist through FileRef with
// fast audio properties and prints the same lines.

#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  std::string out;
  for (int i = 1; i < argc; ++i) {
    TagLib::FileRef file(argv[i], true, TagLib::AudioProperties::Fast);
    const bool hasTag = !file.isNull() && file.tag() != nullptr;
    out.append("File=").append(argv[i]).append("\nTitle=");
    if (hasTag) out.append(file.tag()->title().to8Bit(true));
    out.append("\nArtist=");
    if (hasTag) out.append(file.tag()->artist().to8Bit(true));
    out.append("\n\n");
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

#include "imaging/JacketLoader.h"

#include "imaging/ABitmapFilters32.h"
#include "imaging/JpegDecoder.h"
#include "imaging/PngDecoder.h"
#include "platform/CodePage.h"
#include "platform/FileSearch.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace {

struct TJacketName {
  std::string_view Suffix;  // behind the base name
  TPictureKind Kind;
};

// The program's own jacket: ".bmp" wins over ".jpg".
constexpr TJacketName OwnNames[] = {{".bmp", TPictureKind::Bmp}, {".jpg", TPictureKind::Jpeg}};

// What other players leave in an album's folder, tried in this order when "a" is missing.
constexpr std::string_view OtherBaseNames[] = {"folder", "cover", "front"};
constexpr TJacketName OtherSuffixes[] = {{".jpg", TPictureKind::Jpeg},
                                         {".jpeg", TPictureKind::Jpeg},
                                         {".png", TPictureKind::Png},
                                         {".bmp", TPictureKind::Bmp}};

// The first regular file in folder whose name is wanted, ignoring case ("" when none is): a FIFO
// with a jacket's name would hang the pane, so it counts as no jacket at all.
// names is sorted by bytes, so among names that differ only in case the first by bytes wins.
std::string FindName(const std::string& folder, const std::vector<std::string>& names,
                     const std::string& wanted) {
  for (const std::string& name : names) {
    if (name.size() == wanted.size() && platform::AnsiSameText(name, wanted) &&
        platform::RegularFileExists(folder + name))
      return folder + name;
  }
  return {};
}

}  // namespace

TJacketFile FindJacket(const std::string& basePath) {
  const size_t slash = basePath.rfind(platform::PathDelim);
  const std::string folder = slash == std::string::npos ? "" : basePath.substr(0, slash + 1);
  const std::string baseName = basePath.substr(folder.size());
  // One read of the folder for every name tried.
  std::vector<std::string> names = platform::ListNames(folder);
  std::sort(names.begin(), names.end());
  for (const TJacketName& own : OwnNames) {
    std::string path = FindName(folder, names, baseName + std::string(own.Suffix));
    if (!path.empty()) return {std::move(path), own.Kind};
  }
  for (std::string_view base : OtherBaseNames) {
    for (const TJacketName& other : OtherSuffixes) {
      std::string path = FindName(folder, names, std::string(base) + std::string(other.Suffix));
      if (!path.empty()) return {std::move(path), other.Kind};
    }
  }
  return {};
}

namespace {

void LoadPicture(const TJacketFile& file, TABitmap& picture) {
  switch (file.Kind) {
    case TPictureKind::Bmp: picture.LoadFromFile(file.Path); break;
    case TPictureKind::Jpeg: LoadJpegFromFile(file.Path, picture); break;
    case TPictureKind::Png: LoadPngFromFile(file.Path, picture); break;
  }
}

}  // namespace

std::string FindJacketFile(const std::string& basePath) { return FindJacket(basePath).Path; }

std::unique_ptr<TABitmap> LoadJacket(const std::string& basePath) {
  const TJacketFile file = FindJacket(basePath);
  if (file.Path.empty()) return nullptr;
  return LoadJacket(file);
}

std::unique_ptr<TABitmap> LoadJacket(const TJacketFile& file) {
  TABitmap Picture;
  LoadPicture(file, Picture);
  Picture.Ensure32Bit();
  auto Jacket = std::make_unique<TABitmap>();
  Jacket->SetSize(JacketSize, JacketSize);
  // The whole picture onto the whole square: the aspect ratio is not kept.
  StretchNearest(JacketSize, JacketSize, Picture, 0, 0, Picture.Width(), Picture.Height(), 0, 0,
                 *Jacket);
  return Jacket;
}

void DrawJacket(TABitmap& Tile, const TABitmap& Jacket) {
  Tile.CopyFrom(Jacket, TJacketRect::Left, TJacketRect::Top);
}

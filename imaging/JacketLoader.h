#pragma once
// The folder pane's jacket: the folder's cover picture, squeezed to 80 x 80.

#include "imaging/ABitmap.h"

#include <memory>
#include <string>

// Where the jacket goes in a 96 x 96 folder tile: right and bottom exclusive, so 80 x 80 pixels.
struct TJacketRect {
  static constexpr int Left = 6;
  static constexpr int Top = 6;
  static constexpr int Right = 86;
  static constexpr int Bottom = 86;
};

constexpr int JacketSize = 80;

// The jacket file of the folder that basePath names a file in (basePath is the folder with a
// trailing delimiter followed by "a"): "a.bmp", else "a.jpg"; when the folder has neither, the
// names other players use, "folder", "cover" and "front", each with ".jpg", ".jpeg", ".png" and
// ".bmp", in that order. Names are matched ignoring letter case, since the libraries come from a
// file system that ignores it ("A.JPG" is "a.jpg"); when several names differ only in case, the
// first by its bytes is taken. Only regular files count. Empty when the folder has no jacket.
std::string FindJacketFile(const std::string& basePath);

enum class TPictureKind {
  Bmp,   // read by TABitmap itself
  Jpeg,  // libjpeg
  Png,   // the framework's PNG reader
};

// A jacket file and the decoder its name calls for; an empty Path when the folder has none.
struct TJacketFile {
  std::string Path;
  TPictureKind Kind = TPictureKind::Bmp;
};

// FindJacketFile's answer with its kind.
TJacketFile FindJacket(const std::string& basePath);

// The jacket FindJacketFile names, decoded by its extension (BMP; JPEG; PNG), as an 80 x 80
// 32-bit bitmap stretched from the whole picture without keeping its aspect ratio, or nullptr
// when the folder has no jacket. Decoding happens in memory; no scratch file is written.
// A jacket file that exists but cannot be read throws EInvalidGraphic (EJPEG, derived from it,
// for a JPEG whose decoding fails); its text carries the decoder's message and names the file.
// Safe to call from several threads at once.
std::unique_ptr<TABitmap> LoadJacket(const std::string& basePath);
// The same for a file FindJacket found (its Path must not be empty); never nullptr.
std::unique_ptr<TABitmap> LoadJacket(const TJacketFile& file);

// Lays Jacket's whole area into Tile at TJacketRect's top-left corner, pixel for pixel.
void DrawJacket(TABitmap& Tile, const TABitmap& Jacket);

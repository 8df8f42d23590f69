#pragma once
// The folder pane's jacket: the picture "a.bmp" (or else "a.jpg") in a folder, squeezed to 80 x 80.

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

// basePath is the folder with a trailing delimiter followed by "a". Tries basePath + ".bmp",
// then basePath + ".jpg" (decoded in memory). Returns an 80 x 80 32-bit bitmap stretched from the
// whole picture without keeping its aspect ratio, or nullptr when neither file exists.
// A jacket file that exists but cannot be read throws EInvalidGraphic (EJPEG, derived from it,
// for a JPEG whose decoding fails; its text carries libjpeg's message and names the file).
std::unique_ptr<TABitmap> LoadJacket(const std::string& basePath);

// Lays Jacket's whole area into Tile at TJacketRect's top-left corner, pixel for pixel.
void DrawJacket(TABitmap& Tile, const TABitmap& Jacket);

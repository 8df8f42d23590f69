#include "imaging/ImagingFixtures.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fixtures {

TTempDir::TTempDir() {
  std::string Template =
      (std::filesystem::temp_directory_path() / "orvane-imaging-XXXXXX").string();
  if (mkdtemp(Template.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  FPath = Template;
}

TTempDir::~TTempDir() {
  std::error_code Ignored;
  std::filesystem::remove_all(FPath, Ignored);
}

void WriteFile(const std::string& FileName, const std::string& Bytes) {
  std::ofstream File(FileName, std::ios::binary | std::ios::trunc);
  File.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  if (!File) throw std::runtime_error("cannot write " + FileName);
}

std::string ReadFile(const std::string& FileName) {
  std::ifstream File(FileName, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>());
}

namespace {

void Put16(std::string& Out, uint32_t Value) {
  Out += static_cast<char>(Value & 0xFF);
  Out += static_cast<char>((Value >> 8) & 0xFF);
}

void Put32(std::string& Out, uint32_t Value) {
  Put16(Out, Value & 0xFFFF);
  Put16(Out, Value >> 16);
}

void PutBgr(std::string& Out, uint32_t Rgb) {
  Out += static_cast<char>(Rgb & 0xFF);
  Out += static_cast<char>((Rgb >> 8) & 0xFF);
  Out += static_cast<char>((Rgb >> 16) & 0xFF);
}

// One stored row of an uncompressed bitmap, padded to four bytes.
std::string PackRow(const TBmpSpec& Spec, int y) {
  std::string Row;
  const uint32_t* Px = Spec.Pixels.data() + static_cast<size_t>(y) * Spec.Width;
  if (Spec.Bits < 8) {
    const int PerByte = 8 / Spec.Bits;
    for (int x = 0; x < Spec.Width; x += PerByte) {
      unsigned Byte = 0;
      for (int i = 0; i < PerByte; ++i) {
        const unsigned Value = x + i < Spec.Width ? Px[x + i] : 0;
        Byte |= Value << (8 - Spec.Bits * (i + 1));  // leftmost pixel in the high bits
      }
      Row += static_cast<char>(Byte);
    }
  } else {
    for (int x = 0; x < Spec.Width; ++x) {
      if (Spec.Bits == 8) Row += static_cast<char>(Px[x]);
      if (Spec.Bits == 16) Put16(Row, Px[x]);
      if (Spec.Bits == 24) PutBgr(Row, Px[x]);
      if (Spec.Bits == 32) PutBgr(Row, Px[x]), Row += '\0';
    }
  }
  while (Row.size() % 4 != 0) Row += '\0';
  return Row;
}

// RLE8 for one row: runs of equal pixels in encoded mode, stretches of differing pixels in
// absolute mode (three or more, padded to a word), lone pixels as runs of one.
std::string EncodeRle8Row(const uint32_t* Px, int Width) {
  std::string Out;
  int i = 0;
  while (i < Width) {
    int Run = 1;
    while (i + Run < Width && Px[i + Run] == Px[i] && Run < 255) ++Run;
    if (Run >= 2) {
      Out += static_cast<char>(Run);
      Out += static_cast<char>(Px[i]);
      i += Run;
      continue;
    }
    int Literal = 0;
    while (i + Literal < Width && Literal < 255 &&
           (i + Literal + 1 >= Width || Px[i + Literal] != Px[i + Literal + 1]))
      ++Literal;
    if (Literal >= 3) {
      Out += '\0';
      Out += static_cast<char>(Literal);
      for (int k = 0; k < Literal; ++k) Out += static_cast<char>(Px[i + k]);
      if (Literal % 2 != 0) Out += '\0';
      i += Literal;
    } else {
      Out += '\x01';
      Out += static_cast<char>(Px[i]);
      ++i;
    }
  }
  Out += std::string("\0\0", 2);  // end of line
  return Out;
}

}  // namespace

std::string MakeBmp(const TBmpSpec& Spec) {
  std::string Data;
  for (int Stored = 0; Stored < Spec.Height; ++Stored) {
    const int y = Spec.TopDown ? Stored : Spec.Height - 1 - Stored;
    if (Spec.Rle8) {
      Data += EncodeRle8Row(Spec.Pixels.data() + static_cast<size_t>(y) * Spec.Width, Spec.Width);
    } else {
      Data += PackRow(Spec, y);
    }
  }
  if (Spec.Rle8) Data += std::string("\0\x01", 2);  // end of bitmap

  const uint32_t Offset = 14 + 40 + 4 * static_cast<uint32_t>(Spec.Palette.size());
  std::string Out = "BM";
  Put32(Out, Offset + static_cast<uint32_t>(Data.size()));
  Put32(Out, 0);  // reserved
  Put32(Out, Offset);
  Put32(Out, 40);  // BITMAPINFOHEADER
  Put32(Out, static_cast<uint32_t>(Spec.Width));
  Put32(Out, static_cast<uint32_t>(Spec.TopDown ? -Spec.Height : Spec.Height));
  Put16(Out, 1);  // planes
  Put16(Out, static_cast<uint32_t>(Spec.Bits));
  Put32(Out, Spec.Rle8 ? 1 : 0);  // BI_RLE8 or BI_RGB
  Put32(Out, static_cast<uint32_t>(Data.size()));
  Put32(Out, 2835);  // 72 dpi
  Put32(Out, 2835);
  Put32(Out, static_cast<uint32_t>(Spec.Palette.size()));
  Put32(Out, 0);
  for (uint32_t Colour : Spec.Palette) PutBgr(Out, Colour), Out += '\0';
  return Out + Data;
}

bool Convert(const std::string& Arguments) {
  const std::string Command = "convert " + Arguments + " >/dev/null 2>&1";
  return std::system(Command.c_str()) == 0;
}

uint32_t PatternPixel(int x, int y, int W, int H) {
  const uint32_t R = static_cast<uint32_t>(x * 255 / (W > 1 ? W - 1 : 1));
  const uint32_t G = static_cast<uint32_t>(y * 255 / (H > 1 ? H - 1 : 1));
  const uint32_t B = ((x / 8 + y / 8) & 1) ? 200 : 40;
  return 0xFF000000u | R << 16 | G << 8 | B;
}

void WritePatternPpm(const std::string& FileName, int W, int H) {
  std::string Out = "P6\n" + std::to_string(W) + " " + std::to_string(H) + "\n255\n";
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const uint32_t P = PatternPixel(x, y, W, H);
      Out += static_cast<char>((P >> 16) & 0xFF);
      Out += static_cast<char>((P >> 8) & 0xFF);
      Out += static_cast<char>(P & 0xFF);
    }
  WriteFile(FileName, Out);
}

}  // namespace fixtures

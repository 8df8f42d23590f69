#include "imaging/JpegDecoder.h"

#include "imaging/ImagingFixtures.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cstdlib>

namespace {

struct TJpeg {
  std::string FileName;
  std::string Bytes;
};

// A JPEG of the test pattern, written by ImageMagick with the given options.
TJpeg MakeJpeg(const fixtures::TTempDir& Dir, const std::string& Name, int W, int H,
               const std::string& Options) {
  const std::string Ppm = Dir.File(Name + ".ppm");
  const std::string Jpg = Dir.File(Name + ".jpg");
  fixtures::WritePatternPpm(Ppm, W, H);
  if (!fixtures::Convert("'" + Ppm + "' " + Options + " '" + Jpg + "'")) return {};
  return {Jpg, fixtures::ReadFile(Jpg)};
}

TABitmap Decode(const std::string& Bytes) {
  TABitmap Bitmap;
  DecodeJpeg(reinterpret_cast<const uint8_t*>(Bytes.data()), Bytes.size(), Bitmap);
  return Bitmap;
}

int ChannelDistance(uint32_t A, uint32_t B) {
  int Worst = 0;
  for (int Shift : {0, 8, 16})
    Worst = std::max(Worst, std::abs(static_cast<int>((A >> Shift) & 0xFF) -
                                     static_cast<int>((B >> Shift) & 0xFF)));
  return Worst;
}

// Qt's JPEG reader is libjpeg with its default decompression too, which is what a 24-bit BMP
// of the decoded picture would hold: the pixels must agree exactly.
void ExpectSameAsQt(const TJpeg& Jpeg, const TABitmap& Bitmap) {
  QImage Reference;
  ASSERT_TRUE(Reference.load(QString::fromStdString(Jpeg.FileName), "JPG"));
  Reference = Reference.convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(Bitmap.Width(), Reference.width());
  ASSERT_EQ(Bitmap.Height(), Reference.height());
  for (int y = 0; y < Bitmap.Height(); ++y)
    for (int x = 0; x < Bitmap.Width(); ++x)
      ASSERT_EQ(Bitmap.ScanLine(y)[x], Reference.pixel(x, y)) << x << "," << y;
}

// Close to the pattern it was made from: the colours went through a lossy encoder.
void ExpectNearPattern(const TABitmap& Bitmap, int W, int H, int Tolerance) {
  ASSERT_EQ(Bitmap.Width(), W);
  ASSERT_EQ(Bitmap.Height(), H);
  int Worst = 0;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      EXPECT_EQ(Bitmap.ScanLine(y)[x] >> 24, 0xFFu);
      Worst = std::max(Worst,
                       ChannelDistance(Bitmap.ScanLine(y)[x], fixtures::PatternPixel(x, y, W, H)));
    }
  EXPECT_LE(Worst, Tolerance);
}

TEST(DecodeJpeg, ColourPicturesMatchLibjpegsDefaultDecode) {
  fixtures::TTempDir Dir;
  const struct {
    const char* Name;
    const char* Options;
  } Cases[] = {
      {"yuv420", "-quality 90 -sampling-factor 2x2"},
      {"yuv444", "-quality 95 -sampling-factor 1x1"},
      {"yuv422-progressive", "-quality 85 -sampling-factor 2x1 -interlace JPEG"},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    const TJpeg Jpeg = MakeJpeg(Dir, Case.Name, 61, 45, Case.Options);
    ASSERT_FALSE(Jpeg.Bytes.empty());
    const TABitmap Bitmap = Decode(Jpeg.Bytes);
    ExpectSameAsQt(Jpeg, Bitmap);
    ExpectNearPattern(Bitmap, 61, 45, 80);
  }
}

TEST(DecodeJpeg, GrayscalePicturesGiveGreyPixels) {
  fixtures::TTempDir Dir;
  const TJpeg Jpeg = MakeJpeg(Dir, "gray", 40, 30, "-colorspace Gray -quality 95");
  ASSERT_FALSE(Jpeg.Bytes.empty());
  const TABitmap Bitmap = Decode(Jpeg.Bytes);
  ExpectSameAsQt(Jpeg, Bitmap);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const uint32_t P = Bitmap.ScanLine(y)[x];
      ASSERT_EQ(P & 0xFF, (P >> 8) & 0xFF);
      ASSERT_EQ(P & 0xFF, (P >> 16) & 0xFF);
    }
}

TEST(DecodeJpeg, AdobeCmykPicturesDecodeToTheirColours) {
  fixtures::TTempDir Dir;
  const TJpeg Jpeg = MakeJpeg(Dir, "cmyk", 48, 32, "-colorspace CMYK -quality 95");
  ASSERT_FALSE(Jpeg.Bytes.empty());
  const TABitmap Bitmap = Decode(Jpeg.Bytes);
  ExpectSameAsQt(Jpeg, Bitmap);
  ExpectNearPattern(Bitmap, 48, 32, 80);
}

TEST(DecodeJpeg, BrokenDataFailsWithLibjpegsMessageAndKeepsThePicture) {
  fixtures::TTempDir Dir;
  const TJpeg Jpeg = MakeJpeg(Dir, "good", 64, 64, "-quality 90");
  ASSERT_FALSE(Jpeg.Bytes.empty());
  std::string HugeFrame = Jpeg.Bytes;
  const size_t Sof = HugeFrame.find("\xFF\xC0");
  ASSERT_NE(Sof, std::string::npos);
  HugeFrame.replace(Sof + 5, 4, "\xFF\x00\xFF\x00", 4);  // 65280 x 65280 pixels
  const struct {
    const char* What;
    std::string Bytes;
    const char* Message;
  } Cases[] = {
      {"empty", "", "Empty input file"},
      {"not a JPEG", "BM" + std::string(100, 'x'), "Not a JPEG file"},
      {"header only", Jpeg.Bytes.substr(0, 200), "Premature end of JPEG file"},
      {"cut in the data", Jpeg.Bytes.substr(0, Jpeg.Bytes.size() * 2 / 3), "Premature end"},
      {"huge frame", HugeFrame, "too large"},
  };
  TABitmap Bitmap;
  Bitmap.SetSize(3, 3);
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.What);
    try {
      DecodeJpeg(reinterpret_cast<const uint8_t*>(Case.Bytes.data()), Case.Bytes.size(), Bitmap);
      ADD_FAILURE() << "decoded";
    } catch (const EJPEG& Error) {
      EXPECT_NE(Error.DecoderMessage().find(Case.Message), std::string::npos)
          << Error.DecoderMessage();
      EXPECT_NE(std::string(Error.what()).find(Error.DecoderMessage()), std::string::npos);
    }
    EXPECT_EQ(Bitmap.Width(), 3);
  }
}

TEST(DecodeJpeg, TrailingGarbageAfterThePictureIsHarmless) {
  fixtures::TTempDir Dir;
  const TJpeg Jpeg = MakeJpeg(Dir, "tail", 33, 21, "-quality 90");
  ASSERT_FALSE(Jpeg.Bytes.empty());
  const TABitmap Bitmap = Decode(Jpeg.Bytes + std::string(500, '\x00'));
  ExpectSameAsQt(Jpeg, Bitmap);
}

TEST(LoadJpegFromFile, ErrorsNameTheFile) {
  fixtures::TTempDir Dir;
  const std::string Name = Dir.File("cover.jpg");
  fixtures::WriteFile(Name, "\xFF\xD8\xFF");
  TABitmap Bitmap;
  try {
    LoadJpegFromFile(Name, Bitmap);
    ADD_FAILURE() << "decoded";
  } catch (const EJPEG& Error) {
    EXPECT_NE(std::string(Error.what()).find(Name), std::string::npos) << Error.what();
    EXPECT_NE(std::string(Error.what()).find(Error.DecoderMessage()), std::string::npos);
  }
  EXPECT_THROW(LoadJpegFromFile(Dir.File("missing.jpg"), Bitmap), EInvalidGraphic);
}

}  // namespace

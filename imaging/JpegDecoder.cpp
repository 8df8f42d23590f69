#include "imaging/JpegDecoder.h"

#include "imaging/FileBytes.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>  // jpeglib.h uses FILE and size_t without including their headers
#include <utility>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace {

constexpr size_t MaxJpegFileBytes = 256u * 1024u * 1024u;
// Progressive pictures use about ten scans; a hostile file can declare thousands, each a pass
// over the whole picture.
constexpr int MaxJpegScans = 256;
// libjpeg's own working memory (progressive coefficient buffers); the pixels are ours.
constexpr long MaxJpegWorkBytes = 768L * 1024 * 1024;
// libjpeg never asks for more rows per call than its maximum vertical sampling factor.
constexpr int RowsPerRead = 4;

// libjpeg reports errors through callbacks it expects never to return. Ours longjmp back to the
// frame that armed Escape; that frame holds only trivially destructible objects, and the error
// becomes an exception only after the jump, in ordinary C++ code.
struct TJpegErrorManager {
  jpeg_error_mgr Pub;  // first, so that libjpeg's pointer to it is a pointer to the whole
  std::jmp_buf Escape;
  char Message[JMSG_LENGTH_MAX];
};

TJpegErrorManager& ErrorsOf(j_common_ptr Info) {
  return *reinterpret_cast<TJpegErrorManager*>(Info->err);
}

[[noreturn]] void ErrorExit(j_common_ptr Info) {
  Info->err->format_message(Info, ErrorsOf(Info).Message);
  std::longjmp(ErrorsOf(Info).Escape, 1);
}

void EmitMessage(j_common_ptr Info, int Level) {
  if (Level >= 0) return;  // trace output
  // The data ran out before the picture did: a truncated file is an error for us, not a
  // picture whose lower part libjpeg fills with grey. Other corrupt-data warnings (extraneous
  // bytes, for one) are common in real files and decoding goes on.
  if (Info->err->msg_code == JWRN_JPEG_EOF) ErrorExit(Info);
  ++Info->err->num_warnings;
}

void OutputMessage(j_common_ptr) {}  // libjpeg's default prints to stderr; we show our errors

void LimitScans(j_common_ptr Info) {
  if (!Info->is_decompressor) return;
  if (reinterpret_cast<j_decompress_ptr>(Info)->input_scan_number <= MaxJpegScans) return;
  std::snprintf(ErrorsOf(Info).Message, JMSG_LENGTH_MAX, "Too many scans in JPEG file (over %d)",
                MaxJpegScans);
  std::longjmp(ErrorsOf(Info).Escape, 1);
}

// Adobe's CMYK JPEGs store inverted inks (255 = no ink), so each channel is ink * K / 255.
void CmykRowToPixels(const uint8_t* Cmyk, uint32_t* Pixels, unsigned Width) {
  for (unsigned x = 0; x < Width; ++x, Cmyk += 4) {
    const unsigned K = Cmyk[3];
    Pixels[x] = 0xFF000000u | (Cmyk[0] * K / 255) << 16 | (Cmyk[1] * K / 255) << 8 |
                (Cmyk[2] * K / 255);
  }
}

// One decompression. Each step arms Escape itself, so a libjpeg error anywhere in it lands back
// in that step, which answers false with the message in Errors().
class TJpegSession {
 public:
  TJpegSession() {
    Info.err = jpeg_std_error(&Err.Pub);
    Err.Pub.error_exit = ErrorExit;
    Err.Pub.emit_message = EmitMessage;
    Err.Pub.output_message = OutputMessage;
    Err.Message[0] = '\0';
    Progress.progress_monitor = LimitScans;
  }
  ~TJpegSession() {
    if (Created) jpeg_destroy_decompress(&Info);
  }
  TJpegSession(const TJpegSession&) = delete;
  TJpegSession& operator=(const TJpegSession&) = delete;

  const char* Message() const { return Err.Message; }
  const jpeg_decompress_struct& Header() const { return Info; }

  bool ReadHeader(const uint8_t* Data, size_t Size) {
    if (setjmp(Err.Escape)) return false;
    jpeg_create_decompress(&Info);
    Created = true;
    Info.progress = &Progress;
    Info.mem->max_memory_to_use = MaxJpegWorkBytes;
    jpeg_mem_src(&Info, Data, static_cast<unsigned long>(Size));
    jpeg_read_header(&Info, TRUE);
    return true;
  }

  bool Start(J_COLOR_SPACE OutColorSpace) {
    if (setjmp(Err.Escape)) return false;
    Info.out_color_space = OutColorSpace;
    jpeg_start_decompress(&Info);
    return true;
  }

  // Rows straight into the bitmap: BGRX is the bitmap's own pixel layout.
  bool ReadDirect(TABitmap& Bitmap) {
    if (setjmp(Err.Escape)) return false;
    while (Info.output_scanline < Info.output_height) {
      const unsigned First = Info.output_scanline;
      const unsigned Count = std::min<unsigned>(RowsPerRead, Info.output_height - First);
      JSAMPROW Rows[RowsPerRead];
      for (unsigned i = 0; i < Count; ++i)
        Rows[i] = reinterpret_cast<JSAMPROW>(Bitmap.ScanLine(static_cast<int>(First + i)));
      if (jpeg_read_scanlines(&Info, Rows, Count) == 0) return NoProgress();
    }
    return true;
  }

  bool ReadCmyk(TABitmap& Bitmap, uint8_t* CmykRow) {
    if (setjmp(Err.Escape)) return false;
    while (Info.output_scanline < Info.output_height) {
      const unsigned Row = Info.output_scanline;
      JSAMPROW Rows[1] = {CmykRow};
      if (jpeg_read_scanlines(&Info, Rows, 1) == 0) return NoProgress();
      CmykRowToPixels(CmykRow, Bitmap.ScanLine(static_cast<int>(Row)), Info.output_width);
    }
    return true;
  }

 private:
  // The memory source never suspends, but a loop that waits for rows must not spin forever.
  bool NoProgress() {
    std::snprintf(Err.Message, JMSG_LENGTH_MAX, "JPEG decoder returned no rows");
    return false;
  }

  jpeg_decompress_struct Info{};
  TJpegErrorManager Err{};
  jpeg_progress_mgr Progress{};
  bool Created = false;
};

[[noreturn]] void Fail(const std::string& DecoderMessage) {
  throw EJPEG("JPEG error: " + DecoderMessage, DecoderMessage);
}

bool IsCmyk(J_COLOR_SPACE Space) { return Space == JCS_CMYK || Space == JCS_YCCK; }

}  // namespace

void DecodeJpeg(const uint8_t* Data, size_t Size, TABitmap& Bitmap, int64_t MaxPixels) {
  TJpegSession Session;
  if (!Session.ReadHeader(Data, Size)) Fail(Session.Message());
  const jpeg_decompress_struct& Header = Session.Header();
  if (int64_t{Header.image_width} * Header.image_height > MaxPixels)
    Fail("JPEG image is too large (" + std::to_string(Header.image_width) + " x " +
         std::to_string(Header.image_height) + " pixels)");
  const bool Cmyk = IsCmyk(Header.jpeg_color_space);
  if (!Session.Start(Cmyk ? JCS_CMYK : JCS_EXT_BGRX)) Fail(Session.Message());
  if (Header.output_components != 4) Fail("Unsupported JPEG colour layout");

  TABitmap Decoded;
  Decoded.SetSize(static_cast<int>(Header.output_width), static_cast<int>(Header.output_height));
  std::vector<uint8_t> CmykRow(Cmyk ? size_t{Header.output_width} * 4 : 0);
  const bool Read = Cmyk ? Session.ReadCmyk(Decoded, CmykRow.data()) : Session.ReadDirect(Decoded);
  if (!Read) Fail(Session.Message());
  Bitmap = std::move(Decoded);
}

void LoadJpegFromFile(const std::string& FileName, TABitmap& Bitmap) {
  const std::string Bytes = ReadFileBytes(FileName, MaxJpegFileBytes);
  try {
    DecodeJpeg(reinterpret_cast<const uint8_t*>(Bytes.data()), Bytes.size(), Bitmap);
  } catch (const EJPEG& Error) {
    throw EJPEG("JPEG error: " + Error.DecoderMessage() + " (\"" + FileName + "\")",
                Error.DecoderMessage());
  }
}

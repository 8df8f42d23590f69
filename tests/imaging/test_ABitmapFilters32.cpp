#include "imaging/ABitmapFilters32.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// Each source pixel holds its own coordinates, so a destination pixel tells where it came from.
TABitmap CoordinateBitmap(int W, int H) {
  TABitmap Bitmap;
  Bitmap.SetSize(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) Bitmap.ScanLine(y)[x] = static_cast<uint32_t>(y) << 16 | x;
  return Bitmap;
}

constexpr uint32_t Untouched = 0xDEADBEEF;

TABitmap FilledBitmap(int W, int H, uint32_t Value = Untouched) {
  TABitmap Bitmap;
  Bitmap.SetSize(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) Bitmap.ScanLine(y)[x] = Value;
  return Bitmap;
}

struct TSampled {
  std::vector<int> Columns;  // source column of each destination column (first row)
  std::vector<int> Rows;     // source row of each destination row (first column)
};

// Stretches a coordinate bitmap onto an 80 x 80 one and checks that every destination pixel is
// the combination of its column's and its row's source index.
TSampled StretchTo80(int SrcW, int SrcH) {
  const TABitmap Src = CoordinateBitmap(SrcW, SrcH);
  TABitmap Dst = FilledBitmap(80, 80);
  StretchNearest(80, 80, Src, 0, 0, SrcW, SrcH, 0, 0, Dst);
  TSampled Result;
  for (int x = 0; x < 80; ++x) Result.Columns.push_back(Dst.ScanLine(0)[x] & 0xFFFF);
  for (int y = 0; y < 80; ++y) Result.Rows.push_back(Dst.ScanLine(y)[0] >> 16);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 80; ++x)
      EXPECT_EQ(Dst.ScanLine(y)[x], static_cast<uint32_t>(Result.Rows[y]) << 16 |
                                        static_cast<uint32_t>(Result.Columns[x]))
          << "x=" << x << " y=" << y;
  return Result;
}

// The sequence starts with Head and ends with Tail, and never goes backwards.
void ExpectSequence(const std::vector<int>& Got, const std::vector<int>& Head,
                    const std::vector<int>& Tail) {
  ASSERT_EQ(Got.size(), 80u);
  EXPECT_EQ(std::vector<int>(Got.begin(), Got.begin() + Head.size()), Head);
  EXPECT_EQ(std::vector<int>(Got.end() - Tail.size(), Got.end()), Tail);
  for (size_t i = 1; i < Got.size(); ++i) EXPECT_LE(Got[i - 1], Got[i]) << "at " << i;
}

void ExpectUntouched(const TABitmap& Dst) {
  for (int y = 0; y < Dst.Height(); ++y)
    for (int x = 0; x < Dst.Width(); ++x) ASSERT_EQ(Dst.ScanLine(y)[x], Untouched) << x << "," << y;
}

TEST(StretchNearest, SameSizeCopyIsShiftedByOnePixel) {
  const TSampled S = StretchTo80(80, 80);
  std::vector<int> Columns{0};
  for (int i = 0; i <= 78; ++i) Columns.push_back(i);
  std::vector<int> Rows{0, 1};
  for (int i = 1; i <= 78; ++i) Rows.push_back(i);
  EXPECT_EQ(S.Columns, Columns);
  EXPECT_EQ(S.Rows, Rows);
}

TEST(StretchNearest, ShrinkingSquares) {
  const TSampled S160 = StretchTo80(160, 160);
  ExpectSequence(S160.Columns, {0, 1, 3, 5, 7, 9}, {153, 155, 157});
  ExpectSequence(S160.Rows, {0, 1, 3, 5, 7, 9}, {153, 155, 157});
  const TSampled S500 = StretchTo80(500, 500);
  ExpectSequence(S500.Columns, {0, 6, 12, 18, 24, 31}, {481, 487, 493});
  ExpectSequence(S500.Rows, {0, 6, 12, 18, 24, 31}, {481, 487, 493});
}

TEST(StretchNearest, EnlargingSquare) {
  const TSampled S = StretchTo80(40, 40);
  ExpectSequence(S.Columns, {0, 0, 0, 1, 1, 2}, {38, 38, 39});
  ExpectSequence(S.Rows, {0, 0, 0, 1, 1, 2}, {38, 38, 39});
}

TEST(StretchNearest, WideSourceIsSqueezedOnBothAxes) {
  const TSampled S = StretchTo80(600, 400);
  ExpectSequence(S.Columns, {0, 7, 14, 22, 29, 37}, {577, 584, 592});
  ExpectSequence(S.Rows, {0, 4, 9, 14, 19, 24}, {384, 389, 394});
}

TEST(StretchNearest, EmptySourceRectangleRepeatsTheTopLeftPixel) {
  const TABitmap Src = CoordinateBitmap(50, 50);
  TABitmap Dst = FilledBitmap(80, 80);
  StretchNearest(80, 80, Src, 0, 0, 0, 0, 0, 0, Dst);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 80; ++x) ASSERT_EQ(Dst.ScanLine(y)[x], 0u);
}

TEST(StretchNearest, RejectedRectanglesLeaveTheDestinationAlone) {
  const TABitmap Src = CoordinateBitmap(100, 100);
  struct TCase {
    const char* What;
    int DstW, DstH;
    double SrcX, SrcY, DstX, DstY;
  };
  const TCase Cases[] = {
      {"zero width", 0, 80, 0, 0, 0, 0},        {"zero height", 80, 0, 0, 0, 0, 0},
      {"negative width", -5, 80, 0, 0, 0, 0},   {"SrcX below 0", 80, 80, -1, 0, 0, 0},
      {"SrcY below 0", 80, 80, 0, -0.5, 0, 0},  {"SrcX beyond", 80, 80, 101, 0, 0, 0},
      {"SrcY beyond", 80, 80, 0, 100.5, 0, 0},  {"DstX at right edge", 80, 80, 0, 0, 80, 0},
      {"DstY at bottom", 80, 80, 0, 0, 0, 80},  {"all left of Dst", 80, 80, 0, 0, -80, 0},
      {"all above Dst", 80, 80, 0, 0, 0, -90},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.What);
    TABitmap Dst = FilledBitmap(80, 80);
    StretchNearest(C.DstW, C.DstH, Src, C.SrcX, C.SrcY, 20, 20, C.DstX, C.DstY, Dst);
    ExpectUntouched(Dst);
  }
}

TEST(StretchNearest, NegativeDestinationOriginClipsAndMovesTheSource) {
  const TABitmap Src = CoordinateBitmap(160, 160);
  TABitmap Whole = FilledBitmap(80, 80);
  StretchNearest(80, 80, Src, 0, 0, 160, 160, 0, 0, Whole);
  TABitmap Clipped = FilledBitmap(80, 80);
  StretchNearest(80, 80, Src, 0, 0, 160, 160, -10, 0, Clipped);
  // SrcX moves right by 10 x 160 / 80 = 20: column 0 samples source column 19, as column 10
  // of the unclipped picture does; the last 10 columns are not drawn.
  for (int y = 0; y < 80; ++y) {
    for (int x = 0; x < 70; ++x) ASSERT_EQ(Clipped.ScanLine(y)[x], Whole.ScanLine(y)[x + 10]);
    for (int x = 70; x < 80; ++x) ASSERT_EQ(Clipped.ScanLine(y)[x], Untouched);
  }
  EXPECT_EQ(Clipped.ScanLine(0)[0] & 0xFFFF, 19u);
}

TEST(ClipStretchRects, ClipsInTheDocumentedOrder) {
  double SrcX = 0, SrcY = 0, DstX = -10, DstY = -4.5;
  int DstW = 80, DstH = 80;
  ASSERT_TRUE(ClipStretchRects(SrcX, SrcY, 160, 40, 160, 40, DstX, DstY, DstW, DstH, 80, 80));
  EXPECT_DOUBLE_EQ(SrcX, 20);
  EXPECT_DOUBLE_EQ(SrcY, 2.25);  // 4.5 x 40 / 80
  EXPECT_EQ(DstW, 70);
  EXPECT_EQ(DstH, 75);  // trunc(80 - 4.5)
  EXPECT_EQ(DstX, 0);
  EXPECT_EQ(DstY, 0);

  // Overhanging the right and bottom edges: the size shrinks to what is left.
  SrcX = SrcY = 0;
  DstX = 70.5;
  DstY = 60;
  DstW = DstH = 80;
  ASSERT_TRUE(ClipStretchRects(SrcX, SrcY, 10, 10, 10, 10, DstX, DstY, DstW, DstH, 80, 80));
  EXPECT_EQ(DstW, 9);  // trunc(80 - 70.5)
  EXPECT_EQ(DstH, 20);

  // The shifted origin must still lie inside the source.
  SrcX = 5;
  SrcY = 0;
  DstX = -40;
  DstY = 0;
  DstW = DstH = 80;
  EXPECT_FALSE(ClipStretchRects(SrcX, SrcY, 20, 20, 10, 10, DstX, DstY, DstW, DstH, 80, 80));
}

// The source extent is the caller's to respect; a stretch asked to read past Src's edge draws
// nothing rather than read memory that is not the picture's.
TEST(StretchNearest, RefusesToReadOutsideTheSource) {
  const TABitmap Src = CoordinateBitmap(40, 30);
  TABitmap Dst = FilledBitmap(80, 80);
  StretchNearest(80, 80, Src, 0, 0, 41, 30, 0, 0, Dst);   // one column too wide
  StretchNearest(80, 80, Src, 0, 30, 40, 0, 0, 0, Dst);   // origin on the bottom edge, height 0
  StretchNearest(80, 80, Src, 0, 10, 40, 30, 0, 0, Dst);  // rows run past the bottom
  StretchNearest(80, 80, Src, 0, 0, -40, 30, 0, 0, Dst);  // negative width wraps the step
  const TABitmap Empty;
  StretchNearest(80, 80, Empty, 0, 0, 0, 0, 0, 0, Dst);
  ExpectUntouched(Dst);
}

}  // namespace

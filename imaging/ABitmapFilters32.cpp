#include "imaging/ABitmapFilters32.h"

#include <cmath>
#include <cstdint>

namespace {

// The fixed-point scale. 65535 rather than 65536 is what gives the pictures their known look
// (a same-size copy shifted by one pixel), so it stays.
constexpr double FixedOne = 65535.0;
constexpr uint64_t AccumulatorLimit = uint64_t{1} << 32;

// trunc() toward zero into 64 bits without undefined conversions: NaN gives 0, huge values
// saturate (they are rejected afterwards by the bounds check).
int64_t TruncTo64(double Value) {
  if (std::isnan(Value)) return 0;
  constexpr double Limit = 9.0e15;  // below 2^53: every such double converts exactly
  if (Value > Limit) return static_cast<int64_t>(Limit);
  if (Value < -Limit) return -static_cast<int64_t>(Limit);
  return static_cast<int64_t>(Value);
}

// A step as the 32-bit accumulator sees it: negative steps wrap like an unsigned addition would.
uint32_t StepFrom(double Step) {
  return static_cast<uint32_t>(static_cast<uint64_t>(TruncTo64(Step)));
}

// The last accumulator value of a run of Count positions, or AccumulatorLimit when it would not
// fit in 32 bits (the accumulator would wrap and sample unrelated pixels).
uint64_t LastAccumulator(uint64_t Start, uint32_t Step, int Count) {
  const uint64_t Last = Start + static_cast<uint64_t>(Count - 1) * Step;
  return Start >= AccumulatorLimit || Last >= AccumulatorLimit ? AccumulatorLimit : Last;
}

bool OriginInside(double SrcX, double SrcY, int SrcBmpW, int SrcBmpH) {
  return 0 <= SrcX && SrcX <= SrcBmpW && 0 <= SrcY && SrcY <= SrcBmpH;
}

}  // namespace

bool ClipStretchRects(double& SrcX, double& SrcY, double SrcW, double SrcH, int SrcBmpW,
                      int SrcBmpH, double& DstX, double& DstY, int& DstW, int& DstH, int DstBmpW,
                      int DstBmpH) {
  // The ratios SrcW / DstW and SrcH / DstH are taken from the sizes as passed; they are only
  // needed once DstX or DstY is negative, where the checks below have made DstW, DstH positive.
  const int PassedW = DstW;
  const int PassedH = DstH;
  if (!OriginInside(SrcX, SrcY, SrcBmpW, SrcBmpH)) return false;
  if (!(DstX < DstBmpW && DstY < DstBmpH)) return false;
  if (!(DstX + DstW > 0 && DstY + DstH > 0)) return false;
  if (DstX < 0) {
    SrcX += std::fabs(DstX) * (SrcW / PassedW);
    DstW = static_cast<int>(std::trunc(DstW + DstX));
    DstX = 0;
  }
  if (DstY < 0) {
    SrcY += std::fabs(DstY) * (SrcH / PassedH);
    DstH = static_cast<int>(std::trunc(DstH + DstY));
    DstY = 0;
  }
  if (DstX + DstW > DstBmpW) DstW = static_cast<int>(std::trunc(DstBmpW - DstX));
  if (DstY + DstH > DstBmpH) DstH = static_cast<int>(std::trunc(DstBmpH - DstY));
  if (DstW <= 0 || DstH <= 0) return false;
  return OriginInside(SrcX, SrcY, SrcBmpW, SrcBmpH);
}

void StretchNearest(int DstW, int DstH, const TABitmap& Src, double SrcX, double SrcY,
                    double SrcW, double SrcH, double DstX, double DstY, TABitmap& Dst) {
  // Steps come from the rectangles as passed, before clipping moves them.
  const double StepXExact = SrcW * FixedOne / DstW;
  const double StepYExact = SrcH * FixedOne / DstH;
  if (!ClipStretchRects(SrcX, SrcY, SrcW, SrcH, Src.Width(), Src.Height(), DstX, DstY, DstW, DstH,
                        Dst.Width(), Dst.Height()))
    return;
  const uint32_t StepX = StepFrom(StepXExact);
  const uint32_t StepY = StepFrom(StepYExact);
  const int64_t AccX0Wide = TruncTo64(SrcX * FixedOne);
  const int RowOffset = static_cast<int>(std::trunc(SrcY));
  const int X0 = static_cast<int>(std::trunc(DstX));
  const int Y0 = static_cast<int>(std::trunc(DstY));

  // The source extent is the caller's to keep inside Src; a rectangle that would read past an
  // edge (or wrap an accumulator) is refused here instead of reading foreign memory.
  const uint64_t LastX = LastAccumulator(static_cast<uint64_t>(AccX0Wide), StepX, DstW);
  const uint64_t LastY = LastAccumulator(1, StepY, DstH);
  if (LastX == AccumulatorLimit || LastY == AccumulatorLimit) return;
  if ((LastX >> 16) >= static_cast<uint64_t>(Src.Width())) return;
  if ((LastY >> 16) + RowOffset >= static_cast<uint64_t>(Src.Height())) return;

  const auto AccX0 = static_cast<uint32_t>(AccX0Wide);
  uint32_t AccY = 1;
  for (int y = 0; y < DstH; ++y) {
    const uint32_t* SrcRow = Src.ScanLine(static_cast<int>(AccY >> 16) + RowOffset);
    uint32_t* DstRow = Dst.ScanLine(Y0 + y) + X0;
    uint32_t AccX = AccX0;
    for (int x = 0; x < DstW; ++x) {
      DstRow[x] = SrcRow[AccX >> 16];
      AccX += StepX;
    }
    AccY += StepY;
  }
}

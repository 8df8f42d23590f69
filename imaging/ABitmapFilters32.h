#pragma once
// Nearest-neighbour stretch between 32-bit bitmaps in 16.16 fixed point.

#include "imaging/ABitmap.h"

// Scales the source rectangle (SrcX, SrcY, SrcW, SrcH) of Src onto the destination rectangle
// (DstX, DstY, DstW, DstH) of Dst, copying whole 32-bit pixels. Draws nothing when
// ClipStretchRects rejects the rectangles, or when the source rectangle would read outside Src
// (the caller is meant to keep it inside; the extent itself is not clipped).
void StretchNearest(int DstW, int DstH, const TABitmap& Src, double SrcX, double SrcY,
                    double SrcW, double SrcH, double DstX, double DstY, TABitmap& Dst);

// Checks the two rectangles against the bitmaps' sizes (SrcBmpW x SrcBmpH, DstBmpW x DstBmpH)
// and clips the destination to Dst, moving the source origin by the same amount. True when there
// is something to draw; the in/out values are only meaningful then.
bool ClipStretchRects(double& SrcX, double& SrcY, double SrcW, double SrcH, int SrcBmpW,
                      int SrcBmpH, double& DstX, double& DstY, int& DstW, int& DstH, int DstBmpW,
                      int DstBmpH);

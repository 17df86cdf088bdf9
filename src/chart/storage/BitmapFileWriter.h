#pragma once
// Writes a bitmap as a Windows BMP file (file header, 40-byte info header, colour table,
// bottom-up rows padded to 4 bytes) in the depth its pixel format asks for:
//   monochrome or pf1bit: 1 bit, black and white (a pixel is white from mid grey up);
//   pf4bit / pf8bit: a colour table of the picture's own colours when they fit, else the
//     16 standard colours / a 6x6x6 colour cube, each pixel taking the nearest entry;
//   pf15bit: 16 bits 5-5-5; pf16bit: 16 bits 5-6-5 with bit-field masks;
//   pf24bit, pfDevice and pfCustom: 24 bits; pf32bit: 32 bits.
#include "platform/TBitmap.h"
#include "platform/TStream.h"

// The bits per pixel the file gets for this bitmap.
int BitmapFileBitCount(const TBitmap& Bitmap);
void WriteBitmapFile(const TBitmap& Bitmap, TStream* Stream);

// Pictures as plain pixels, to compare what a window shows with what it should show.
#ifndef PIXELS_H
#define PIXELS_H

#include <windows.h>
#include <functional>
#include <vector>

// What draw() paints into a 24-bit bottom-up DIB of this size, as its bits.
std::vector<BYTE> Render(int width, int height, const std::function<void(HDC)> &draw);
// How many bytes differ; every byte when the sizes do.
size_t DifferentBytes(const std::vector<BYTE> &a, const std::vector<BYTE> &b);
// The bytes of the control's client area on the screen that are not bitmap `bitmapId` stretched over it.
size_t BytesOffPicture(HWND control, int bitmapId);

#endif

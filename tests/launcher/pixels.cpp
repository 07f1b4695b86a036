#include "pixels.h"

static BITMAPINFOHEADER RenderHeader(int width, int height)
{
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    return header;
}

std::vector<BYTE> Render(int width, int height, const std::function<void(HDC)> &draw)
{
    BITMAPINFO info = {};
    info.bmiHeader = RenderHeader(width, height);
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, bitmap);
    draw(memory);
    GdiFlush();
    std::vector<BYTE> pixels((BYTE *)bits, (BYTE *)bits + ((width * 3 + 3) & ~3) * height);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    return pixels;
}

size_t DifferentBytes(const std::vector<BYTE> &a, const std::vector<BYTE> &b)
{
    if (a.size() != b.size())
        return a.size() + b.size();
    size_t count = 0;
    for (size_t i = 0; i < a.size(); i++)
        count += a[i] != b[i];
    return count;
}

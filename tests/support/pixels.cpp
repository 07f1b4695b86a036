#include "pixels.h"
#include "startup/startup.h"
#include "test_support.h"

std::vector<BYTE> Render(int width, int height, const std::function<void(HDC)> &draw)
{
    BITMAPINFO info = { { sizeof(BITMAPINFOHEADER), width, height, 1, 24 } };
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

size_t BytesOffPicture(HWND control, int bitmapId)
{
    RECT area;
    GetClientRect(control, &area);
    MapWindowPoints(control, nullptr, (POINT *)&area, 2);
    const int width = area.right - area.left, height = area.bottom - area.top;
    HRSRC found = FindResourceA(AppInstance, MAKEINTRESOURCEA(bitmapId), (LPCSTR)RT_BITMAP);
    const BITMAPINFOHEADER *dib = (const BITMAPINFOHEADER *)LockResource(LoadResource(AppInstance, found));
    // Our pictures carry whole colour tables; the bits follow them.
    const BYTE *bits = (const BYTE *)dib + dib->biSize + (4 << dib->biBitCount);
    std::vector<BYTE> expected = Render(width, height, [&](HDC target) {
        StretchDIBits(target, 0, 0, width, height, 0, 0, dib->biWidth, dib->biHeight, bits, (const BITMAPINFO *)dib,
                      DIB_RGB_COLORS, SRCCOPY);
    });
    size_t wrong = 0;
    WaitUntil([&] {
        HDC screen = GetDC(nullptr);
        wrong = DifferentBytes(expected, Render(width, height, [&](HDC target) {
            BitBlt(target, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
        }));
        ReleaseDC(nullptr, screen);
        return wrong == 0;
    }, 5000);
    return wrong;
}

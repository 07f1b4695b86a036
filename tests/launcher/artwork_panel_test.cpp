// The artwork panel in this process: which DIBs it draws over a real control, with what palette, reading nothing past.
#include "launcher/artwork_panel.h"
#include "startup/startup.h"
#include "resources/resource.h"
#include "pixels.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

struct DibShape { WORD bitCount; DWORD clrUsed, compression; LONG width, height; DWORD sizeImage; };

// Header, `tableEntries` colours (entry i: blue 0x10+i, green 0x20+i, red 0x30+i), `bitsBytes` of pixel bits.
std::vector<BYTE> PackedDib(const DibShape &shape, DWORD tableEntries, DWORD bitsBytes)
{
    const BITMAPINFOHEADER header = { sizeof header, shape.width, shape.height, 1, shape.bitCount, shape.compression,
                                      shape.sizeImage, 0, 0, shape.clrUsed, 0 };
    std::vector<BYTE> dib((const BYTE *)&header, (const BYTE *)&header + sizeof header);
    for (DWORD i = 0; i < tableEntries; i++)
        dib.insert(dib.end(), { (BYTE)(0x10 + i), (BYTE)(0x20 + i), (BYTE)(0x30 + i), 0x99 });
    for (DWORD i = 0; i < bitsBytes; i++)
        dib.push_back((BYTE)(i * 7 % 16));
    return dib;
}

// RLE8 runs over the lower half of the lines, no end-of-bitmap mark: the decoder has only biSizeImage to stop at.
std::vector<BYTE> Rle8Dib(LONG rows)
{
    std::vector<BYTE> bits;
    for (LONG y = 0; y < rows / 2; y++) {
        const BYTE line[] = { 3, (BYTE)(y % 4), 5, 7, 0, 0 };
        bits.insert(bits.end(), line, line + sizeof line);
    }
    std::vector<BYTE> dib = PackedDib({ 8, 8, BI_RLE8, 8, rows, (DWORD)bits.size() }, 8, 0);
    dib.insert(dib.end(), bits.begin(), bits.end());
    return dib;
}

// A copy that ends exactly where an inaccessible page starts: a read past its end faults, not passes unnoticed.
struct GuardedBlock {
    explicit GuardedBlock(const std::vector<BYTE> &bytes) : size((DWORD)bytes.size())
    {
        const SIZE_T page = 4096, pages = (bytes.size() + page - 1) / page + 1;
        base = (BYTE *)VirtualAlloc(nullptr, pages * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        DWORD old;
        VirtualProtect(base + (pages - 1) * page, page, PAGE_NOACCESS, &old);
        data = base + (pages - 1) * page - bytes.size();
        memcpy(data, bytes.data(), bytes.size());
    }
    ~GuardedBlock() { VirtualFree(base, 0, MEM_RELEASE); }
    const BITMAPINFOHEADER *dib() const { return (const BITMAPINFOHEADER *)data; }
    const DWORD size;
    BYTE *base, *data;
};

// A visible window holding an artwork static as the dialogs declare it.
struct ArtworkWindow {
    ArtworkWindow(int width, int height)
    {
        frame = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 10, 10, width + 20, height + 20,
                                nullptr, nullptr, AppInstance, nullptr);
        control = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_GRAYFRAME | SS_SUNKEN, 10, 10, width,
                                  height, frame, (HMENU)IDC_ARTWORK, AppInstance, nullptr);
        GetClientRect(control, &client);
    }
    ~ArtworkWindow() { DestroyWindow(frame); }
    // The control's client area as it paints itself now.
    std::vector<BYTE> Capture()
    {
        InvalidateRect(control, nullptr, TRUE);
        UpdateWindow(control);
        HDC dc = GetDC(control);
        std::vector<BYTE> pixels = Render(client.right, client.bottom, [&](HDC target) {
            BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
        });
        ReleaseDC(control, dc);
        return pixels;
    }
    // The DIB stretched over the control, its bits behind a table of `colours`.
    std::vector<BYTE> Expected(const BITMAPINFOHEADER *dib, DWORD colours)
    {
        return Render(client.right, client.bottom, [&](HDC target) {
            StretchDIBits(target, 0, 0, client.right, client.bottom, 0, 0, dib->biWidth, dib->biHeight,
                          (const BYTE *)dib + dib->biSize + colours * 4, (const BITMAPINFO *)dib, DIB_RGB_COLORS,
                          SRCCOPY);
        });
    }
    HWND frame, control;
    RECT client;
};

class ArtworkTest : public testing::Test {
protected:
    void TearDown() override
    {
        ForgetPalette();
        UseArtworkDib(nullptr, 0);
        hwndArtwork = nullptr;
    }
    static void ForgetPalette() { DeleteObject(ArtworkPalette); ArtworkPalette = nullptr; }
    static UINT PaletteSize() { return ArtworkPalette ? GetPaletteEntries(ArtworkPalette, 0, 0, nullptr) : 0; }
};

TEST_F(ArtworkTest, ServedDibsAreDrawnWithTheirOwnColoursFromInsideTheirBlock)
{
    const struct { const char *what; std::vector<BYTE> dib; DWORD colours; } rows[] = {
        { "4 bits", PackedDib({ 4, 0, BI_RGB, 9, 3, 0 }, 16, 8 * 3), 16 },
        { "8 bits", PackedDib({ 8, 0, BI_RGB, 7, 5, 0 }, 256, 8 * 5), 256 },
        { "8 bits, 20 colours used", PackedDib({ 8, 20, BI_RGB, 7, 5, 0 }, 20, 8 * 5), 20 },
        { "1 bit", PackedDib({ 1, 0, BI_RGB, 8, 2, 0 }, 2, 4 * 2), 2 },
        { "RLE8", Rle8Dib(6), 8 },
    };
    ArtworkWindow window(64, 48);
    AttachArtworkPanel(window.frame, 9999);   // takes over the painting, with no picture yet
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        GuardedBlock block(row.dib);
        ASSERT_EQ(row.colours, UseArtworkDib(block.dib(), block.size));
        EXPECT_EQ(row.colours, PaletteSize());
        PALETTEENTRY entry = {};
        GetPaletteEntries(ArtworkPalette, 0, 1, &entry);
        EXPECT_EQ((std::vector<int>{ 0x30, 0x20, 0x10, 0 }),
                  (std::vector<int>{ entry.peRed, entry.peGreen, entry.peBlue, entry.peFlags }));
        EXPECT_EQ(0u, DifferentBytes(window.Capture(), window.Expected(block.dib(), row.colours)));
        ForgetPalette();   // as the wizard page does, or where none could be made
        EXPECT_EQ(0u, DifferentBytes(window.Capture(), window.Expected(block.dib(), row.colours)))
            << "without a palette";
        UseArtworkDib(nullptr, 0);   // the block goes now
    }
}

// Each leaves no picture nor palette, reads nothing past the block (it would fault); the control paints itself.
TEST_F(ArtworkTest, RefusedDibsLeaveTheControlItsOwnPainting)
{
    std::vector<BYTE> huge = PackedDib({ 8, 0, BI_RGB, 8, 2, 0 }, 256, 16);
    ((BITMAPINFOHEADER *)huge.data())->biSize = 0x7FFFFFFF;
    const struct { const char *what; std::vector<BYTE> dib; DWORD size; } rows[] = {
        { "16 bits", PackedDib({ 16, 0, BI_RGB, 8, 2, 0 }, 0, 32), 0 },
        { "24 bits", PackedDib({ 24, 0, BI_RGB, 8, 2, 0 }, 0, 48), 0 },
        { "biClrUsed 257", PackedDib({ 8, 257, BI_RGB, 8, 2, 0 }, 257, 16), 0 },
        { "colour table cut short", PackedDib({ 8, 0, BI_RGB, 8, 2, 0 }, 100, 0), 0 },
        { "bits one byte short", PackedDib({ 8, 0, BI_RGB, 8, 2, 0 }, 256, 15), 0 },
        { "RLE8 longer than the block", PackedDib({ 8, 0, BI_RLE8, 8, 2, 64 }, 256, 63), 0 },
        { "RLE8 of unknown length", PackedDib({ 8, 0, BI_RLE8, 8, 2, 0 }, 256, 64), 0 },
        { "top-down", PackedDib({ 8, 0, BI_RGB, 8, -2, 0 }, 256, 16), 0 },
        { "bit fields", PackedDib({ 8, 0, BI_BITFIELDS, 8, 2, 0 }, 256, 16), 0 },
        { "biSize past the end", huge, 0 },
        { "header cut short", PackedDib({ 8, 0, BI_RGB, 8, 2, 0 }, 0, 0), 20 },
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        GuardedBlock block(row.dib);
        EXPECT_EQ(0u, UseArtworkDib(block.dib(), row.size ? row.size : block.size));
        EXPECT_EQ(nullptr, ArtworkDib);
        EXPECT_EQ(nullptr, ArtworkPalette);
    }
    EXPECT_EQ(0u, UseArtworkDib(nullptr, 0));

    ArtworkWindow plain(120, 90), attached(120, 90);
    std::vector<BYTE> ownPainting = plain.Capture();
    AttachArtworkPanel(attached.frame, 9999);
    EXPECT_EQ(nullptr, ArtworkDib) << "no such bitmap";
    EXPECT_EQ(nullptr, ArtworkPalette);
    EXPECT_EQ(0u, DifferentBytes(attached.Capture(), ownPainting));
    EXPECT_FALSE(GetUpdateRect(attached.control, nullptr, FALSE)) << "the paint was not done";
}

}  // namespace

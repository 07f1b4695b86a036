// The artwork panel in this process: which DIBs it serves and how it reads
// them, the palette it makes, its painting over a real control, and where it
// centres a window.
#include "launcher/artwork_panel.h"
#include "startup/startup.h"
#include "resources/resource.h"
#include "pixels.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <string.h>
#include <vector>

namespace {

// ---- DIBs in memory ---------------------------------------------------------

struct DibShape {
    WORD bitCount;
    DWORD clrUsed;
    DWORD compression;
    LONG width;
    LONG height;
    DWORD sizeImage;
};

// Header, `tableEntries` colours (the first one 0x10 0x20 0x30 0x99) and
// `bitsBytes` of pixel bits.
std::vector<BYTE> PackedDib(const DibShape &shape, DWORD tableEntries, DWORD bitsBytes)
{
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = shape.width;
    header.biHeight = shape.height;
    header.biPlanes = 1;
    header.biBitCount = shape.bitCount;
    header.biCompression = shape.compression;
    header.biSizeImage = shape.sizeImage;
    header.biClrUsed = shape.clrUsed;

    std::vector<BYTE> dib((const BYTE *)&header, (const BYTE *)&header + sizeof header);
    for (DWORD i = 0; i < tableEntries; i++) {
        const BYTE entry[4] = { (BYTE)(0x10 + i), (BYTE)(0x20 + i), (BYTE)(0x30 + i), 0x99 };
        dib.insert(dib.end(), entry, entry + 4);
    }
    for (DWORD i = 0; i < bitsBytes; i++)
        dib.push_back((BYTE)(i * 7 % 16));
    return dib;
}

// A copy that ends exactly where an inaccessible page starts, so that any
// read past its end faults instead of passing unnoticed.
class GuardedBlock {
public:
    explicit GuardedBlock(const std::vector<BYTE> &bytes) : size_((DWORD)bytes.size())
    {
        const SIZE_T page = 4096;
        SIZE_T pages = (bytes.size() + page - 1) / page + 1;
        base_ = (BYTE *)VirtualAlloc(nullptr, pages * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        DWORD old;
        VirtualProtect(base_ + (pages - 1) * page, page, PAGE_NOACCESS, &old);
        data_ = base_ + (pages - 1) * page - bytes.size();
        memcpy(data_, bytes.data(), bytes.size());
    }
    ~GuardedBlock() { VirtualFree(base_, 0, MEM_RELEASE); }
    const BITMAPINFOHEADER *dib() const { return (const BITMAPINFOHEADER *)data_; }
    DWORD size() const { return size_; }

private:
    BYTE *base_;
    BYTE *data_;
    DWORD size_;
};

// An RLE8 picture whose runs fill only the lower half of its lines and end
// without an end-of-bitmap mark, so the decoder has only biSizeImage to
// stop at.
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

class ArtworkTest : public testing::Test {
protected:
    void TearDown() override
    {
        if (ArtworkPalette != nullptr)
            DeleteObject(ArtworkPalette);
        ArtworkPalette = nullptr;
        ArtworkDib = nullptr;
        ArtworkBits = nullptr;
        RealizeOnNextPaint = 0;
        hwndArtwork = nullptr;
    }
    void ForgetPalette()
    {
        if (ArtworkPalette != nullptr)
            DeleteObject(ArtworkPalette);
        ArtworkPalette = nullptr;
    }
    static UINT PaletteSize() { return ArtworkPalette ? GetPaletteEntries(ArtworkPalette, 0, 0, nullptr) : 0; }
    static size_t BitsOffset() { return ArtworkBits - (const BYTE *)ArtworkDib; }
};

TEST_F(ArtworkTest, ColourCountAndBitsOffsetFollowTheHeader)
{
    const struct { DibShape shape; DWORD table; DWORD colors; size_t offset; } cases[] = {
        { { 4, 0, BI_RGB, 8, 2, 0 }, 16, 16, 40 + 64 },
        { { 8, 0, BI_RGB, 8, 2, 0 }, 256, 256, 40 + 1024 },
        { { 8, 20, BI_RGB, 8, 2, 0 }, 20, 20, 40 + 80 },
        { { 1, 0, BI_RGB, 8, 2, 0 }, 2, 2, 40 + 8 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.shape.bitCount << " bits, biClrUsed " << c.shape.clrUsed);
        GuardedBlock block(PackedDib(c.shape, c.table, 32));
        EXPECT_EQ(c.colors, UseArtworkDib(block.dib(), block.size()));
        EXPECT_EQ(block.dib(), ArtworkDib);
        EXPECT_EQ(c.offset, BitsOffset());
        EXPECT_EQ(c.colors, PaletteSize());
        ForgetPalette();
    }
}

TEST_F(ArtworkTest, ProgramPicturesAreServedWithTheirWholeColourTables)
{
    LoadArtwork(IDB_WIZARD_ART);
    ASSERT_NE(nullptr, ArtworkDib);
    EXPECT_EQ(40u + 64u, BitsOffset());
    EXPECT_EQ(16u, PaletteSize());
    ForgetPalette();

    LoadArtwork(IDB_LAUNCHER_ART);
    ASSERT_NE(nullptr, ArtworkDib);
    EXPECT_EQ(40u + 1024u, BitsOffset());
    EXPECT_EQ(256u, PaletteSize());
}

TEST_F(ArtworkTest, PaletteEntriesAreTheTablesRedGreenBlueWithoutTheReservedByte)
{
    GuardedBlock block(PackedDib({ 4, 0, BI_RGB, 8, 2, 0 }, 16, 8));
    ASSERT_EQ(16u, UseArtworkDib(block.dib(), block.size()));
    PALETTEENTRY entry = {};
    ASSERT_EQ(1u, GetPaletteEntries(ArtworkPalette, 0, 1, &entry));
    EXPECT_EQ(0x30, entry.peRed);
    EXPECT_EQ(0x20, entry.peGreen);
    EXPECT_EQ(0x10, entry.peBlue);
    EXPECT_EQ(0, entry.peFlags);
}

// Each of these leaves no picture and makes no palette, and reads nothing
// past the block (the guard page would fault).
TEST_F(ArtworkTest, RefusesWhatItCannotDrawWithoutReadingPastIt)
{
    const struct { const char *what; std::vector<BYTE> dib; } cases[] = {
        { "16 bits, 65536 colours", PackedDib({ 16, 0, BI_RGB, 8, 2, 0 }, 0, 32) },
        { "24 bits", PackedDib({ 24, 0, BI_RGB, 8, 2, 0 }, 0, 48) },
        { "biClrUsed 257", PackedDib({ 8, 257, BI_RGB, 8, 2, 0 }, 257, 16) },
        { "biClrUsed 300", PackedDib({ 8, 300, BI_RGB, 8, 2, 0 }, 300, 16) },
        { "colour table cut short", PackedDib({ 8, 0, BI_RGB, 8, 2, 0 }, 100, 0) },
        { "bits one byte short", PackedDib({ 8, 0, BI_RGB, 8, 2, 0 }, 256, 15) },
        { "RLE8 longer than the block", PackedDib({ 8, 0, BI_RLE8, 8, 2, 64 }, 256, 63) },
        { "RLE8 of unknown length", PackedDib({ 8, 0, BI_RLE8, 8, 2, 0 }, 256, 64) },
        { "top-down", PackedDib({ 8, 0, BI_RGB, 8, -2, 0 }, 256, 16) },
        { "bit fields", PackedDib({ 8, 0, BI_BITFIELDS, 8, 2, 0 }, 256, 16) },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        GuardedBlock block(c.dib);
        EXPECT_EQ(0u, UseArtworkDib(block.dib(), block.size()));
        EXPECT_EQ(nullptr, ArtworkDib);
        EXPECT_EQ(nullptr, ArtworkPalette);
    }

    std::vector<BYTE> huge = PackedDib({ 8, 0, BI_RGB, 8, 2, 0 }, 256, 16);
    ((BITMAPINFOHEADER *)huge.data())->biSize = 0x7FFFFFFF;
    GuardedBlock hugeHeader(huge);
    EXPECT_EQ(0u, UseArtworkDib(hugeHeader.dib(), hugeHeader.size())) << "biSize past the end";
    GuardedBlock header(PackedDib({ 8, 0, BI_RGB, 8, 2, 0 }, 0, 0));
    EXPECT_EQ(0u, UseArtworkDib(header.dib(), 20)) << "header cut short";
    EXPECT_EQ(0u, UseArtworkDib(nullptr, 0));

    LoadArtwork(9999);
    EXPECT_EQ(nullptr, ArtworkDib) << "no such bitmap";
    EXPECT_EQ(nullptr, ArtworkPalette);
}

// ---- Painting over a real control ---------------------------------------------

// A visible window holding an artwork static as the dialogs declare it.
class ArtworkWindow {
public:
    ArtworkWindow(int width, int height)
    {
        frame_ = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 10, 10, width + 20,
                                 height + 20, nullptr, nullptr, AppInstance, nullptr);
        control_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_GRAYFRAME | SS_SUNKEN, 10, 10,
                                   width, height, frame_, (HMENU)IDC_ARTWORK, AppInstance, nullptr);
    }
    ~ArtworkWindow() { DestroyWindow(frame_); }
    // Within the window's first size.
    void Resize(int width, int height)
    {
        SetWindowPos(control_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    }
    HWND frame() const { return frame_; }
    HWND control() const { return control_; }

    // The control's client area as it is painted now.
    std::vector<BYTE> Capture()
    {
        InvalidateRect(control_, nullptr, TRUE);
        UpdateWindow(control_);
        RECT client;
        GetClientRect(control_, &client);
        HDC dc = GetDC(control_);
        std::vector<BYTE> pixels = Render(client.right, client.bottom, [&](HDC target) {
            BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
        });
        ReleaseDC(control_, dc);
        return pixels;
    }
    // What the picture should look like stretched over the control.
    std::vector<BYTE> Expected(const BITMAPINFOHEADER *dib, const BYTE *bits)
    {
        RECT client;
        GetClientRect(control_, &client);
        return Render(client.right, client.bottom, [&](HDC target) {
            StretchDIBits(target, 0, 0, client.right, client.bottom, 0, 0, dib->biWidth, dib->biHeight, bits,
                          (const BITMAPINFO *)dib, DIB_RGB_COLORS, SRCCOPY);
        });
    }

private:
    HWND frame_;
    HWND control_;
};

// The picture covers the control's whole client area whatever its size:
// larger, smaller, and wider but shorter than the 80 x 140 wizard bitmap.
TEST_F(ArtworkTest, PictureIsStretchedOverTheWholeControlWithOrWithoutAPalette)
{
    ArtworkWindow window(200, 300);
    AttachArtworkPanel(window.frame(), IDB_WIZARD_ART);
    ASSERT_EQ(window.control(), hwndArtwork);
    const SIZE sizes[] = { { 200, 300 }, { 40, 70 }, { 160, 70 }, { 80, 140 } };
    for (SIZE size : sizes) {
        SCOPED_TRACE(testing::Message() << size.cx << " x " << size.cy);
        window.Resize(size.cx, size.cy);
        std::vector<BYTE> expected = window.Expected(ArtworkDib, ArtworkBits);
        EXPECT_EQ(0u, DifferentBytes(window.Capture(), expected)) << "the picture with its palette";
    }

    // The wizard page's road, and where the palette could not be made.
    ForgetPalette();
    EXPECT_EQ(0u, DifferentBytes(window.Capture(), window.Expected(ArtworkDib, ArtworkBits)))
        << "the picture without a palette";
}

TEST_F(ArtworkTest, WithoutAPictureTheControlPaintsItself)
{
    ArtworkWindow plain(120, 90);
    std::vector<BYTE> ownPainting = plain.Capture();

    ArtworkWindow attached(120, 90);
    AttachArtworkPanel(attached.frame(), 9999);
    EXPECT_EQ(nullptr, ArtworkDib);
    EXPECT_EQ(0u, DifferentBytes(attached.Capture(), ownPainting));
    EXPECT_TRUE(GetUpdateRect(attached.control(), nullptr, FALSE) == FALSE) << "the paint was done";
}

// DIBs that are served are drawn from inside their block only.
TEST_F(ArtworkTest, DrawingAServedDibReadsNothingPastIt)
{
    ArtworkWindow window(64, 48);
    const std::vector<BYTE> dibs[] = {
        PackedDib({ 8, 0, BI_RGB, 7, 5, 0 }, 256, 8 * 5),
        PackedDib({ 4, 0, BI_RGB, 9, 3, 0 }, 16, 8 * 3),
        Rle8Dib(6),
    };
    AttachArtworkPanel(window.frame(), 9999);   // takes over the painting, with no picture yet
    for (const auto &bytes : dibs) {
        GuardedBlock block(bytes);
        ASSERT_NE(0u, UseArtworkDib(block.dib(), block.size()));
        EXPECT_EQ(0u, DifferentBytes(window.Capture(), window.Expected(ArtworkDib, ArtworkBits)));
        ForgetPalette();
        UseArtworkDib(nullptr, 0);   // the block goes now
    }
}

// ---- Centring -------------------------------------------------------------------

TEST(Centring, UsesTheRestoredRightAndBottomEdgesWithIntegerDivisions)
{
    const struct { int screenWidth, screenHeight; RECT restored; LONG x, y; } cases[] = {
        { 640, 480, { 0, 0, 300, 200 }, 170, 107 },
        { 800, 600, { 0, 0, 301, 251 }, 250, 133 },
        { 640, 480, { 0, 0, 301, 400 }, 170, -26 },     // below three quarters: above the top
        { 640, 480, { -500, -400, -301, -101 }, 470, 307 },  // halves and thirds truncate toward zero
    };
    for (const auto &c : cases) {
        POINT position = CenteredPosition(c.screenWidth, c.screenHeight, &c.restored);
        EXPECT_EQ(c.x, position.x) << "right " << c.restored.right << " on " << c.screenWidth;
        EXPECT_EQ(c.y, position.y) << "bottom " << c.restored.bottom << " on " << c.screenHeight;
    }
}

TEST(Centring, MovesTheWindowWithoutResizingIt)
{
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 100, 50, 300, 200, nullptr, nullptr,
                                  AppInstance, nullptr);
    ASSERT_NE(nullptr, window);
    CenterWindowOnScreen(window);
    RECT moved;
    GetWindowRect(window, &moved);
    // The restored rectangle's edges, not its size: right 400, bottom 250.
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN) / 2 - 400 / 2, moved.left);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN) / 2 - 500 / 3, moved.top);
    EXPECT_EQ(300, moved.right - moved.left);
    EXPECT_EQ(200, moved.bottom - moved.top);
    DestroyWindow(window);
}

}  // namespace

#include "launcher/artwork_panel.h"
#include "startup/startup.h"
#include "resources/resource.h"

HWND hwndArtwork;
WNDPROC ArtworkPrevWndProc;
const BITMAPINFOHEADER *ArtworkDib;
const BYTE *ArtworkBits;
HPALETTE ArtworkPalette;
int RealizeOnNextPaint;

/* Palette header and room for 257 entries. */
enum { PALETTE_BLOCK_SIZE = 1032 };

DWORD ArtworkColorCount(const BITMAPINFOHEADER *dib)
{
    if (dib->biClrUsed != 0)
        return dib->biClrUsed;
    BYTE bits = (BYTE)(dib->biBitCount & 0xFF);
    return bits >= 32 ? 0xFFFFFFFF : (DWORD)1 << bits;
}

void FillArtworkPalette(LOGPALETTE *palette, const RGBQUAD *table, DWORD count)
{
    DWORD i;
    palette->palVersion = 0x300;
    palette->palNumEntries = (WORD)count;
    for (i = 0; i < count; i++) {
        palette->palPalEntry[i].peRed = table[i].rgbRed;
        palette->palPalEntry[i].peGreen = table[i].rgbGreen;
        palette->palPalEntry[i].peBlue = table[i].rgbBlue;
        palette->palPalEntry[i].peFlags = 0;
    }
}

/* Bytes of pixel data the platform reads when it draws the DIB: whole rows
   when uncompressed, biSizeImage when run-length encoded (the decoder stops
   there). 0 for a layout the panel does not serve. */
static ULONGLONG ArtworkBitsSize(const BITMAPINFOHEADER *dib)
{
    ULONGLONG rowBytes = ((ULONGLONG)dib->biWidth * dib->biBitCount + 31) / 32 * 4;

    switch (dib->biCompression) {
    case BI_RGB:
        return rowBytes * (ULONGLONG)dib->biHeight;
    case BI_RLE8:
        return dib->biBitCount == 8 ? dib->biSizeImage : 0;
    case BI_RLE4:
        return dib->biBitCount == 4 ? dib->biSizeImage : 0;
    }
    return 0;
}

/* The colour count of a DIB the panel can draw from `size` bytes: a
   bottom-up DIB of 1, 4 or 8 bits per pixel whose header, colour table of at
   most 256 entries and pixel bits all lie inside them. 0 otherwise. */
static DWORD ServableColorCount(const BITMAPINFOHEADER *dib, DWORD size)
{
    DWORD colors;
    ULONGLONG bits;

    if (dib == NULL || size < sizeof(BITMAPINFOHEADER))
        return 0;
    if (dib->biSize < sizeof(BITMAPINFOHEADER) || dib->biSize >= size)
        return 0;
    if (dib->biBitCount != 1 && dib->biBitCount != 4 && dib->biBitCount != 8)
        return 0;
    if (dib->biWidth <= 0 || dib->biHeight <= 0)
        return 0;
    colors = ArtworkColorCount(dib);
    if (colors > ARTWORK_MAX_COLORS)
        return 0;
    bits = ArtworkBitsSize(dib);
    if (bits == 0 || (ULONGLONG)dib->biSize + 4 * colors + bits > size)
        return 0;
    return colors;
}

static void MakeArtworkPalette(DWORD colors)
{
    LOGPALETTE *block = (LOGPALETTE *)HeapAlloc(GetProcessHeap(), 0, PALETTE_BLOCK_SIZE);
    if (block == NULL)
        return;
    FillArtworkPalette(block, (const RGBQUAD *)((const BYTE *)ArtworkDib + ArtworkDib->biSize), colors);
    ArtworkPalette = CreatePalette(block);
    HeapFree(GetProcessHeap(), 0, block);
}

DWORD UseArtworkDib(const BITMAPINFOHEADER *dib, DWORD size)
{
    DWORD colors = ServableColorCount(dib, size);

    ArtworkDib = NULL;
    ArtworkBits = NULL;
    if (colors == 0)
        return 0;
    ArtworkDib = dib;
    ArtworkBits = (const BYTE *)dib + dib->biSize + 4 * colors;
    MakeArtworkPalette(colors);
    return colors;
}

void LoadArtwork(int bitmapId)
{
    HRSRC found = FindResourceA(AppInstance, MAKEINTRESOURCEA(bitmapId), (LPCSTR)RT_BITMAP);
    HGLOBAL loaded = found != NULL ? LoadResource(AppInstance, found) : NULL;
    const void *dib = loaded != NULL ? LockResource(loaded) : NULL;

    UseArtworkDib((const BITMAPINFOHEADER *)dib, dib != NULL ? SizeofResource(AppInstance, found) : 0);
}

void PaintArtwork(HWND control)
{
    RECT client;
    PAINTSTRUCT paint;
    HDC dc;
    HPALETTE previous = NULL;

    GetClientRect(control, &client);
    dc = BeginPaint(control, &paint);
    if (ArtworkPalette != NULL)
        previous = SelectPalette(dc, ArtworkPalette, FALSE);
    if (RealizeOnNextPaint == 1) {
        RealizeOnNextPaint = 0;
        RealizePalette(dc);
    }
    /* The whole client area is the picture: no erase, no frame. */
    if (ArtworkDib != NULL)
        StretchDIBits(dc, 0, 0, client.right, client.bottom,
                      0, 0, ArtworkDib->biWidth, ArtworkDib->biHeight,
                      ArtworkBits, (const BITMAPINFO *)ArtworkDib, DIB_RGB_COLORS, SRCCOPY);
    /* A palette still selected into a DC could not be deleted. */
    if (previous != NULL)
        SelectPalette(dc, previous, FALSE);
    EndPaint(control, &paint);
}

LRESULT CALLBACK ArtworkWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    /* Without a picture the control paints itself, as before it was attached. */
    if (message == WM_PAINT && ArtworkDib != NULL) {
        PaintArtwork(window);
        return 1;
    }
    return CallWindowProcA(ArtworkPrevWndProc, window, message, wParam, lParam);
}

void AttachArtworkPanel(HWND dialog, int bitmapId)
{
    hwndArtwork = GetDlgItem(dialog, IDC_ARTWORK);
    LoadArtwork(bitmapId);
    ArtworkPrevWndProc = (WNDPROC)GetWindowLongPtrA(hwndArtwork, GWLP_WNDPROC);
    if (ArtworkPrevWndProc != NULL)
        SetWindowLongPtrA(hwndArtwork, GWLP_WNDPROC, (LONG_PTR)ArtworkWndProc);
}

LRESULT ArtworkQueryNewPalette(HWND dialog)
{
    RealizeOnNextPaint = 1;
    InvalidateRect(dialog, NULL, TRUE);
    return 0;
}

LRESULT ArtworkPaletteChanged(HWND dialog, HWND changedBy)
{
    HDC dc;
    HPALETTE previous;

    /* Our own realization caused it: answering would loop. Without a
       control or a palette there is nothing to remap (GetDC(NULL) would
       give the whole screen). */
    if (changedBy == dialog || changedBy == hwndArtwork || hwndArtwork == NULL || ArtworkPalette == NULL)
        return 1;
    dc = GetDC(hwndArtwork);
    if (dc == NULL)
        return 1;
    previous = SelectPalette(dc, ArtworkPalette, FALSE);
    if (RealizePalette(dc) != 0)
        UpdateColors(dc);
    if (previous != NULL)
        SelectPalette(dc, previous, FALSE);
    ReleaseDC(hwndArtwork, dc);
    return 1;
}

POINT CenteredPosition(int screenWidth, int screenHeight, const RECT *restored)
{
    POINT position;
    position.x = screenWidth / 2 - restored->right / 2;
    position.y = screenHeight / 2 - (2 * restored->bottom) / 3;
    return position;
}

void CenterWindowOnScreen(HWND window)
{
    WINDOWPLACEMENT placement;
    POINT position;

    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement))
        return;
    position = CenteredPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                &placement.rcNormalPosition);
    SetWindowPos(window, NULL, position.x, position.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

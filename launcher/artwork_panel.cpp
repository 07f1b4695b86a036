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

/* The DIB is served only when its header, colour table and some bits lie
   inside the resource and the table fits the palette block. */
static int IsServableDib(const BITMAPINFOHEADER *dib, DWORD resourceSize, DWORD colors)
{
    if (resourceSize < sizeof(BITMAPINFOHEADER) || dib->biSize < sizeof(BITMAPINFOHEADER))
        return 0;
    if (dib->biBitCount > 8 || colors == 0 || colors > ARTWORK_MAX_COLORS)
        return 0;
    return dib->biSize < resourceSize && 4 * colors < resourceSize - dib->biSize;
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

void LoadArtwork(int bitmapId)
{
    HRSRC found;
    HGLOBAL loaded;
    const BITMAPINFOHEADER *dib;
    DWORD colors;

    ArtworkDib = NULL;
    ArtworkBits = NULL;
    found = FindResourceA(AppInstance, MAKEINTRESOURCEA(bitmapId), (LPCSTR)RT_BITMAP);
    if (found == NULL || (loaded = LoadResource(AppInstance, found)) == NULL)
        return;
    dib = (const BITMAPINFOHEADER *)LockResource(loaded);
    if (dib == NULL)
        return;
    colors = ArtworkColorCount(dib);
    if (!IsServableDib(dib, SizeofResource(AppInstance, found), colors))
        return;

    ArtworkDib = dib;
    ArtworkBits = (const BYTE *)dib + dib->biSize + 4 * colors;
    MakeArtworkPalette(colors);
}

void PaintArtwork(HWND control)
{
    RECT client;
    PAINTSTRUCT paint;
    HDC dc;

    GetClientRect(control, &client);
    dc = BeginPaint(control, &paint);
    if (ArtworkPalette != NULL) {
        SelectPalette(dc, ArtworkPalette, FALSE);
        if (RealizeOnNextPaint == 1) {
            RealizeOnNextPaint = 0;
            RealizePalette(dc);
        }
    }
    /* The whole client area is the picture: no erase, no frame. */
    StretchDIBits(dc, 0, 0, client.right, client.bottom,
                  0, 0, ArtworkDib->biWidth, ArtworkDib->biHeight,
                  ArtworkBits, (const BITMAPINFO *)ArtworkDib, DIB_RGB_COLORS, SRCCOPY);
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
    ArtworkPrevWndProc = (WNDPROC)GetWindowLongA(hwndArtwork, GWL_WNDPROC);
    if (ArtworkPrevWndProc != NULL)
        SetWindowLongA(hwndArtwork, GWL_WNDPROC, (LONG)ArtworkWndProc);
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

    /* Our own realization caused it: answering would loop. */
    if (changedBy == dialog || changedBy == hwndArtwork || ArtworkPalette == NULL)
        return 1;
    dc = GetDC(hwndArtwork);
    SelectPalette(dc, ArtworkPalette, FALSE);
    if (RealizePalette(dc) != 0)
        UpdateColors(dc);
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

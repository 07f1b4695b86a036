/* The palette artwork panel shared by the wizard page and the launcher: a
   bitmap from the resources stretched over the dialog's IDC_ARTWORK control,
   drawn through a palette made from its own colour table; and the centring
   of both dialogs on the screen. One panel exists at a time. */
#ifndef ARTWORK_PANEL_H
#define ARTWORK_PANEL_H

#include <windows.h>

/* ---- Panel state (all zero at start) ---------------------------------- */
extern HWND hwndArtwork;                    /* the attached IDC_ARTWORK control */
extern WNDPROC ArtworkPrevWndProc;          /* its own procedure, for all but WM_PAINT */
extern const BITMAPINFOHEADER *ArtworkDib;  /* inside the resource; null when none loaded */
extern const BYTE *ArtworkBits;             /* the pixel bits inside the same resource */
/* Null when none is held. The wizard page deletes it at once, the launcher
   keeps it, ExitCleanup frees it. */
extern HPALETTE ArtworkPalette;
extern int RealizeOnNextPaint;              /* 1: the next paint realizes once */

enum { ARTWORK_MAX_COLORS = 256 };

/* Colours in the DIB's table: biClrUsed, or 2 to the bit count when that is 0.
   May exceed what the panel serves. */
DWORD ArtworkColorCount(const BITMAPINFOHEADER *dib);
/* Fills the entries of a palette from a colour table (blue, green, red order);
   the palette has room for count entries. */
void FillArtworkPalette(LOGPALETTE *palette, const RGBQUAD *table, DWORD count);

/* Loads the bitmap and makes its palette (LoadArtwork), or does the same for
   a packed DIB of `size` bytes already in memory that outlives the panel
   (UseArtworkDib, which returns the colour count, 0 when it leaves no
   picture). Only a bottom-up DIB of 1, 4 or 8 bits per pixel with at most 256
   colours, whose table and bits lie wholly inside those bytes, is drawn; any
   other, or a missing bitmap, leaves no picture and no new palette, and the
   control keeps its own painting. A palette that cannot be made leaves the
   picture drawn without one. A held palette is not released. */
void LoadArtwork(int bitmapId);
DWORD UseArtworkDib(const BITMAPINFOHEADER *dib, DWORD size);
void PaintArtwork(HWND control);
LRESULT CALLBACK ArtworkWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
/* Captures the dialog's IDC_ARTWORK, loads the bitmap and takes over the
   control's painting. */
void AttachArtworkPanel(HWND dialog, int bitmapId);

/* ---- Palette messages of the dialog that keeps the palette ------------- */
LRESULT ArtworkQueryNewPalette(HWND dialog);
LRESULT ArtworkPaletteChanged(HWND dialog, HWND changedBy);

/* ---- Centring ----------------------------------------------------------- */
/* Where the window goes: the restored rectangle's right and bottom edges
   (not its size) on a screen of the given size; the top lies two thirds of
   the height above the middle line. */
POINT CenteredPosition(int screenWidth, int screenHeight, const RECT *restored);
void CenterWindowOnScreen(HWND window);

#endif

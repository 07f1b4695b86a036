/* The DirectX setup library as the installation calls it: dsetup.dll on
   the CD, beside setup.exe, and one function of it. */
#ifndef DIRECTX_SETUP_H
#define DIRECTX_SETUP_H

#include <windows.h>

#define DSETUP_DDRAW        0x00000001
#define DSETUP_DSOUND       0x00000002
#define DSETUP_DDRAWDRV     0x00000008
#define DSETUP_DSOUNDDRV    0x00000010

#define DSETUPERR_SUCCESS_RESTART     1
#define DSETUPERR_SUCCESS             0
#define DSETUPERR_BADWINDOWSVERSION  -1
#define DSETUPERR_SOURCEFILENOTFOUND -2
#define DSETUPERR_BADSOURCESIZE      -3
#define DSETUPERR_BADSOURCETIME      -4
#define DSETUPERR_NOCOPY             -5
#define DSETUPERR_OUTOFDISKSPACE     -6
#define DSETUPERR_CANTFINDINF        -7
#define DSETUPERR_CANTFINDDIR        -8

/* The library's one call, looked up in it at the DirectX step: installs
   the DirectX components named by flags from rootPath's DIRECTX folder;
   window owns whatever the library shows. */
typedef int (WINAPI *DirectXSetupProc)(HWND window, LPSTR rootPath, DWORD flags);

#endif

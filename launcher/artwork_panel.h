/* The palette artwork panel shared by the wizard page and the launcher. */
#ifndef ARTWORK_PANEL_H
#define ARTWORK_PANEL_H

#include <windows.h>

/* Logical palette of the loaded picture; null when none is held. The wizard
   page deletes it at once, the launcher keeps it, ExitCleanup frees it. */
extern HPALETTE ArtworkPalette;

#endif

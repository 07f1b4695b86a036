#include "launcher/artwork_panel.h"

HPALETTE ArtworkPalette;

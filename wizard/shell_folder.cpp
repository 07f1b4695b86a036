#include "wizard/desktop_shortcut.h"

HRESULT ShellFolderLocation(int folder, LPITEMIDLIST *list)
{
    return SHGetSpecialFolderLocation(NULL, folder, list);
}

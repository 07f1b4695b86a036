#include "wizard/installation.h"

#include <commctrl.h>

/* Until the copy, the record and DirectX come, the installation only
   reaches its end. */
int RunInstallation(HWND page)
{
    SendMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, PSWIZB_FINISH);
    return 1;
}

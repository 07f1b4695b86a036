#include "wizard/desktop_shortcut.h"
#include "startup/install_record.h"
#include "startup/text_buffer.h"
#include "resources/resource.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <string.h>

/* The record's DisplayName, shown as the shortcut's comment. */
static const char ShortcutDescription[] = "Starwake 4";

/* The desktop folder the shell names as `desktop` (a CSIDL_), into folder
   (LINK_PATH_SIZE); 0 when it names none. */
static int ShellDesktopFolder(int desktop, char *folder)
{
    IMalloc *shellMemory;
    LPITEMIDLIST list;
    int named = 0;

    if (FAILED(SHGetMalloc(&shellMemory)))
        return 0;
    if (SUCCEEDED(ShellFolderLocation(desktop, &list)) && list != NULL) {
        named = SHGetPathFromIDListA(list, folder) && folder[0] != '\0';
        shellMemory->Free(list);
    }
    shellMemory->Release();
    return named;
}

/* The link's path in the desktop folder the shell names as `desktop`, or
   for WINDOWS_DESKTOP in the Desktop folder of the Windows directory, where
   Windows 95 keeps the desktop. 0 when there is none or it would not fit. */
enum { WINDOWS_DESKTOP = -1 };

static int DesktopLinkPath(int desktop, char *link)
{
    UINT length;

    if (desktop != WINDOWS_DESKTOP) {
        if (!ShellDesktopFolder(desktop, link))
            return 0;
        /* Only a drive root comes with its backslash. */
        if (LastPathSeparator(link) != link + strlen(link) - 1 && !TextAppend(link, LINK_PATH_SIZE, "\\"))
            return 0;
        return TextAppendString(link, LINK_PATH_SIZE, IDS_SHORTCUT_NAME);
    }
    length = GetWindowsDirectoryA(link, LINK_PATH_SIZE);
    if (length == 0 || length >= LINK_PATH_SIZE)
        return 0;
    /* No separator is added or removed: a root Windows folder gives C:\\Desktop. */
    return TextAppendString(link, LINK_PATH_SIZE, IDS_DESKTOP_FOLDER)
        && TextAppendString(link, LINK_PATH_SIZE, IDS_SHORTCUT_NAME);
}

int CreateDesktopShortcut(void)
{
    /* All users' first, as the game is installed for the whole machine; a
       desktop named but not writable gives way to the next. */
    static const int desktops[] = { CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY, WINDOWS_DESKTOP };
    char link[LINK_PATH_SIZE];
    char target[LINK_PATH_SIZE];
    unsigned which;

    if (!TextCopy(target, sizeof target, InstallDir)
        || !TextAppendString(target, sizeof target, IDS_GAME_EXE_DEST))
        return 0;
    for (which = 0; which < sizeof desktops / sizeof desktops[0]; which++)
        if (DesktopLinkPath(desktops[which], link) && CreateShellLink(target, link, ShortcutDescription))
            return 1;
    return 0;
}

int CreateShellLink(const char *target, const char *link, const char *description)
{
    IShellLinkA *shellLink = NULL;
    IPersistFile *file = NULL;
    WCHAR wideLink[LINK_PATH_SIZE];
    HRESULT saved;
    HRESULT status;

    /* S_FALSE: this thread had COM already. COM stays up for the process. */
    status = CoInitialize(NULL);
    if (status != S_OK && status != S_FALSE)
        return 0;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                (void **)&shellLink)))
        return 0;

    shellLink->SetPath(target);
    shellLink->SetDescription(description);
    shellLink->SetWorkingDirectory(InstallDir);

    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, (void **)&file))) {
        shellLink->Release();
        return 0;
    }
    if (MultiByteToWideChar(CP_ACP, 0, link, -1, wideLink, LINK_PATH_SIZE) == 0)
        saved = E_FAIL;   /* never save under a cut name */
    else
        saved = file->Save(wideLink, TRUE);
    file->Release();
    shellLink->Release();
    return saved == S_OK;
}

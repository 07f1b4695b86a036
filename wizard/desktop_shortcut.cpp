#include "wizard/desktop_shortcut.h"
#include "startup/install_record.h"
#include "startup/text_buffer.h"
#include "resources/resource.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

/* The record's DisplayName, shown as the shortcut's comment. */
static const char ShortcutDescription[] = "Starwake 4";

int CreateDesktopShortcut(void)
{
    char link[LINK_PATH_SIZE];
    char target[LINK_PATH_SIZE];
    UINT length;

    length = GetWindowsDirectoryA(link, sizeof link);
    if (length == 0 || length >= sizeof link)
        return 0;
    /* No separator is added or removed: a root Windows folder gives C:\\Desktop. */
    if (!TextAppendString(link, sizeof link, IDS_DESKTOP_FOLDER)
        || !TextAppendString(link, sizeof link, IDS_SHORTCUT_NAME))
        return 0;
    if (!TextCopy(target, sizeof target, InstallDir)
        || !TextAppendString(target, sizeof target, IDS_GAME_EXE_DEST))
        return 0;
    return CreateShellLink(target, link, ShortcutDescription);
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

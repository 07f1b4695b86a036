#include "wizard/install_folder.h"
#include "wizard/installation.h"
#include "wizard/wizard_sheet.h"
#include "startup/install_record.h"
#include "startup/text_buffer.h"
#include "resources/resource.h"

#include <string.h>

const char DefaultInstallDir[] = "c:\\sw4";
int FoldersCreated;
int NewFolderCount;

/* Folders made by the check under way, counted so that a refusal, and a
   later Back, can take away exactly those. */
static int FoldersMadeThisCheck;

int CheckDriveSpace(HWND page, BYTE driveIndex)
{
    char root[4];
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    char text[256];
    char caption[256];

    root[0] = (char)(BYTE)('A' + driveIndex);
    root[1] = ':';
    root[2] = '\\';
    root[3] = '\0';
    if (root[0] == '\0')
        return 0;   /* a text like "\:" leaves no letter at all */
    /* Nothing can be installed onto a CD, the one we run from included;
       the space question would only offer to go on. */
    if (GetDriveTypeA(root) == DRIVE_CDROM)
        return 0;
    /* A drive that cannot say is not warned about; entering its root decides. */
    if (GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)
        && (ULONGLONG)freeClusters * bytesPerSector * sectorsPerCluster < RequiredFreeBytes) {
        TextLoadString(text, sizeof text, IDS_LOW_DISK_SPACE);
        TextLoadString(caption, sizeof caption, IDS_WARNING_CAPTION);
        if (MessageBoxA(GetParent(page), text, caption,
                        MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
            return 0;
    }
    return SetCurrentDirectoryA(root) != 0;
}

/* A leaf of only dots and blanks: the system strips trailing dots and
   blanks, so it reads as "here" or "up" (".", "..", "...", ".. "). */
static int IsDotsAndBlanks(const char *leaf)
{
    if (*leaf == '\0')
        return 0;
    while (*leaf == '.' || *leaf == ' ')
        leaf++;
    return *leaf == '\0';
}

/* Only a leaf that leads down from the folder entered last keeps the folders
   made so far on the path that the rollback walks up. Refused: one with a
   drive ("x:name", another drive's current folder), and one of only dots
   and blanks. */
static int StaysBelow(const char *leaf)
{
    return strchr(leaf, ':') == NULL && !IsDotsAndBlanks(leaf);
}

/* Windows takes "/" as a separator too; the chain cuts at backslashes only.
   Neither byte is ever the second of a double-byte character, but the walk
   goes by characters all the same. */
static void SlashesToBackslashes(char *path)
{
    for (; *path != '\0'; path = CharNextA(path))
        if (*path == '/')
            *path = '\\';
}

static BYTE DriveIndex(char letter)
{
    if (letter >= 'a' && letter <= 'z')
        letter = (char)(letter - 'a' + 'A');
    return (BYTE)(letter - 'A');
}

int CreateFolderChain(HWND page, char *path)
{
    char *cut = LastPathSeparator(path);
    char *leaf;

    if (cut == NULL)
        return CheckDriveSpace(page, DriveIndex(path[0]));
    *cut = '\0';
    leaf = cut + 1;
    if (!CreateFolderChain(page, path))
        return 0;
    if (leaf[0] == '\0')
        return 1;   /* a trailing or doubled backslash */
    if (!StaysBelow(leaf))
        return 0;
    /* A folder that is there already is no error: entering it decides. */
    if (!CreateDirectoryA(leaf, NULL))
        return SetCurrentDirectoryA(leaf) != 0;
    FoldersMadeThisCheck++;
    if (SetCurrentDirectoryA(leaf))
        return 1;
    /* Made but not enterable: no walk would step out of it, so take it back now. */
    RemoveDirectoryA(leaf);
    FoldersMadeThisCheck--;
    return 0;
}

/* Takes away what a refused check made, standing where the chain stopped. */
static void RemoveFoldersOfRefusedCheck(void)
{
    char folder[PATH_TEXT_SIZE];
    DWORD length;

    if (FoldersMadeThisCheck == 0)
        return;
    length = GetCurrentDirectoryA(sizeof folder, folder);
    if (length > 0 && length < sizeof folder)
        RemoveFolderChain(folder, FoldersMadeThisCheck);
    FoldersMadeThisCheck = 0;
}

unsigned ValidateInstallDir(HWND page, char *path)
{
    char folder[PATH_TEXT_SIZE];
    const char *afterDrive;
    DWORD length;

    SlashesToBackslashes(path);
    if (path[0] == '\0' || path[1] != ':')
        return 0;   /* relative, rooted without a drive, network: untouched */
    /* "c:games" names a folder below the drive's current one, which the
       user cannot see; only "c:" alone chooses the root. A ':' is never a
       second byte, so what follows it is a character of its own. */
    afterDrive = CharNextA(path + 1);
    if (*afterDrive != '\0' && *afterDrive != '\\')
        return 0;
    FoldersMadeThisCheck = 0;
    if (!CreateFolderChain(page, path)) {
        RemoveFoldersOfRefusedCheck();
        return 0;
    }
    /* The record must be able to carry the folder, or the next start would
       not find the installation; refuse it while the user can still go back. */
    length = GetCurrentDirectoryA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder || !IsRecordableInstallDir(folder)) {
        RemoveFoldersOfRefusedCheck();
        return 0;
    }
    TextCopy(InstallDir, PATH_TEXT_SIZE, folder);
    NewFolderCount = FoldersMadeThisCheck;
    FoldersMadeThisCheck = 0;
    return length;
}

void RemoveFolderChain(char *path, int levels)
{
    while (levels-- > 0) {
        char *cut = LastPathSeparator(path);
        if (cut == NULL)
            return;
        *cut = '\0';
        if (!SetCurrentDirectoryA(".."))
            return;
        if (!RemoveDirectoryA(cut + 1))
            return;   /* not empty, or the empty leaf after a drive root */
    }
}

int RollBackFolders(void)
{
    char folder[PATH_TEXT_SIZE];

    if (!FoldersCreated)
        return 1;
    /* The walk removes by name from where it stands: stand in InstallDir,
       or remove nothing. */
    if (TextCopy(folder, sizeof folder, InstallDir) && SetCurrentDirectoryA(folder))
        RemoveFolderChain(folder, NewFolderCount);
    FoldersCreated = 0;
    NewFolderCount = 0;
    return 1;
}

/* Cuts the folder box's text after MAX_TYPED_INSTALL_DIR characters, never
   inside a double-byte one. A text that filled the buffer may have lost its
   end there; it is longer than the record carries, and so refused. */
static void CutTypedText(char *text)
{
    int count;

    for (count = 0; count < MAX_TYPED_INSTALL_DIR && *text != '\0'; count++)
        text = CharNextA(text);
    *text = '\0';
}

/* Reads the folder box, cut at what a user may type, and checks it. */
static void CheckTypedFolder(HWND page, int *step)
{
    SendMessageA(hwndInstallDirEdit, WM_GETTEXT, PATH_TEXT_SIZE, (LPARAM)InstallDir);
    CutTypedText(InstallDir);
    if (ValidateInstallDir(page, InstallDir)) {
        SendMessageA(hwndInstallDirEdit, WM_SETTEXT, 0, (LPARAM)InstallDir);
        (*step)++;
        FoldersCreated = 1;
    } else {
        TextCopy(InstallDir, PATH_TEXT_SIZE, DefaultInstallDir);
    }
}

int HandleWizardNext(HWND page, int *step)
{
    switch (*step) {
    case WIZSTEP_FOLDER:
        SendMessageA(hwndInstallDirEdit, WM_SETTEXT, 0, (LPARAM)InstallDir);
        break;
    case WIZSTEP_FOLDER_REJECTED:
        CheckTypedFolder(page, step);
        break;
    case WIZSTEP_COMPLETE:
        RunInstallation(page);
        break;
    }
    return 1;
}

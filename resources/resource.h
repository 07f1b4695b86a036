/* Ids of the resource set. Code refers to texts, dialogs and pictures by
   these numbers only; tests/resources checks that no two ids of one kind
   collide where they must differ. */
#ifndef RESOURCE_H
#define RESOURCE_H

/* ---- Version ---------------------------------------------------------- */
/* The version block is VS_VERSION_INFO (1) of <winver.h>. The installation
   record shows its publisher and product version in the list of installed
   programs; both take them from here, so the two cannot differ. */
#define VERSION_PUBLISHER           "Starwake Games"
#define VERSION_TEXT                "2.0.0.7"
#define VERSION_NUMBERS             2,0,0,7

/* ---- Dialogs ---------------------------------------------------------- */
#define IDD_WIZARD_PAGE             101
#define IDD_LAUNCHER                104
#define IDD_COPY_PROGRESS           106

/* ---- Pictures --------------------------------------------------------- */
#define IDB_WIZARD_ART              102
#define IDI_SETUP                   103
#define IDB_LAUNCHER_ART            105

/* ---- Controls shared by the wizard page and the launcher --------------
   The artwork panel, the option box and the readme button are found by
   the same number in either dialog. */
#define IDC_ARTWORK                1003
#define IDC_OPTION_CHECK           1005
#define IDC_VIEW_README            1010

/* ---- Wizard page (IDD_WIZARD_PAGE) ------------------------------------ */
#define IDC_PAGE_TEXT              1001
#define IDC_INSTALL_TO_LABEL       1002
#define IDC_INSTALL_DIR_EDIT       1004

/* ---- Launcher (IDD_LAUNCHER) ------------------------------------------ */
#define IDC_RUN_GAME               1007
#define IDC_RECONFIGURE            1009
#define IDC_UNINSTALL              1011

/* ---- Copy progress box (IDD_COPY_PROGRESS) ---------------------------- */
#define IDC_PROGRESS_BAR           1014
#define IDC_PROGRESS_TEXT          1015

/* Posted by the tick thread to the copy box as WM_COMMAND, each time the
   dialog thread has asked for the next chunk. Not a control. */
#define IDC_COPY_TICK              1025

/* ---- Strings ---------------------------------------------------------- */
#define IDS_SETUP_TITLE               1
#define IDS_WELCOME                   2
#define IDS_CHOOSE_FOLDER             3
#define IDS_FOLDER_REJECTED           4
#define IDS_CONFIRM                   5
#define IDS_COMPLETE                  6
#define IDS_CONFIRM_NEXT              7
#define IDS_MISSING_CD_FILE          16
#define IDS_GAME_EXE_SOURCE          17
#define IDS_GAME_LIB_SOURCE          18
#define IDS_GAME_EXE_DEST            20
#define IDS_GAME_LIB_DEST            21
#define IDS_DESKTOP_FOLDER           23
#define IDS_SHORTCUT_NAME            24
#define IDS_COPY_FAILED              25
#define IDS_DX_BAD_WINDOWS           27
#define IDS_DX_SOURCE_NOT_FOUND      28
#define IDS_DX_GENERAL_FAILURE       29
#define IDS_REBOOT_QUESTION          32
#define IDS_WARNING_CAPTION          37
#define IDS_LOW_DISK_SPACE           38
#define IDS_DX_BAD_SOURCE_SIZE       39
#define IDS_DX_BAD_SOURCE_TIME       40
#define IDS_DX_NO_COPY               41
#define IDS_DX_OUT_OF_DISK           42
#define IDS_DX_NO_INF                43
#define IDS_DX_NO_DIRECTORY          44
#define IDS_INSTALLING_FILES         45
#define IDS_GAME_MUTEX               46
#define IDS_CONFIRM_CAPTION          47
#define IDS_UNINSTALL_QUESTION       48
#define IDS_INSTALL_ABORTED          49
#define IDS_COPYING                  50
#define IDS_COPY_TO                  51
#define IDS_ABORT_QUESTION           52
#define IDS_INSTALLING_DIRECTX       53
#define IDS_SEE_TROUBLESHOOTING      56
#define IDS_LOW_MEMORY               57
#define IDS_SETUP_MUTEX              58
#define IDS_RECORD_FAILED            59
/* An undo that could not put back a file the copy replaced: the first
   two around the file's path and the path it waits under. */
#define IDS_EARLIER_VERSION          60
#define IDS_NOT_PUT_BACK             61
#define IDS_OTHERS_NOT_PUT_BACK      62
/* The launcher's Uninstall when the recorded program cannot be started: the
   first before its name and the system's reason, the second added where
   Windows is 64-bit and so runs no MS-DOS program. */
#define IDS_UNINSTALL_NOT_STARTED    63
#define IDS_NO_DOS_PROGRAMS          64
/* The Retry / Cancel box of a file that cannot be read or put in place,
   with %1 the file and %2 the system's reason. */
#define IDS_CANNOT_READ_CD_FILE      65
#define IDS_CANNOT_WRITE_FILE        66
#define IDS_FILE_IN_USE              67
/* One copy at a time on a machine: the mutex held from the clean-up of a
   killed run to the end of the installation, and what a second setup says. */
#define IDS_COPY_MUTEX               68
#define IDS_ANOTHER_SETUP_COPIES     69
/* At start, when a DLL of the system folder that setup loads itself cannot
   be loaded: before its path. */
#define IDS_SYSTEM_LIBRARY_FAILED    70
/* The Retry / Cancel box while the CD folder cannot be entered or read,
   with %1 its drive. */
#define IDS_INSERT_CD                71
/* A start in a folder that has no name in the ANSI code page, and no short
   name either: the two around the folder's name as the code page shows it. */
#define IDS_FOLDER_NOT_NAMED         72
#define IDS_RUN_FROM_CD              73
/* From Vista on, why setup holds off a shutdown or log-off while it copies. */
#define IDS_COPY_BLOCKS_SHUTDOWN     74

#endif

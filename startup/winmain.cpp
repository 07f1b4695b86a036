/* Entry: decides once per start which face the program shows. */
#include "startup/startup.h"
#include "startup/install_record.h"
#include "startup/system_libraries.h"
#include "launcher/launcher_dialog.h"
#include "wizard/installation.h"
#include "wizard/wizard_sheet.h"
#include "resources/resource.h"

#include <stdlib.h>
#include <string.h>

static void RunWizard(void)
{
    RecoverInterruptedInstallation();
    InitCommonControlsCall();
    if (PropertySheetCall(&WizardSheetHeader) == ID_PSREBOOTSYSTEM)
        PromptReboot();
}

static void RunLauncher(void)
{
    DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_LAUNCHER), NULL, LauncherDialogProc, 0);
}

/* The launcher, the wizard, a direct start of the game, or only the memory
   warning, as the installation record and the command line decide. */
static void ShowFace(void)
{
    if (IsInstallCurrent()) {
        if (!LaunchedFromAutorun || !MenuSuppressed) {
            if (CheckSystemMemory() || !LaunchedFromAutorun)
                RunLauncher();
            return;
        }
        if (LaunchGame())
            return;
        /* The direct start failed: set up afresh, as if nothing were installed. */
    }
    if (CheckSystemMemory() || !LaunchedFromAutorun)
        RunWizard();
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showState)
{
    int firstInstance;
    (void)previous;
    (void)showState;

    /* Before any file is touched: a drive without its medium (a card
       reader, the CD taken out) is told of by setup's own messages, not by
       the system's Abort / Retry / Ignore box, behind which the wizard
       would wait. */
    SetErrorMode(SEM_FAILCRITICALERRORS);
    RestrictDllSearch();
    AppInstance = instance;
    InitWizardSheet();
    if (!CaptureSourceDir())
        return 1;
    LaunchedFromAutorun = strstr(commandLine, "autorun") != NULL;

    /* Every instance claims or opens the setup mutex; only an autorun start
       gives way to another setup or to the running game. */
    firstInstance = IsFirstSetupInstance(instance);
    if (LaunchedFromAutorun) {
        if (!firstInstance)
            return 0;
        if (IsGameRunning(instance))
            return 0;
    }

    /* Before the first window. Setup cannot run without them: it has said
       which one is missing, and ends having changed nothing. */
    if (!LoadSystemLibraries())
        return 1;

    atexit(ExitCleanup);
    ShowFace();
    if (RunGameOnExit)
        LaunchGame();
    return 0;
}

/* The paced copy of the game files with its progress box and tick thread. */
#ifndef COPY_JOB_H
#define COPY_JOB_H

#include <windows.h>

/* The tick thread, once made, runs until ExitCleanup ends it. */
extern HANDLE TickThreadHandle;

#endif

/* atexit and exit for setup.exe: the handlers run, last registered first, at
   the end of WinMain and at every exit(), the aborted installation's included. */
#include <windows.h>
#include <stdlib.h>

/* The program registers one handler; a few more cost nothing. */
enum { MAX_EXIT_HANDLERS = 8 };

static void (*ExitHandlers[MAX_EXIT_HANDLERS])(void);
static int ExitHandlerCount;

extern "C" int __cdecl atexit(void (__cdecl *handler)(void))
{
    if (ExitHandlerCount == MAX_EXIT_HANDLERS)
        return -1;
    ExitHandlers[ExitHandlerCount++] = handler;
    return 0;
}

extern "C" void __cdecl exit(int code)
{
    /* A handler that calls exit() itself does not run twice. */
    while (ExitHandlerCount > 0)
        ExitHandlers[--ExitHandlerCount]();
    ExitProcess((UINT)code);
}

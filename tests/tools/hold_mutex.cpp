// Holds a named mutex until it is ended, standing in for another process
// (a first setup instance, or a game) that owns the name.
//   hold_mutex NAME
#include <windows.h>
#include <stdio.h>

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: hold_mutex NAME\n");
        return 2;
    }
    HANDLE mutex = CreateMutexA(NULL, FALSE, argv[1]);
    if (mutex == NULL) {
        fprintf(stderr, "CreateMutexA failed: %lu\n", GetLastError());
        return 1;
    }
    Sleep(INFINITE);
    return 0;
}

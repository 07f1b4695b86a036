/* new and delete over the process heap, which every Windows has. The
   program builds without exceptions: a failed allocation gives null, and
   every caller allocates with new (std::nothrow) and tests for it. */
#include <windows.h>
#include <new>

/* The tag object that libstdc++ would otherwise supply. */
const std::nothrow_t std::nothrow{};

static void *Allocate(size_t size)
{
    return HeapAlloc(GetProcessHeap(), 0, size != 0 ? size : 1);
}

static void Release(void *block)
{
    if (block != NULL)
        HeapFree(GetProcessHeap(), 0, block);
}

void *operator new(size_t size) { return Allocate(size); }
void *operator new[](size_t size) { return Allocate(size); }
void *operator new(size_t size, const std::nothrow_t &) noexcept { return Allocate(size); }
void *operator new[](size_t size, const std::nothrow_t &) noexcept { return Allocate(size); }
void operator delete(void *block) noexcept { Release(block); }
void operator delete[](void *block) noexcept { Release(block); }
void operator delete(void *block, size_t) noexcept { Release(block); }
void operator delete[](void *block, size_t) noexcept { Release(block); }

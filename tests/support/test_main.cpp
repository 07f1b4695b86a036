// Entry of every test program: the product code loads its strings and
// dialogs from AppInstance, which here is the test program itself, and the
// system DLLs it calls through pointers, as setup.exe does.
#include "startup/startup.h"
#include "startup/system_libraries.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    AppInstance = GetModuleHandleA(nullptr);
    // As setup.exe does at start: the copy paces itself through the timer's calls.
    if (!LoadSystemLibraries())
        return 1;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

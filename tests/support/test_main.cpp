// Entry of every test program: the product code loads its strings and
// dialogs from AppInstance, which here is the test program itself.
#include "startup/startup.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    AppInstance = GetModuleHandleA(nullptr);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

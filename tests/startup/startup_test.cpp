// Start-up's checks inside a test program: the bounded text helpers, the two
// mutex probes, the memory check and the reboot question.
#include "startup/startup.h"
#include "startup/text_buffer.h"
#include "wizard/wizard_sheet.h"
#include "resources/resource.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

namespace {

TEST(TextBuffer, RefusesWhatDoesNotFitAndLeavesTheBufferAsItWas)
{
    char buffer[8];
    EXPECT_EQ(1, TextCopy(buffer, sizeof buffer, "1234567"));
    EXPECT_STREQ("1234567", buffer);
    EXPECT_EQ(0, TextCopy(buffer, sizeof buffer, "12345678"));
    EXPECT_STREQ("1234567", buffer);

    EXPECT_EQ(1, TextCopy(buffer, sizeof buffer, "abc"));
    EXPECT_EQ(1, TextAppend(buffer, sizeof buffer, "defg"));
    EXPECT_STREQ("abcdefg", buffer);
    EXPECT_EQ(1, TextAppend(buffer, sizeof buffer, ""));
    EXPECT_EQ(0, TextAppend(buffer, sizeof buffer, "h"));
    EXPECT_STREQ("abcdefg", buffer);

    char unterminated[4] = { 'w', 'x', 'y', 'z' };
    EXPECT_EQ(0, TextAppend(unterminated, sizeof unterminated, ""));
}

TEST(TextBuffer, StringsLoadWholeOrNotAtAll)
{
    char buffer[32];
    EXPECT_EQ(1, TextLoadString(buffer, sizeof buffer, IDS_SETUP_TITLE));
    EXPECT_EQ(1, TextAppendString(buffer, sizeof buffer, IDS_COPY_TO));
    EXPECT_STREQ("Starwake IV Setup to ", buffer);
    EXPECT_EQ(0, TextAppendString(buffer, sizeof buffer, IDS_ABORT_QUESTION));
    EXPECT_STREQ("Starwake IV Setup to ", buffer);
    EXPECT_EQ(0, TextLoadString(buffer, sizeof buffer, 9999)) << "no such string";
    EXPECT_STREQ("", buffer);
    EXPECT_EQ(0, TextLoadString(buffer, sizeof buffer, IDS_LOW_MEMORY)) << "longer than the buffer";
}

TEST(InstanceGuard, FirstInstanceClaimsTheSetupMutexAndKeepsIt)
{
    ASSERT_EQ(1, IsFirstSetupInstance(AppInstance));
    HANDLE first = SetupMutexHandle;
    EXPECT_NE(nullptr, first);

    EXPECT_EQ(0, IsFirstSetupInstance(AppInstance)) << "the name is taken now";
    EXPECT_NE(nullptr, SetupMutexHandle) << "a later instance keeps the mutex open too";

    CloseHandle(SetupMutexHandle);
    CloseHandle(first);
    SetupMutexHandle = nullptr;
}

TEST(InstanceGuard, GameProbeSeesTheGamesMutexAndNeverKeepsIt)
{
    EXPECT_EQ(0, IsGameRunning(AppInstance));
    EXPECT_EQ(0, IsGameRunning(AppInstance)) << "the first probe must not have left the mutex behind";

    HANDLE game = CreateMutexA(nullptr, FALSE, "Starwake 4 Mutex");
    ASSERT_NE(nullptr, game);
    EXPECT_EQ(1, IsGameRunning(AppInstance));
    CloseHandle(game);
    EXPECT_EQ(0, IsGameRunning(AppInstance));
}

class MemoryCheckTest : public testing::Test {
protected:
    void TearDown() override
    {
        JoinMessageBoxAnswerer();
        SetEnvironmentVariableA("SW4_TEST_TOTAL_PHYS", nullptr);
    }
};

TEST_F(MemoryCheckTest, FifteenMillionBytesPassWithoutABox)
{
    SetEnvironmentVariableA("SW4_TEST_TOTAL_PHYS", "15000000");
    EXPECT_EQ(1, CheckSystemMemory());
    EXPECT_TRUE(VisibleTopWindows(GetCurrentProcessId()).empty());
}

TEST_F(MemoryCheckTest, OneByteLessWarns)
{
    SetEnvironmentVariableA("SW4_TEST_TOTAL_PHYS", "14999999");
    std::string seen;
    AnswerOwnMessageBoxLater(IDOK, &seen);
    EXPECT_EQ(0, CheckSystemMemory());
    JoinMessageBoxAnswerer();
    EXPECT_EQ("Starwake IV for Windows 95 requires at least 16 MB of RAM.\nIf you do not have at least 16 MB of RAM, "
              "please consult the Install\nGuide for instructions on how to install Starwake IV for MS-DOS.",
              seen);
}

TEST_F(MemoryCheckTest, RebootDeclinedReturnsAndRestartsNothing)
{
    std::string seen;
    AnswerOwnMessageBoxLater(IDNO, &seen);
    EXPECT_EQ(0, PromptReboot());
    JoinMessageBoxAnswerer();
    EXPECT_EQ(0u, seen.find("Changes made to your system require a reboot")) << seen;
}

}  // namespace

// The Windows 95 layouts that setup hands the system exist only in the 32-bit build.
TEST(ThirtyTwoBitOnly, WizardRecordsAndStartupInfoHaveTheWindows95Sizes)
{
#ifdef _WIN64
    printf("32-bit only, not checked in the x86_64 build: the 40-byte wizard page and sheet records "
           "and the 68-byte STARTUPINFO\n");
#else
    InitWizardSheet();
    EXPECT_EQ(40u, WizardPageRecord.dwSize);
    EXPECT_EQ(40u, WizardSheetHeader.dwSize);
    EXPECT_EQ(68u, sizeof(STARTUPINFOA));
#endif
}

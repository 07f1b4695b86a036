// The stream layer against real files under Wine. The reporter is switched
// on with this program's own texts ("<code> <name>"), so each case sees
// which errors every call reported.
#include "copy/file_stream.h"
#include "startup/text_buffer.h"
#include "host_shell.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>

namespace {

using Codes = std::vector<int>;
std::vector<std::string> Reported;

int CatchReport(const char *text)
{
    Reported.push_back(text);
    return 42;
}

// The codes reported since the last call, in order.
Codes TakeCodes()
{
    Codes codes;
    for (const std::string &text : Reported)
        codes.push_back(atoi(text.c_str()));
    Reported.clear();
    return codes;
}

class FileStreamTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder_ = ScratchFolder("stream");
        StreamErrorsEnabled = 1;
        StreamErrorCallback = CatchReport;
        StreamErrorModule = GetModuleHandleA(nullptr);
        Reported.clear();
    }
    void TearDown() override
    {
        StreamErrorsEnabled = 0;
        StreamErrorCallback = nullptr;
        StreamErrorModule = nullptr;
        RemoveTree(folder_);
    }
    std::string Path(const char *file) { return folder_ + "\\" + file; }
    void Name(FileStream &stream, const char *file, DWORD mode)
    {
        TextCopy(stream.name, FS_NAME_SIZE, Path(file).c_str());
        stream.mode = mode;
    }
    bool OthersCanRead(const char *file)
    {
        HANDLE other = CreateFileA(Path(file).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
        if (other != INVALID_HANDLE_VALUE)
            CloseHandle(other);
        return other != INVALID_HANDLE_VALUE;
    }
    std::string folder_;
};

TEST_F(FileStreamTest, EachModeOpensAsItsTableSays)
{
    WriteFileOfSize(Path("data"), 100);
    std::string content = ReadWholeFile(Path("data"));
    struct Row {
        DWORD mode;
        bool shared, reads, writes;
        Codes reports;
    } rows[] = {
        { FS_MODE_READ, true, true, false, { FSE_WRITE_NOT_WRITABLE } },
        { FS_MODE_WRITE, false, false, true, { FSE_READ_NOT_READABLE } },
        { FS_MODE_UPDATE, false, true, true, {} },
        { 7, true, true, false, { FSE_WRITE_FAILED } },   // opens like READ; the OS refuses the write
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.mode);
        FileStream stream;
        Name(stream, "data", row.mode);
        ASSERT_EQ(1, stream.Open(1, 0));
        EXPECT_EQ(100, stream.size);
        EXPECT_EQ(row.shared, OthersCanRead("data"));
        char byte;
        EXPECT_EQ(row.reads ? 1u : 0u, stream.Read(&byte, 1));
        stream.Seek(0);
        EXPECT_EQ(row.writes ? 1u : 0u, stream.Write(&content[0], 1));
        EXPECT_EQ(row.reports, TakeCodes());
    }
    FileStream unset;
    TextCopy(unset.name, FS_NAME_SIZE, Path("data").c_str());
    ASSERT_EQ(1, unset.Open(1, 0));
    EXPECT_TRUE(OthersCanRead("data")) << "a stream whose mode was never set reads";
    unset.Close();
    EXPECT_EQ(content, ReadWholeFile(Path("data")));

    FileStream created;
    Name(created, "data", FS_MODE_CREATE);
    ASSERT_EQ(1, created.Open(1, 0));
    EXPECT_EQ(0, created.size) << "an existing file is truncated";
    EXPECT_FALSE(OthersCanRead("data"));

    FileStream later;
    Name(later, "later", FS_MODE_READ);
    EXPECT_EQ(0, later.Open(0, 0));
    EXPECT_EQ(Codes{}, TakeCodes());
    EXPECT_EQ(0, later.Open(1, 0));
    EXPECT_EQ(std::vector<std::string>{ "4612 " + Path("later") }, Reported) << "%s shows the name";
    Reported.clear();
    EXPECT_EQ(0u, later.isOpen);
    WriteFileOfSize(Path("later"), 5);
    ASSERT_EQ(1, later.Open(1, 0)) << "the same stream opens once the file is there";
    char two[2];
    later.Read(two, 2);
    EXPECT_EQ(0, later.Open(1, 0));
    EXPECT_EQ(Codes{ FSE_ALREADY_OPEN }, TakeCodes());
    EXPECT_EQ(1u, later.isOpen);
    EXPECT_EQ(2, later.pos);
    EXPECT_EQ(5, later.size);
}

TEST_F(FileStreamTest, ReadsEndAtTheMeasuredSizeAndRefuseInOrder)
{
    WriteFileOfSize(Path("data"), 100, 7);
    std::string content = ReadWholeFile(Path("data"));
    FileStream stream;
    Name(stream, "data", FS_MODE_READ);
    char buffer[100];
    EXPECT_EQ(0u, stream.Read(nullptr, 0));
    EXPECT_EQ(Codes{ FSE_READ_NOT_OPEN }, TakeCodes());

    ASSERT_EQ(1, stream.Open(1, 0));
    EXPECT_EQ(60u, stream.Read(buffer, 60));
    EXPECT_EQ(40u, stream.Read(buffer + 60, 60)) << "only up to the size";
    EXPECT_EQ(content, std::string(buffer, 100));
    EXPECT_EQ(0u, stream.Read(buffer, 1));
    EXPECT_EQ(Codes{}, TakeCodes()) << "the end is no error";

    stream.Seek(10);
    EXPECT_EQ(0u, stream.Read(buffer, 0));
    EXPECT_EQ(0u, stream.Read(nullptr, 5));
    EXPECT_EQ((Codes{ FSE_READ_ZERO_COUNT, FSE_READ_NULL_BUFFER }), TakeCodes());
    EXPECT_EQ(5u, stream.Read(buffer, 5)) << "a zero count was not the end";
    EXPECT_EQ(content.substr(10, 5), std::string(buffer, 5));
}

TEST_F(FileStreamTest, WritesGrowTheSizeAndRefuseInOrder)
{
    FileStream stream;
    Name(stream, "out", FS_MODE_CREATE);
    EXPECT_EQ(0u, stream.Write(nullptr, 0));
    EXPECT_EQ(Codes{ FSE_WRITE_NOT_OPEN }, TakeCodes());

    ASSERT_EQ(1, stream.Open(1, 0));
    EXPECT_EQ(10u, stream.Write("0123456789", 10));
    stream.Seek(4);
    EXPECT_EQ(3u, stream.Write("abc", 3));
    EXPECT_EQ(7, stream.pos);
    EXPECT_EQ(10, stream.size);
    stream.Seek(8);
    EXPECT_EQ(4u, stream.Write("WXYZ", 4));
    EXPECT_EQ(12, stream.size);
    EXPECT_EQ(0u, stream.Write("x", 0));
    EXPECT_EQ(0u, stream.Write(nullptr, 1));
    EXPECT_EQ((Codes{ FSE_WRITE_ZERO_COUNT, FSE_WRITE_NULL_BUFFER }), TakeCodes());
    stream.Close();
    EXPECT_EQ("0123abc7WXYZ", ReadWholeFile(Path("out")));
}

TEST_F(FileStreamTest, CloseRunsHooksSettlesCreatedFilesAndKeepsBorrowedHandles)
{
    static std::string order;
    order.clear();
    CloseHook never = { nullptr, [](FileStream *) { order += 'X'; return 0; } };
    CloseHook empty = { &never, nullptr };
    CloseHook second = { &empty, [](FileStream *) { order += 'B'; return 0; } };

    FileStream stream;
    Name(stream, "out", FS_MODE_CREATE);
    ASSERT_EQ(1, stream.Open(1, 0));
    stream.closeHooks = { &second, [](FileStream *) { order += 'A'; return 0; } };
    stream.flags = FS_FLAG_KEEP_HANDLE | 0x01;
    stream.Write("0123456789", 10);
    stream.Seek(3);
    stream.Close();
    EXPECT_EQ("AB", order) << "the chain stops at the first record without a hook";
    EXPECT_EQ(0u, stream.isOpen);
    EXPECT_EQ(0x01, stream.flags);
    EXPECT_EQ(10, stream.pos);
    EXPECT_EQ(10u, SetFilePointer(stream.handle, 0, nullptr, FILE_CURRENT)) << "left at its end, and open";
    EXPECT_TRUE(CloseHandle(stream.handle));

    stream.flags = 0xff;
    stream.Close();
    EXPECT_EQ("AB", order) << "a closed stream runs no hooks";
    EXPECT_EQ(0x01, stream.flags);

    WriteFileOfSize(Path("out"), 20);
    Name(stream, "out", FS_MODE_READ);
    ASSERT_EQ(1, stream.Open(1, 0));
    EXPECT_EQ(20, stream.size) << "a reopened stream is measured anew";
    char buffer[4];
    stream.Read(buffer, 4);
    stream.closeHooks = { nullptr, nullptr };
    CloseHandle(stream.handle);   // behind the layer's back
    stream.Close();
    EXPECT_EQ(Codes{ FSE_CLOSE_FAILED }, TakeCodes());
    EXPECT_EQ(0u, stream.isOpen);
    EXPECT_EQ(4, stream.pos) << "closing a read stream leaves its position";
}

TEST_F(FileStreamTest, SeekMovesTheOsPointerOnlyWhenItIsElsewhere)
{
    WriteFileOfSize(Path("data"), 100, 3);
    std::string content = ReadWholeFile(Path("data"));
    FileStream stream;
    Name(stream, "data", FS_MODE_READ);
    stream.pos = 9;
    stream.Seek(5);
    EXPECT_EQ(9, stream.pos) << "closed: nothing changes";
    EXPECT_EQ(Codes{ FSE_SEEK_NOT_OPEN }, TakeCodes());

    ASSERT_EQ(1, stream.Open(1, 0));
    // Moved behind the layer's back: a straight read trusts the tracked
    // position and costs no SetFilePointer, so it reads from there.
    SetFilePointer(stream.handle, 50, nullptr, FILE_BEGIN);
    char buffer[4];
    ASSERT_EQ(4u, stream.Read(buffer, 4));
    EXPECT_EQ(content.substr(50, 4), std::string(buffer, 4));
    stream.Seek(0);
    ASSERT_EQ(4u, stream.Read(buffer, 4));
    EXPECT_EQ(content.substr(0, 4), std::string(buffer, 4));

    stream.Seek(-5);
    EXPECT_EQ(Codes{ FSE_SEEK_FAILED }, TakeCodes());
    EXPECT_EQ(-5, stream.pos) << "set all the same";
    EXPECT_EQ(4, stream.filePos) << "the tracked position stays";
}

// A window at base into parent's file, as a client would make one.
void Chain(FileStream &child, FileStream &parent, FileStream &root, LONG base)
{
    child.parent = &parent;
    child.owner = &root;
    child.base = base;
    child.size = 0;
    child.pos = 0;
    child.mode = root.mode;
    child.handle = root.handle;
    child.isOpen = 1;
}

TEST_F(FileStreamTest, ChainedWritesGrowEveryAncestorAndShareOnePointer)
{
    FileStream root, inner, child, grandchild;
    Name(root, "chain", FS_MODE_CREATE);
    ASSERT_EQ(1, root.Open(1, 0));
    ASSERT_EQ(10u, root.Write("AAAAAAAAAA", 10));

    Chain(inner, root, root, 4);
    EXPECT_EQ(2u, inner.Write("BB", 2));
    EXPECT_EQ(Codes{ FSE_WRITE_INSIDE_PARENT }, TakeCodes());
    EXPECT_EQ(10, root.size);
    EXPECT_EQ(6, root.filePos);

    Chain(child, root, root, 10);
    Chain(grandchild, child, root, 12);
    EXPECT_EQ(3u, grandchild.Write("CCC", 3));
    EXPECT_EQ(Codes{}, TakeCodes());
    EXPECT_EQ(15, root.filePos);
    EXPECT_EQ(5, child.size);
    EXPECT_EQ(15, root.size);

    grandchild.Close();
    EXPECT_EQ(5, child.pos) << "closing a created chain settles every ancestor";
    EXPECT_EQ(15, root.pos);
    inner.Seek(0);
    char two[2];
    EXPECT_EQ(2u, inner.Read(two, 2)) << "the root's handle is still open";
    EXPECT_EQ("BB", std::string(two, 2));
    inner.Close();
    root.Close();
    EXPECT_EQ(std::string("AAAABBAAAA\0\0CCC", 15), ReadWholeFile(Path("chain")));
}

// Every other case sees the reporter deliver; here it must not.
TEST_F(FileStreamTest, ReporterStaysSilentUnlessSwitchedOnWithACallback)
{
    FileStream stream;
    StreamErrorsEnabled = 0;
    stream.Seek(0);
    StreamErrorsEnabled = 1;
    StreamErrorCallback = nullptr;
    stream.Seek(0);
    EXPECT_EQ(0, ReportStreamError(FSE_SEEK_NOT_OPEN, &stream));
    EXPECT_TRUE(Reported.empty());
}

TEST_F(FileStreamTest, ShortWriteOnAFullDriveReportsAndAdvancesByWhatWasWritten)
{
    SmallDrive drive(64);
    if (!drive.Ready())
        GTEST_SKIP() << "needs root and SW4_TEST_SCRATCH (scripts/test.sh)";
    FileStream stream;
    TextCopy(stream.name, FS_NAME_SIZE, (drive.Root() + "fill").c_str());
    stream.mode = FS_MODE_CREATE;
    ASSERT_EQ(1, stream.Open(1, 0));
    std::string block(48 * 1024, 'x');
    ASSERT_EQ(block.size(), stream.Write(block.data(), block.size()));
    DWORD written = stream.Write(block.data(), block.size());
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, block.size());
    EXPECT_EQ(Codes{ FSE_WRITE_FAILED }, TakeCodes());
    EXPECT_EQ((LONG)(block.size() + written), stream.pos);
    EXPECT_EQ(stream.pos, stream.size);
    EXPECT_EQ(0u, stream.Write(block.data(), 1)) << "the drive is full";
    EXPECT_EQ(Codes{ FSE_WRITE_FAILED }, TakeCodes());
}

}  // namespace

// The resource set as the program loads it: every text exactly, the three
// dialog templates as stored, the pictures' formats, the icon and version.
#include "resources/resource.h"
#include "startup/startup.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::string LoadText(UINT id)
{
    char text[1024];
    int length = LoadStringA(AppInstance, id, text, sizeof text);
    return std::string(text, length > 0 ? length : 0);
}

TEST(StringTable, EveryTextIsExact)
{
    const struct { UINT id; const char *text; } expected[] = {
        { 1, "Starwake IV Setup" },
        { 2, "Setup will help you install Starwake IV for Windows 95 -- the original DOS version and the new native Windows 95 version." },
        { 3, "Please choose a directory to install Starwake IV for Windows 95. To accept the default path, click Next >.\n\nNOTE : To install Starwake IV for Windows 95, you must have at least 20 MB free hard disk space." },
        { 4, "Either the install path was invalid, or the drive did not contain enough free space. Click < Back to choose a new path, or click Cancel to exit Setup." },
        { 5, "Setup is about to install the game to the location shown below. In addition, parts of the Windows operating system will be updated." },
        { 6, "Installation complete. To run Starwake IV for Windows 95, double-click the new Starwake IV icon on your desktop, or run the SW4W.EXE program in your installed game directory. " },
        { 7, "\nClick Next > to complete the installation process." },
        { 16, "Setup could not find the following file on the installation CD : " },
        { 17, "SW4w.ex_" },
        { 18, "KorLib.DL_" },
        { 20, "\\SW4w.exe" },
        { 21, "\\KorLib.dll" },
        { 23, "\\Desktop\\" },
        { 24, "Starwake IV.lnk" },
        { 25, "Copy Failed on file: " },
        { 27, "Incorrect Windows version detected. Installation halted." },
        { 28, "DirectX files could not be found. Installation halted." },
        { 29, "General DirectX installation failure. Install halted." },
        { 32, "Changes made to your system require a reboot to take effect.\nYou will not be able to play SW4 until you have restarted\nyour computer. Do you want to restart your computer now?" },
        { 37, "Warning!!" },
        { 38, "The drive you have selected does not currently have enough space to install the game.\n(20 MEGS required) Continue anyway?" },
        { 39, "DirectX error:  Bad source size." },
        { 40, "DirectX error: Bad source time." },
        { 41, "DirectX error: Copy error." },
        { 42, "DirectX error: Out of disk space." },
        { 43, "DirectX error: Can't find INF file." },
        { 44, "DirectX error: Can't find DirectX directory." },
        { 45, "Installing game files..." },
        { 46, "Starwake 4 Mutex" },
        { 47, "Confirmation" },
        { 48, "Do you really want to remove Starwake IV from your\nhard drive? (This will remove your save games, too.)" },
        { 49, "\nInstallation aborted." },
        { 50, "Copying " },
        { 51, " to " },
        { 52, "Abort installation?" },
        { 53, "Installing the DirectX Game Library..." },
        { 56, "\nPlease consult the \"Troubleshooting\" section of the readme.txt file." },
        { 57, "Starwake IV for Windows 95 requires at least 16 MB of RAM.\nIf you do not have at least 16 MB of RAM, please consult the Install\nGuide for instructions on how to install Starwake IV for MS-DOS." },
        { 58, "Starwake IV Setup Mutex" },
    };
    for (const auto &entry : expected)
        EXPECT_EQ(entry.text, LoadText(entry.id)) << "string " << entry.id;

    // Nothing else is in the table.
    for (UINT id = 0; id < 64; id++) {
        bool listed = false;
        for (const auto &entry : expected)
            listed = listed || entry.id == id;
        if (!listed) {
            EXPECT_EQ("", LoadText(id)) << "unexpected string " << id;
        }
    }
}

// ---- Dialog templates, read as stored ---------------------------------------

struct TemplateItem {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
    std::string className;
    std::string text;
};

struct DialogTemplate {
    DWORD style;
    short cx, cy;
    std::string caption;
    WORD pointSize;
    std::string font;
    std::vector<TemplateItem> items;
};

class TemplateReader {
public:
    explicit TemplateReader(const BYTE *data) : at_(data) {}

    WORD Word() { WORD w; memcpy(&w, at_, 2); at_ += 2; return w; }
    DWORD Dword() { DWORD d; memcpy(&d, at_, 4); at_ += 4; return d; }
    std::string Text()
    {
        std::string text;
        for (WORD c; (c = Word()) != 0;)
            text += (char)c;
        return text;
    }
    // A class or menu field: 0, 0xFFFF and an atom, or a text.
    std::string NameOrOrdinal()
    {
        WORD first;
        memcpy(&first, at_, 2);
        if (first == 0xFFFF) {
            Word();
            WORD atom = Word();
            switch (atom) {
            case 0x80: return "BUTTON";
            case 0x81: return "EDIT";
            case 0x82: return "STATIC";
            default: return "#" + std::to_string(atom);
            }
        }
        return Text();
    }
    void AlignDword() { at_ = (const BYTE *)(((ULONG_PTR)at_ + 3) & ~(ULONG_PTR)3); }

private:
    const BYTE *at_;
};

DialogTemplate ReadTemplate(int id)
{
    DialogTemplate dialog = {};
    HRSRC found = FindResourceA(AppInstance, MAKEINTRESOURCEA(id), (LPCSTR)RT_DIALOG);
    if (!found)
        return dialog;
    TemplateReader read((const BYTE *)LockResource(LoadResource(AppInstance, found)));
    dialog.style = read.Dword();
    EXPECT_EQ(0u, read.Dword()) << "extended style of dialog " << id;
    WORD count = read.Word();
    read.Word();
    read.Word();
    dialog.cx = (short)read.Word();
    dialog.cy = (short)read.Word();
    EXPECT_EQ("", read.NameOrOrdinal()) << "menu of dialog " << id;
    EXPECT_EQ("", read.NameOrOrdinal()) << "class of dialog " << id;
    dialog.caption = read.Text();
    dialog.pointSize = read.Word();
    dialog.font = read.Text();
    for (WORD i = 0; i < count; i++) {
        TemplateItem item;
        read.AlignDword();
        item.style = read.Dword();
        read.Dword();
        item.x = (short)read.Word();
        item.y = (short)read.Word();
        item.cx = (short)read.Word();
        item.cy = (short)read.Word();
        item.id = read.Word();
        item.className = read.NameOrOrdinal();
        item.text = read.NameOrOrdinal();
        WORD extra = read.Word();
        EXPECT_EQ(0, extra) << "creation data of control " << item.id;
        dialog.items.push_back(item);
    }
    return dialog;
}

const DWORD DialogStyle = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;

void ExpectItems(const DialogTemplate &dialog, const std::vector<TemplateItem> &expected)
{
    ASSERT_EQ(expected.size(), dialog.items.size()) << dialog.caption;
    for (size_t i = 0; i < expected.size(); i++) {
        const TemplateItem &want = expected[i];
        const TemplateItem &got = dialog.items[i];
        SCOPED_TRACE(dialog.caption + ", control " + std::to_string(want.id));
        EXPECT_EQ(want.id, got.id);
        EXPECT_STRCASEEQ(want.className.c_str(), got.className.c_str());
        EXPECT_EQ(want.text, got.text);
        EXPECT_EQ(want.style | WS_CHILD, got.style) << std::hex << got.style;
        EXPECT_EQ(want.x, got.x);
        EXPECT_EQ(want.y, got.y);
        EXPECT_EQ(want.cx, got.cx);
        EXPECT_EQ(want.cy, got.cy);
    }
}

TEST(DialogTemplates, WizardPageControlsStartHiddenButTextAndArtwork)
{
    DialogTemplate dialog = ReadTemplate(IDD_WIZARD_PAGE);
    EXPECT_EQ(DialogStyle, dialog.style) << std::hex << dialog.style;
    EXPECT_EQ("Starwake IV Setup", dialog.caption);
    EXPECT_EQ(276, dialog.cx);
    EXPECT_EQ(140, dialog.cy);
    EXPECT_EQ(8, dialog.pointSize);
    EXPECT_EQ("MS Sans Serif", dialog.font);
    ExpectItems(dialog, {
        { WS_VISIBLE | SS_LEFT, 86, 5, 184, 54, 1001, "STATIC", "text goes here." },
        { SS_LEFT, 86, 78, 85, 8, 1002, "STATIC", "Install to" },
        { WS_VISIBLE | SS_GRAYFRAME | SS_SUNKEN, 0, 0, 80, 140, 1003, "STATIC", "" },
        { WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 86, 93, 187, 11, 1004, "EDIT", "" },
        { WS_TABSTOP | BS_PUSHBUTTON, 86, 107, 73, 16, 1010, "BUTTON", "View Readme File" },
        { WS_TABSTOP | BS_AUTOCHECKBOX, 86, 127, 63, 11, 1005, "BUTTON", "Run Game Now" },
    });
}

TEST(DialogTemplates, LauncherHasItsButtonColumn)
{
    DialogTemplate dialog = ReadTemplate(IDD_LAUNCHER);
    EXPECT_EQ(DialogStyle, dialog.style) << std::hex << dialog.style;
    EXPECT_EQ("Starwake IV Launch", dialog.caption);
    EXPECT_EQ(414, dialog.cx);
    EXPECT_EQ(218, dialog.cy);
    EXPECT_EQ("MS Sans Serif", dialog.font);
    const DWORD button = WS_VISIBLE | WS_TABSTOP;
    ExpectItems(dialog, {
        { WS_VISIBLE | SS_GRAYFRAME | SS_SUNKEN, 4, 4, 298, 211, 1003, "STATIC", "" },
        { button | BS_DEFPUSHBUTTON, 310, 6, 96, 26, 1007, "BUTTON", "&Run Starwake IV" },
        { button | BS_PUSHBUTTON, 310, 38, 96, 26, 1011, "BUTTON", "&Uninstall Game" },
        { button | BS_PUSHBUTTON, 310, 70, 96, 26, 1009, "BUTTON", "R&econfigure Game" },
        { button | BS_PUSHBUTTON, 310, 102, 96, 26, 1010, "BUTTON", "&View Readme File" },
        { button | BS_PUSHBUTTON, 310, 134, 96, 26, IDCANCEL, "BUTTON", "&Cancel" },
        { button | BS_AUTOCHECKBOX, 310, 202, 96, 11, 1005, "BUTTON", "Show this menu on startup" },
    });
}

TEST(DialogTemplates, CopyProgressBox)
{
    DialogTemplate dialog = ReadTemplate(IDD_COPY_PROGRESS);
    EXPECT_EQ(DialogStyle, dialog.style) << std::hex << dialog.style;
    EXPECT_EQ("Copy Progress", dialog.caption);
    EXPECT_EQ(186, dialog.cx);
    EXPECT_EQ(95, dialog.cy);
    ExpectItems(dialog, {
        { WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 69, 73, 50, 14, IDCANCEL, "BUTTON", "Cancel" },
        { WS_VISIBLE | WS_GROUP | SS_LEFT, 8, 6, 170, 24, 1015, "STATIC", "Progress text" },
        { WS_VISIBLE | WS_BORDER, 5, 39, 176, 14, 1014, "msctls_progress32", "Generic1" },
    });
}

INT_PTR CALLBACK IdleDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

TEST(DialogTemplates, EveryTemplateCreatesWithItsControls)
{
    InitCommonControls();
    for (int id : { IDD_WIZARD_PAGE, IDD_LAUNCHER, IDD_COPY_PROGRESS }) {
        HWND dialog = CreateDialogParamA(AppInstance, MAKEINTRESOURCEA(id), nullptr, IdleDialogProc, 0);
        ASSERT_NE(nullptr, dialog) << "dialog " << id << ", error " << GetLastError();
        for (const TemplateItem &item : ReadTemplate(id).items)
            EXPECT_NE(nullptr, GetDlgItem(dialog, item.id)) << "dialog " << id << " control " << item.id;
        DestroyWindow(dialog);
    }
}

// ---- Pictures, icon and version ---------------------------------------------

const BITMAPINFOHEADER *LoadDib(int id, DWORD *size)
{
    HRSRC found = FindResourceA(AppInstance, MAKEINTRESOURCEA(id), (LPCSTR)RT_BITMAP);
    if (!found)
        return nullptr;
    *size = SizeofResource(AppInstance, found);
    return (const BITMAPINFOHEADER *)LockResource(LoadResource(AppInstance, found));
}

TEST(Pictures, WizardStripIsUncompressedFourBit)
{
    DWORD size = 0;
    const BITMAPINFOHEADER *dib = LoadDib(IDB_WIZARD_ART, &size);
    ASSERT_NE(nullptr, dib);
    EXPECT_EQ(40u, dib->biSize);
    EXPECT_EQ(80, dib->biWidth);
    EXPECT_EQ(140, dib->biHeight);
    EXPECT_EQ(4, dib->biBitCount);
    EXPECT_EQ((DWORD)BI_RGB, dib->biCompression);
    EXPECT_EQ(0u, dib->biClrUsed);
    // Header, 16 colours, then 140 rows of 40 bytes.
    EXPECT_EQ(40u + 16 * 4 + 140 * 40, size);
}

TEST(Pictures, LauncherPictureIsRle8WithFullPalette)
{
    DWORD size = 0;
    const BITMAPINFOHEADER *dib = LoadDib(IDB_LAUNCHER_ART, &size);
    ASSERT_NE(nullptr, dib);
    EXPECT_EQ(40u, dib->biSize);
    EXPECT_EQ(464, dib->biWidth);
    EXPECT_EQ(309, dib->biHeight);
    EXPECT_EQ(8, dib->biBitCount);
    EXPECT_EQ((DWORD)BI_RLE8, dib->biCompression);
    EXPECT_EQ(0u, dib->biClrUsed);
    ASSERT_GT(size, 40u + 256 * 4);
    EXPECT_EQ(size - 40 - 256 * 4, dib->biSizeImage);
    // The compressed bits end with the end-of-bitmap escape.
    const BYTE *end = (const BYTE *)dib + size;
    EXPECT_EQ(0, end[-2]);
    EXPECT_EQ(1, end[-1]);
}

TEST(Pictures, ProgramIconIsOne32x32SixteenColourImage)
{
    HRSRC found = FindResourceA(AppInstance, MAKEINTRESOURCEA(IDI_SETUP), (LPCSTR)RT_GROUP_ICON);
    ASSERT_NE(nullptr, found);
    const BYTE *group = (const BYTE *)LockResource(LoadResource(AppInstance, found));
    WORD count;
    memcpy(&count, group + 4, 2);
    ASSERT_EQ(1, count);
    EXPECT_EQ(32, group[6]);      // width
    EXPECT_EQ(32, group[7]);      // height
    EXPECT_EQ(16, group[8]);      // colours
    HICON icon = LoadIconA(AppInstance, MAKEINTRESOURCEA(IDI_SETUP));
    EXPECT_NE(nullptr, icon);
}

TEST(Version, FileAndProductVersionAre2_0_0_7)
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    DWORD ignored;
    DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));

    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", (void **)&fixed, &length));
    EXPECT_EQ(MAKELONG(0, 2), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(7, 0), fixed->dwFileVersionLS);
    EXPECT_EQ(MAKELONG(0, 2), fixed->dwProductVersionMS);
    EXPECT_EQ(MAKELONG(7, 0), fixed->dwProductVersionLS);

    char *description = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904e4\\FileDescription",
                               (void **)&description, &length));
    EXPECT_STREQ("Setup program for SW4 upgrade", description);
}

}  // namespace

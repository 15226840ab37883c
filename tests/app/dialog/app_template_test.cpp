// The dialog template and version resource as built into corvane.exe, read
// back from the file and parsed, compared with the layout the program must have.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

#include "app/resource.h"
#include "tests/support/dialog_driver.h"

namespace {

struct Item {
    int id;
    std::string className;
    std::string text;
    DWORD style;  // beyond WS_CHILD | WS_VISIBLE
    short x, y, cx, cy;
};

const std::vector<Item> kExpectedItems = {
    {IDOK, "BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 110, 45, 15},
    {200, "BUTTON", "", BS_AUTOCHECKBOX, 5, 35, 8, 9},
    {-1, "STATIC", "AntiAliasing", SS_LEFT | WS_GROUP, 20, 35, 94, 10},
    {-1, "STATIC", "Rage 128 Direct3D options:", SS_CENTER | WS_GROUP, 0, 5, 135, 10},
    {201, "BUTTON", "", BS_AUTOCHECKBOX | WS_TABSTOP, 5, 50, 10, 10},
    {-1, "STATIC", "Dithering", SS_LEFT | WS_GROUP, 20, 50, 35, 10},
    {202, "BUTTON", "", BS_AUTOCHECKBOX | WS_TABSTOP, 5, 65, 10, 10},
    {-1, "STATIC", "Enable Katmai Support", SS_LEFT | WS_GROUP, 20, 65, 90, 10},
    {203, "BUTTON", "", BS_AUTOCHECKBOX | WS_TABSTOP, 5, 80, 10, 10},
    {-1, "STATIC", "Use 8-bit paletted textures", SS_LEFT | WS_GROUP, 20, 80, 95, 10},
    {300, "BUTTON", "?", BS_PUSHBUTTON | WS_TABSTOP, 115, 35, 20, 10},
    {301, "BUTTON", "?", BS_PUSHBUTTON | WS_TABSTOP, 115, 50, 20, 10},
    {302, "BUTTON", "?", BS_PUSHBUTTON | WS_TABSTOP, 115, 65, 20, 10},
    {303, "BUTTON", "?", BS_PUSHBUTTON | WS_TABSTOP, 115, 80, 20, 10},
    {IDCANCEL, "BUTTON", "Cancel", BS_DEFPUSHBUTTON | WS_TABSTOP, 90, 110, 50, 15},
    {400, "BUTTON", "Restore Defualts", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 125, 140, 15},
    {401, "BUTTON", "About", BS_DEFPUSHBUTTON | WS_TABSTOP, 45, 110, 45, 15},
    {204, "BUTTON", "", BS_AUTOCHECKBOX | WS_TABSTOP, 5, 95, 10, 10},
    {-1, "STATIC", "Disable VSync", SS_LEFT | WS_GROUP, 20, 95, 90, 10},
    {304, "BUTTON", "?", BS_PUSHBUTTON | WS_TABSTOP, 115, 95, 20, 10},
    {-1, "STATIC", "", SS_BLACKRECT | SS_SUNKEN, 140, 0, 3, 140},
    {-1, "STATIC", "Direct3D Tests:", SS_CENTER | WS_GROUP, 145, 5, 145, 10},
    {500, "BUTTON", "Gourad Shaded Triangle", BS_PUSHBUTTON | WS_TABSTOP, 145, 25, 145, 15},
};

// Reads the variable-length parts of a DLGTEMPLATE: an ordinal (0xFFFF, n)
// or a zero-terminated UTF-16 string.
class TemplateReader {
public:
    TemplateReader(const BYTE* begin, DWORD size) : m_begin(begin), m_at(begin), m_end(begin + size) {}

    bool Failed() const { return m_failed; }
    template <typename T>
    T Read()
    {
        T value{};
        if (m_at + sizeof value > m_end) {
            m_failed = true;
            return value;
        }
        std::memcpy(&value, m_at, sizeof value);
        m_at += sizeof value;
        return value;
    }
    // "#n" for an ordinal, the text for a string.
    std::string ReadNameOrOrdinal()
    {
        WORD first = Read<WORD>();
        if (first == 0xFFFF)
            return "#" + std::to_string(Read<WORD>());
        std::string text;
        for (WORD c = first; c != 0 && !m_failed; c = Read<WORD>())
            text += c < 0x80 ? static_cast<char>(c) : '?';
        return text;
    }
    std::string ReadString()
    {
        std::string text;
        for (WORD c = Read<WORD>(); c != 0 && !m_failed; c = Read<WORD>())
            text += c < 0x80 ? static_cast<char>(c) : '?';
        return text;
    }
    void AlignToDword()
    {
        while ((m_at - m_begin) % sizeof(DWORD) != 0)
            ++m_at;
    }

private:
    const BYTE* m_begin;
    const BYTE* m_at;
    const BYTE* m_end;
    bool m_failed = false;
};

std::string ClassName(const std::string& nameOrOrdinal)
{
    if (nameOrOrdinal == "#128")
        return "BUTTON";
    if (nameOrOrdinal == "#130")
        return "STATIC";
    std::string upper = nameOrOrdinal;
    for (char& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return upper;
}

class CorvaneResources : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module = LoadLibraryExA(FileBesideThisProgram("corvane.exe").c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_TRUE(m_module) << "cannot load corvane.exe: " << GetLastError();
    }
    void TearDown() override
    {
        if (m_module)
            FreeLibrary(m_module);
    }
    // The resource's bytes, or an empty vector.
    std::vector<BYTE> Resource(LPCSTR type, LPCSTR name, WORD language)
    {
        HRSRC found = FindResourceExA(m_module, type, name, language);
        if (!found)
            return {};
        HGLOBAL loaded = LoadResource(m_module, found);
        const BYTE* bytes = static_cast<const BYTE*>(LockResource(loaded));
        DWORD size = SizeofResource(m_module, found);
        return bytes ? std::vector<BYTE>(bytes, bytes + size) : std::vector<BYTE>();
    }

    HMODULE m_module = nullptr;
};

}  // namespace

TEST_F(CorvaneResources, DialogTemplateMatchesTheLayout)
{
    const WORD usEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    std::vector<BYTE> bytes = Resource(RT_DIALOG, MAKEINTRESOURCEA(IDD_CONFIG), usEnglish);
    ASSERT_FALSE(bytes.empty()) << "no US English dialog " << IDD_CONFIG;
    TemplateReader reader(bytes.data(), static_cast<DWORD>(bytes.size()));

    DWORD style = reader.Read<DWORD>();
    ASSERT_NE(0xFFFF0001u, style) << "an extended template; the plain form is expected";
    EXPECT_EQ(static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_SETFONT),
              style) << std::hex << "style 0x" << style;
    EXPECT_EQ(0u, reader.Read<DWORD>()) << "extended style";
    WORD count = reader.Read<WORD>();
    EXPECT_EQ(kExpectedItems.size(), count);
    short x = reader.Read<short>(), y = reader.Read<short>();
    short cx = reader.Read<short>(), cy = reader.Read<short>();
    EXPECT_EQ("18,30 292x141", std::to_string(x) + "," + std::to_string(y) + " " +
                                   std::to_string(cx) + "x" + std::to_string(cy));
    EXPECT_EQ("", reader.ReadNameOrOrdinal()) << "menu";
    EXPECT_EQ("", reader.ReadNameOrOrdinal()) << "class";
    EXPECT_EQ("Corvane 1.1", reader.ReadString());
    EXPECT_EQ(8, reader.Read<WORD>()) << "point size";
    EXPECT_EQ("MS Sans Serif", reader.ReadString());

    for (size_t i = 0; i < count && i < kExpectedItems.size(); ++i) {
        const Item& expected = kExpectedItems[i];
        SCOPED_TRACE("control " + std::to_string(i + 1) + " \"" + expected.text + "\"");
        reader.AlignToDword();
        DWORD itemStyle = reader.Read<DWORD>();
        DWORD itemExStyle = reader.Read<DWORD>();
        short ix = reader.Read<short>(), iy = reader.Read<short>();
        short icx = reader.Read<short>(), icy = reader.Read<short>();
        short id = static_cast<short>(reader.Read<WORD>());
        std::string className = ClassName(reader.ReadNameOrOrdinal());
        std::string text = reader.ReadNameOrOrdinal();
        WORD extra = reader.Read<WORD>();
        ASSERT_FALSE(reader.Failed()) << "template ends early";

        EXPECT_EQ(expected.id, id);
        EXPECT_EQ(expected.className, className);
        EXPECT_EQ(expected.text, text);
        EXPECT_EQ(expected.style | WS_CHILD | WS_VISIBLE, itemStyle)
            << std::hex << "style 0x" << itemStyle;
        EXPECT_EQ(0u, itemExStyle);
        EXPECT_EQ(expected.x, ix);
        EXPECT_EQ(expected.y, iy);
        EXPECT_EQ(expected.cx, icx);
        EXPECT_EQ(expected.cy, icy);
        EXPECT_EQ(0, extra) << "creation data";
    }
}

TEST_F(CorvaneResources, VersionNamesCorvaneOnePointOne)
{
    std::vector<BYTE> block = Resource(RT_VERSION, MAKEINTRESOURCEA(VS_VERSION_INFO),
                                       MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    ASSERT_FALSE(block.empty()) << "no version resource";
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(MAKELONG(1, 1), fixed->dwProductVersionMS) << std::hex << fixed->dwProductVersionMS;
    // For any 32-bit Windows, Windows 98 and ME too, not for Windows NT alone.
    EXPECT_EQ(static_cast<DWORD>(VOS__WINDOWS32), fixed->dwFileOS) << std::hex << fixed->dwFileOS;
    char* product = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904E4\\ProductName",
                               reinterpret_cast<void**>(&product), &size));
    EXPECT_STREQ("Corvane", product);
    char* version = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904E4\\ProductVersion",
                               reinterpret_cast<void**>(&version), &size));
    EXPECT_STREQ("1.1", version);
}

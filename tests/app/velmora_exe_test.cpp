// Velmora.exe itself: its resources read back with the Win32 resource API,
// and the program started, driven and closed as a separate process.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/ui/dialog_driver.h"

using namespace dialog_driver;

namespace {

const std::string kExe = std::string("Z:") + VELMORA_EXE;
const WORD kLanguage = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED); // 0x0804

// Reads a resource template field by field, as the dialog manager does.
class Reader {
public:
    Reader(const void* data, size_t size)
        : m_base(static_cast<const BYTE*>(data)), m_end(m_base + size), m_p(m_base) {}

    template <class T> T Get() {
        T value = {};
        if (m_p + sizeof(T) <= m_end)
            memcpy(&value, m_p, sizeof(T));
        m_p += sizeof(T);
        return value;
    }
    std::wstring String() {
        std::wstring text;
        for (WCHAR c; (c = Get<WCHAR>()) != 0 && m_p <= m_end;)
            text += c;
        return text;
    }
    // A string, or an ordinal written as "#n"; empty for none.
    std::wstring StringOrOrdinal() {
        const WCHAR first = Get<WCHAR>();
        if (first == 0)
            return L"";
        if (first == 0xFFFF)
            return L"#" + std::to_wstring(Get<WORD>());
        m_p -= sizeof(WCHAR);
        return String();
    }
    void AlignDword() { m_p = m_base + ((m_p - m_base + 3) & ~3); }
    bool Overrun() const { return m_p > m_end; }

private:
    const BYTE* m_base;
    const BYTE* m_end;
    const BYTE* m_p;
};

struct Control {
    int id;
    std::wstring className, text;
    DWORD style, exStyle, helpId;
    short x, y, cx, cy;
};

struct Dialog {
    DWORD style, exStyle, helpId;
    short x, y, cx, cy;
    std::wstring menu, className, title, face;
    WORD points, weight;
    BYTE italic, charset;
    std::vector<Control> controls;
};

// The dialog manager's ordinals for the predefined classes.
std::wstring ClassOf(std::wstring name) {
    if (name == L"#128")
        return L"BUTTON";
    if (name == L"#129")
        return L"EDIT";
    if (name == L"#130")
        return L"STATIC";
    for (WCHAR& c : name)
        c = static_cast<WCHAR>(towupper(c)); // class names are looked up without case
    return name;
}

Dialog ParseDialog(const void* data, size_t size) {
    Reader r(data, size);
    Dialog d = {};
    const bool extended = r.Get<WORD>() == 1 && r.Get<WORD>() == 0xFFFF;
    if (!extended)
        r = Reader(data, size);
    if (extended) {
        d.helpId = r.Get<DWORD>();
        d.exStyle = r.Get<DWORD>();
        d.style = r.Get<DWORD>();
    } else {
        d.style = r.Get<DWORD>();
        d.exStyle = r.Get<DWORD>();
    }
    const WORD count = r.Get<WORD>();
    d.x = r.Get<short>(), d.y = r.Get<short>(), d.cx = r.Get<short>(), d.cy = r.Get<short>();
    d.menu = r.StringOrOrdinal();
    d.className = r.StringOrOrdinal();
    d.title = r.String();
    if (d.style & DS_SETFONT) {
        d.points = r.Get<WORD>();
        if (extended) {
            d.weight = r.Get<WORD>();
            d.italic = r.Get<BYTE>();
            d.charset = r.Get<BYTE>();
        }
        d.face = r.String();
    }
    for (WORD i = 0; i < count && !r.Overrun(); ++i) {
        r.AlignDword();
        Control c = {};
        if (extended) {
            c.helpId = r.Get<DWORD>();
            c.exStyle = r.Get<DWORD>();
            c.style = r.Get<DWORD>();
        } else {
            c.style = r.Get<DWORD>();
            c.exStyle = r.Get<DWORD>();
        }
        c.x = r.Get<short>(), c.y = r.Get<short>(), c.cx = r.Get<short>(), c.cy = r.Get<short>();
        c.id = extended ? static_cast<int>(r.Get<DWORD>()) : static_cast<short>(r.Get<WORD>());
        c.className = ClassOf(r.StringOrOrdinal());
        c.text = r.StringOrOrdinal();
        const WORD extra = r.Get<WORD>();
        for (WORD skip = 0; skip < extra; ++skip)
            r.Get<BYTE>();
        EXPECT_EQ(extra, 0) << "creation data of control " << i;
        d.controls.push_back(c);
    }
    EXPECT_FALSE(r.Overrun()) << "template shorter than its contents";
    return d;
}

class VelmoraResources : public ::testing::Test {
protected:
    void SetUp() override {
        m_module = ::LoadLibraryExA(kExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(m_module, nullptr) << kExe;
    }
    void TearDown() override {
        if (m_module)
            ::FreeLibrary(m_module);
    }

    // The resource in Chinese (PRC) only: the program carries no other language.
    std::string Resource(const char* type, int id) {
        HRSRC hRes = ::FindResourceExA(m_module, type, MAKEINTRESOURCEA(id), kLanguage);
        if (!hRes)
            return "";
        const char* p = static_cast<const char*>(::LockResource(::LoadResource(m_module, hRes)));
        return std::string(p, ::SizeofResource(m_module, hRes));
    }

    HMODULE m_module = nullptr;
};

void ExpectControls(const Dialog& d, const std::vector<Control>& expected) {
    ASSERT_EQ(d.controls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const Control &got = d.controls[i], &want = expected[i];
        SCOPED_TRACE("control " + std::to_string(i + 1));
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.className, want.className);
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ(got.style, want.style);
        EXPECT_EQ(got.exStyle, 0u);
        EXPECT_EQ(got.helpId, 0u);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
    }
}

TEST_F(VelmoraResources, MainDialogTemplate) {
    const std::string data = Resource(RT_DIALOG, IDD_MAIN);
    ASSERT_FALSE(data.empty());
    ASSERT_EQ(*reinterpret_cast<const WORD*>(data.data() + 2), 0xFFFF) << "not a DIALOGEX";
    const Dialog d = ParseDialog(data.data(), data.size());
    EXPECT_EQ(d.style, 0x90C800C0u);
    EXPECT_EQ(d.exStyle, static_cast<DWORD>(WS_EX_APPWINDOW));
    EXPECT_EQ(d.helpId, 0u);
    EXPECT_EQ(d.x, 0);
    EXPECT_EQ(d.y, 0);
    EXPECT_EQ(d.cx, 337);
    EXPECT_EQ(d.cy, 152);
    EXPECT_EQ(d.menu, L"");
    EXPECT_EQ(d.className, L"");
    EXPECT_EQ(d.title, L"QQ空间音乐查询，QQ空间音乐克隆(双击复制歌曲地址)");
    EXPECT_EQ(d.points, 9);
    EXPECT_EQ(d.weight, 0);
    EXPECT_EQ(d.italic, 0);
    EXPECT_EQ(d.charset, DEFAULT_CHARSET);
    EXPECT_EQ(d.face, L"宋体");
    ExpectControls(
        d, {
               {IDC_QQ_EDIT, L"EDIT", L"", 0x50810080, 0, 0, 37, 7, 102, 14},
               {IDC_STATIC, L"STATIC", L"QQ:", 0x50020000, 0, 0, 7, 7, 13, 8},
               {IDC_GET_MUSIC, L"BUTTON", L"获取音乐", 0x50010000, 0, 0, 210, 7, 50, 14},
               {IDC_SITE_LINK, L"STATIC", L"QQ空间克隆网站", 0x50020000, 0, 0, 140, 136, 57, 9},
               {IDC_SONG_LIST, L"SYSLISTVIEW32", L"List1", 0x50818001, 0, 0, 7, 32, 323, 102},
           });
}

TEST_F(VelmoraResources, AboutBoxTemplate) {
    const std::string data = Resource(RT_DIALOG, IDD_ABOUTBOX);
    ASSERT_FALSE(data.empty());
    ASSERT_NE(*reinterpret_cast<const WORD*>(data.data() + 2), 0xFFFF) << "extended template";
    const Dialog d = ParseDialog(data.data(), data.size());
    EXPECT_EQ(d.style, 0x80C800C0u);
    EXPECT_EQ(d.exStyle, 0u);
    EXPECT_EQ(d.cx, 235);
    EXPECT_EQ(d.cy, 55);
    EXPECT_EQ(d.x, 0);
    EXPECT_EQ(d.y, 0);
    EXPECT_EQ(d.menu, L"");
    EXPECT_EQ(d.className, L"");
    EXPECT_EQ(d.title, L"关于 Velmora");
    EXPECT_EQ(d.points, 9);
    EXPECT_EQ(d.face, L"宋体");
    ExpectControls(d,
                   {
                       {IDC_STATIC, L"STATIC", L"#128", 0x50000003, 0, 0, 11, 17, 20, 20},
                       {IDC_STATIC, L"STATIC", L"Velmora 1.0 版", 0x50020080, 0, 0, 40, 10, 119, 8},
                       {IDOK, L"BUTTON", L"确定", 0x50030001, 0, 0, 178, 7, 50, 14},
                   });
}

TEST_F(VelmoraResources, AboutItemTextAndIcons) {
    // String 101 is entry 5 of block 7 (ids 96 to 111): counted UTF-16 strings.
    const std::string block = Resource(RT_STRING, IDS_ABOUTBOX / 16 + 1);
    ASSERT_FALSE(block.empty());
    Reader r(block.data(), block.size());
    std::wstring text;
    for (int entry = 0; entry <= IDS_ABOUTBOX % 16; ++entry) {
        text.clear();
        for (WORD n = r.Get<WORD>(); n > 0; --n)
            text += r.Get<WCHAR>();
    }
    EXPECT_EQ(text, L"关于 Velmora(&A)...");

    const std::string group = Resource(RT_GROUP_ICON, IDR_MAINFRAME);
    ASSERT_FALSE(group.empty());
    Reader g(group.data(), group.size());
    EXPECT_EQ(g.Get<WORD>(), 0);
    EXPECT_EQ(g.Get<WORD>(), 1);
    ASSERT_EQ(g.Get<WORD>(), 2);
    const int sizes[] = {32, 16};
    for (int size : sizes) {
        SCOPED_TRACE("icon " + std::to_string(size));
        EXPECT_EQ(g.Get<BYTE>(), size);
        EXPECT_EQ(g.Get<BYTE>(), size);
        EXPECT_EQ(g.Get<BYTE>(), 16); // colours
        g.Get<BYTE>();
        EXPECT_EQ(g.Get<WORD>(), 1); // planes
        EXPECT_EQ(g.Get<WORD>(), 4); // bits per pixel
        const DWORD bytes = g.Get<DWORD>();
        const WORD id = g.Get<WORD>();
        const std::string image = Resource(RT_ICON, id);
        ASSERT_EQ(image.size(), bytes);
        BITMAPINFOHEADER header;
        memcpy(&header, image.data(), sizeof(header));
        EXPECT_EQ(header.biWidth, size);
        EXPECT_EQ(header.biHeight, 2 * size); // the picture and its mask
        EXPECT_EQ(header.biBitCount, 4);
    }
}

TEST(VelmoraVersion, RecordMatchesTheRelease) {
    const std::wstring path(kExe.begin(), kExe.end());
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&pFixed), &length));
    EXPECT_EQ(pFixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(pFixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(pFixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(pFixed->dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(pFixed->dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(pFixed->dwFileFlags, 0u);
    EXPECT_EQ(pFixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(pFixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(pFixed->dwFileSubtype, 0u);

    WORD* pTranslation = nullptr;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                                 reinterpret_cast<void**>(&pTranslation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(pTranslation[0], 0x0804);
    EXPECT_EQ(pTranslation[1], 1200);

    struct {
        const wchar_t* key;
        const wchar_t* value;
    } const strings[] = {
        {L"Comments", L""},
        {L"CompanyName", L""},
        {L"FileDescription", L""},
        {L"FileVersion", L"1, 0, 0, 1"},
        {L"InternalName", L"Velmora"},
        {L"LegalTrademarks", L""},
        {L"OriginalFilename", L"Velmora.EXE"},
        {L"PrivateBuild", L""},
        {L"ProductName", L"Velmora 应用程序"},
        {L"ProductVersion", L"1, 0, 0, 1"},
        {L"SpecialBuild", L""},
    };
    for (const auto& s : strings) {
        const std::wstring query = std::wstring(L"\\StringFileInfo\\080404b0\\") + s.key;
        wchar_t* pValue = nullptr;
        EXPECT_TRUE(::VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&pValue),
                                     &length))
            << "missing key";
        EXPECT_EQ(std::wstring(pValue ? pValue : L"<none>"), s.value)
            << "key index " << &s - strings;
    }
}

struct WindowQuery {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchMainWindow(HWND hWnd, LPARAM lParam) {
    WindowQuery* pQuery = reinterpret_cast<WindowQuery*>(lParam);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(hWnd, &processId);
    if (processId != pQuery->processId || ClassName(hWnd) != "#32770" ||
        Text(hWnd) != "QQ空间音乐查询，QQ空间音乐克隆(双击复制歌曲地址)")
        return TRUE;
    pQuery->found = hWnd;
    return FALSE;
}

// Started as a person would start it: the main window shows the default
// number, the about box opens from the system menu, and the close box ends
// the process with exit code 0.
TEST(VelmoraProcess, StartsShowsAboutBoxAndEndsOnClose) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string command = "\"" + kExe + "\"";
    char szTemp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, szTemp);
    ASSERT_TRUE(::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, szTemp,
                                 &startup, &process))
        << kExe;

    WindowQuery query = {process.dwProcessId, nullptr};
    WaitFor(
        [&] {
            ::EnumWindows(&MatchMainWindow, reinterpret_cast<LPARAM>(&query));
            return query.found != nullptr;
        },
        15000);
    HWND hMain = query.found;
    EXPECT_NE(hMain, nullptr) << "no main window";
    if (hMain) {
        EXPECT_EQ(Text(::GetDlgItem(hMain, IDC_QQ_EDIT)), "123456789");
        const DWORD uiThread = ::GetWindowThreadProcessId(hMain, nullptr);
        ::PostMessageA(hMain, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        HWND hAbout = WaitForDialog(uiThread, "关于 Velmora", hMain);
        EXPECT_NE(hAbout, nullptr) << "no about box";
        if (hAbout) {
            EXPECT_TRUE(CloseDialog(hAbout, IDCANCEL));
        }
        ::PostMessageA(hMain, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    const bool ended = ::WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0;
    EXPECT_TRUE(ended) << "still running";
    DWORD exitCode = 1;
    if (ended) {
        ::GetExitCodeProcess(process.hProcess, &exitCode);
        EXPECT_EQ(exitCode, 0u);
    } else {
        ::TerminateProcess(process.hProcess, 1);
        ::WaitForSingleObject(process.hProcess, 5000);
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
}

} // namespace

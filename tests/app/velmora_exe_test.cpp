// Velmora.exe's resources read back with the Win32 resource API. The program as a process is
// driven by tests/e2e, its about box by the main window's tests.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "res/resource.h"

namespace {

const std::string kExe = std::string("Z:") + VELMORA_EXE;

// Reads a resource field by field; past its end it reads zeros.
struct Reader {
    const std::string data;
    const BYTE *base = reinterpret_cast<const BYTE*>(data.data()), *end = base + data.size(), *p = base;
    template <class T> T Get() {
        T value = {};
        if (p + sizeof(T) <= end)
            memcpy(&value, p, sizeof(T));
        p += sizeof(T);
        return value;
    }
    std::wstring String() {
        std::wstring text;
        for (WCHAR c; (c = Get<WCHAR>()) != 0 && p <= end;)
            text += c;
        return text;
    }
    std::wstring StringOrOrdinal() { // an ordinal as "#n"
        const WCHAR first = Get<WCHAR>();
        if (first == 0xFFFF)
            return L"#" + std::to_wstring(Get<WORD>());
        return first == 0 ? L"" : first + String();
    }
    // `n` numbers of type T, each followed by a space; styles in hex.
    template <class T> std::wstring Numbers(int n, bool hex = false) {
        std::wstring out;
        for (wchar_t b[16]; n-- > 0; out += b)
            swprintf(b, 16, hex ? L"%X " : L"%d ", static_cast<int>(Get<T>()));
        return out;
    }
};

// The parts in order: the elements of a braced list are evaluated from left to right.
std::wstring Join(std::initializer_list<std::wstring> parts) {
    std::wstring joined;
    for (const std::wstring& part : parts)
        joined += part;
    return joined;
}

// One line for the dialog and one per control, every field the dialog manager reads; the styles
// are help id, extended style and style for a DIALOGEX, style and extended style for a DIALOG.
std::vector<std::wstring> DescribeDialog(const std::string& data) {
    Reader r{data};
    const bool ex = r.Get<DWORD>() == 0xFFFF0001;
    if (!ex)
        r.p = r.base;
    const std::wstring styles = r.Numbers<DWORD>(ex ? 3 : 2, true);
    const WORD count = r.Get<WORD>();
    std::vector<std::wstring> lines = {Join({styles, r.Numbers<short>(4), L"[", r.StringOrOrdinal(),
                                             L"][", r.StringOrOrdinal(), L"] ", r.String(), L" ",
                                             r.Numbers<WORD>(ex ? 2 : 1), r.Numbers<BYTE>(ex ? 2 : 0),
                                             r.String()})};
    const wchar_t* predefined[] = {L"BUTTON", L"EDIT", L"STATIC"}; // ordinals 128 to 130
    for (WORD i = 0; i < count; ++i) {
        r.p = r.base + ((r.p - r.base + 3) & ~3);
        const std::wstring line = Join({r.Numbers<DWORD>(ex ? 3 : 2, true), r.Numbers<short>(4),
                                        ex ? r.Numbers<int>(1) : r.Numbers<short>(1)});
        std::wstring name = r.StringOrOrdinal();
        for (int n = 128; n <= 130; ++n)
            name = name == L"#" + std::to_wstring(n) ? predefined[n - 128] : name;
        for (wchar_t& c : name)
            c = static_cast<wchar_t>(std::towupper(c)); // classes are found without case
        lines.push_back(line + name + L" [" + r.StringOrOrdinal() + L"]");
        EXPECT_EQ(r.Get<WORD>(), 0) << "creation data of control " << i;
    }
    EXPECT_LE(r.p, r.end) << "template shorter than its contents";
    return lines;
}

class VelmoraResources : public ::testing::Test {
protected:
    void SetUp() override {
        m_module = ::LoadLibraryExA(kExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(m_module, nullptr) << kExe;
    }
    void TearDown() override { ::FreeLibrary(m_module); }

    // In Chinese (PRC) only: the program carries no other language.
    std::string Resource(const char* type, int id) {
        HRSRC h = ::FindResourceExA(m_module, type, MAKEINTRESOURCEA(id),
                                    MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
        const char* p = h ? static_cast<const char*>(::LockResource(::LoadResource(m_module, h)))
                          : nullptr;
        return p ? std::string(p, ::SizeofResource(m_module, h)) : "";
    }
    HMODULE m_module = nullptr;
};

TEST_F(VelmoraResources, DialogTemplates) {
    const std::vector<std::wstring> main = {
        L"0 40000 90C800C0 0 0 337 152 [][] QQ空间音乐查询，QQ空间音乐克隆(双击复制歌曲地址) 9 0 0 1 宋体",
        L"0 0 50810080 37 7 102 14 1002 EDIT []",
        L"0 0 50020000 7 7 13 8 -1 STATIC [QQ:]",
        L"0 0 50010000 210 7 50 14 1006 BUTTON [获取音乐]",
        L"0 0 50020000 140 136 57 9 1007 STATIC [QQ空间克隆网站]",
        L"0 0 50818001 7 32 323 102 1008 SYSLISTVIEW32 [List1]",
    };
    const std::vector<std::wstring> about = {
        L"80C800C0 0 0 0 235 55 [][] 关于 Velmora 9 宋体",
        L"50000003 0 11 17 20 20 -1 STATIC [#128]",
        L"50020080 0 40 10 119 8 -1 STATIC [Velmora 1.0 版]",
        L"50030001 0 178 7 50 14 1 BUTTON [确定]",
    };
    EXPECT_EQ(DescribeDialog(Resource(RT_DIALOG, IDD_MAIN)), main);
    EXPECT_EQ(DescribeDialog(Resource(RT_DIALOG, IDD_ABOUTBOX)), about);
}

TEST_F(VelmoraResources, AboutItemTextAndIcons) {
    // Counted UTF-16 strings, 16 to a block: 101 is entry 5 of block 7.
    Reader block{Resource(RT_STRING, IDS_ABOUTBOX / 16 + 1)};
    std::wstring text;
    for (int entry = 0; entry <= IDS_ABOUTBOX % 16; ++entry)
        for (WORD n = block.Get<WORD>(), i = (text.clear(), 0); i < n; ++i)
            text += block.Get<WCHAR>();
    EXPECT_EQ(text, L"关于 Velmora(&A)...");

    // Reserved, type 1 (icons), two images: 32 and 16 pixels, 16 colours, reserved, 1 plane, 4 bits.
    Reader group{Resource(RT_GROUP_ICON, IDR_MAINFRAME)};
    ASSERT_EQ(group.Numbers<WORD>(3), L"0 1 2 ");
    for (int size : {32, 16}) {
        EXPECT_EQ(Join({group.Numbers<BYTE>(4), group.Numbers<WORD>(2)}),
                  std::to_wstring(size) + L" " + std::to_wstring(size) + L" 16 0 1 4 ");
        const DWORD bytes = group.Get<DWORD>();
        const std::string image = Resource(RT_ICON, group.Get<WORD>());
        ASSERT_EQ(image.size(), bytes) << size;
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
    std::vector<BYTE> info(::GetFileVersionInfoSizeW(path.c_str(), &ignored));
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, info.size(), info.data()));
    UINT length = 0;
    auto query = [&](const std::wstring& key) {
        void* p = nullptr;
        return ::VerQueryValueW(info.data(), key.c_str(), &p, &length) ? p : nullptr;
    };

    // File and product version 1.0.0.1, flags mask, flags, OS, type, subtype.
    const DWORD* pFixed = static_cast<const DWORD*>(query(L"\\"));
    ASSERT_NE(pFixed, nullptr);
    const DWORD fixed[] = {0x10000, 1, 0x10000, 1, 0x3F, 0, VOS__WINDOWS32, VFT_APP, 0};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(pFixed[2 + i], fixed[i]) << "field " << 2 + i;
    const WORD* pLanguage = static_cast<const WORD*>(query(L"\\VarFileInfo\\Translation"));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(pLanguage[0] | pLanguage[1] << 16, 0x0804 | 1200 << 16); // Chinese (PRC), UTF-16

    const wchar_t* strings[][2] = {
        {L"Comments", L""}, {L"CompanyName", L""}, {L"FileDescription", L""},
        {L"FileVersion", L"1, 0, 0, 1"}, {L"InternalName", L"Velmora"}, {L"LegalTrademarks", L""},
        {L"OriginalFilename", L"Velmora.EXE"}, {L"PrivateBuild", L""},
        {L"ProductName", L"Velmora 应用程序"}, {L"ProductVersion", L"1, 0, 0, 1"},
        {L"SpecialBuild", L""},
    };
    for (const auto& s : strings) {
        auto value = static_cast<const wchar_t*>(query(L"\\StringFileInfo\\080404b0\\" + std::wstring(s[0])));
        EXPECT_EQ(std::wstring(value ? value : L"<missing>"), s[1]) << s[0];
    }
}

} // namespace

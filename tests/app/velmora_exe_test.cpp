// Velmora.exe read without running it: its version record as Explorer shows it and, where this
// machine cannot run 32-bit programs, the 32-bit program itself: its headers and imports, and its
// resources byte for byte against this build's own Velmora.exe, which the window tests run.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "res/resource.h"

namespace {

const std::string kExe = std::string("Z:") + VELMORA_EXE;

// Explorer's way: the first translation names the string block; the texts agree with the numbers.
TEST(VelmoraExe, VersionRecordIsChineseAndItsTextsAgreeWithItsNumbers) {
    std::string info(::GetFileVersionInfoSizeA(kExe.c_str(), nullptr), '\0');
    ASSERT_TRUE(::GetFileVersionInfoA(kExe.c_str(), 0, info.size(), &info[0]));
    auto query = [&](const std::string& key) {
        UINT length = 0;
        void* p = nullptr;
        return ::VerQueryValueA(&info[0], key.c_str(), &p, &length) ? static_cast<char*>(p) : "";
    };
    const WORD* language = reinterpret_cast<const WORD*>(query("\\VarFileInfo\\Translation"));
    ASSERT_EQ(language[0] | language[1] << 16, 0x0804 | 1200 << 16); // Chinese (PRC), UTF-16
    const auto* fixed = reinterpret_cast<const VS_FIXEDFILEINFO*>(query("\\"));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    char numbers[64];
    snprintf(numbers, sizeof numbers, "%lu, %lu, %lu, %lu", fixed->dwFileVersionMS >> 16,
             fixed->dwFileVersionMS & 0xFFFF, fixed->dwFileVersionLS >> 16,
             fixed->dwFileVersionLS & 0xFFFF);
    EXPECT_NE(fixed->dwFileVersionMS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    for (const char* key : {"FileVersion", "ProductVersion"})
        EXPECT_STREQ(query(std::string("\\StringFileInfo\\080404b0\\") + key), numbers) << key;
    EXPECT_STREQ(query("\\StringFileInfo\\080404b0\\ProductName"), "Velmora 应用程序");
}

#ifdef VELMORA_PE32
const std::string kPe32 = std::string("Z:") + VELMORA_PE32;

// Mapped as an image, sections where they would run, but never run; 0 when it cannot be.
const BYTE* MapImage(const std::string& path) {
    const HMODULE module = ::LoadLibraryExA(
        path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    return reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(module) & ~ULONG_PTR(3));
}

TEST(Pe32Twin, IsA32BitGuiProgramThatImportsOnlySystemDlls) {
    const BYTE* base = MapImage(kPe32);
    ASSERT_NE(base, nullptr) << kPe32;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(nt->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    std::set<std::string> imports;
    const DWORD table =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + table);
         table && entry->Name; ++entry) {
        std::string name = reinterpret_cast<const char*>(base + entry->Name);
        imports.insert(::CharLowerA(&name[0]));
    }
    EXPECT_TRUE(imports.count("kernel32.dll") && imports.count("ws2_32.dll")) << "none read";
    const std::set<std::string> system = {"advapi32.dll", "comctl32.dll", "gdi32.dll",
                                          "kernel32.dll", "msvcrt.dll",   "shell32.dll",
                                          "user32.dll",   "ws2_32.dll"};
    for (const std::string& dll : imports)
        EXPECT_TRUE(system.count(dll)) << "imports " << dll << ", which Windows does not ship";
}

// "type name language" of every resource, integer ids as "#n", with its bytes.
using Resources = std::map<std::string, std::string>;

std::string Id(const char* id) {
    return IS_INTRESOURCE(id) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(id)) : id;
}

BOOL CALLBACK AddLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR all) {
    HRSRC found = ::FindResourceExA(module, type, name, language);
    const char* data = static_cast<const char*>(::LockResource(::LoadResource(module, found)));
    (*reinterpret_cast<Resources*>(
        all))[Id(type) + " " + Id(name) + " " + std::to_string(language)] =
        data ? std::string(data, ::SizeofResource(module, found)) : "<unreadable>";
    return TRUE;
}

BOOL CALLBACK AddName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR all) {
    return ::EnumResourceLanguagesA(module, type, name, &AddLanguage, all);
}

BOOL CALLBACK AddType(HMODULE module, LPSTR type, LONG_PTR all) {
    return ::EnumResourceNamesA(module, type, &AddName, all);
}

Resources ResourcesOf(const std::string& path) {
    Resources all;
    if (const BYTE* image = MapImage(path))
        ::EnumResourceTypesA(HMODULE(image + 2), &AddType, reinterpret_cast<LONG_PTR>(&all));
    return all;
}

TEST(Pe32Twin, ResourcesEqualThoseOfThe64BitBuildByteForByte) {
    const Resources pe32 = ResourcesOf(kPe32), twin = ResourcesOf(kExe);
    // The ones the program uses must be there at all, so that two empty tables cannot agree.
    const auto key = [](int type, int id) {
        return Id(MAKEINTRESOURCEA(type)) + " " + Id(MAKEINTRESOURCEA(id)) + " " +
               std::to_string(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
    };
    for (const std::string& used :
         {key(5, IDD_ABOUTBOX), key(5, IDD_MAIN), key(6, IDS_ABOUTBOX / 16 + 1),
          key(14, IDR_MAINFRAME), key(16, 1)})
        EXPECT_TRUE(pe32.count(used)) << used << " is missing";
    EXPECT_EQ(pe32.size(), twin.size());
    for (const auto& entry : pe32)
        EXPECT_TRUE(twin.count(entry.first) && twin.at(entry.first) == entry.second)
            << entry.first << " is missing from the twin or differs";
}
#endif

} // namespace

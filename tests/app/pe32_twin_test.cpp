// The 32-bit Velmora.exe checked without running it, from this 64-bit build: on machines that
// cannot run 32-bit programs this is all that checks the product itself. Its headers and imports
// are read from the file; its resources are loaded as data and compared, entry by entry and byte
// for byte, with those of this build's own Velmora.exe, which the other tests run.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <tuple>

#include "res/resource.h"

namespace {

const std::string kPe32 = std::string("Z:") + VELMORA_PE32;
const std::string kTwin = std::string("Z:") + VELMORA_EXE;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A structure at `offset` of the file, or an all-zero one past its end.
template <class T> T At(const std::string& file, size_t offset) {
    T value = {};
    if (offset <= file.size() && file.size() - offset >= sizeof(T))
        memcpy(&value, file.data() + offset, sizeof(T));
    return value;
}

struct Image {
    std::string file;
    IMAGE_FILE_HEADER header = {};
    IMAGE_OPTIONAL_HEADER32 optional = {};
    size_t sections = 0; // file offset of the section table

    explicit Image(const std::string& path) : file(ReadFile(path)) {
        const auto dos = At<IMAGE_DOS_HEADER>(file, 0);
        const size_t nt = static_cast<size_t>(dos.e_lfanew);
        if (dos.e_magic != IMAGE_DOS_SIGNATURE || At<DWORD>(file, nt) != IMAGE_NT_SIGNATURE)
            return;
        header = At<IMAGE_FILE_HEADER>(file, nt + 4);
        optional = At<IMAGE_OPTIONAL_HEADER32>(file, nt + 4 + sizeof header);
        sections = nt + 4 + sizeof header + header.SizeOfOptionalHeader;
    }

    // The file offset of a relative virtual address, or 0 when no section holds it.
    size_t Offset(DWORD rva) const {
        for (WORD i = 0; i < header.NumberOfSections; ++i) {
            const auto s =
                At<IMAGE_SECTION_HEADER>(file, sections + i * sizeof(IMAGE_SECTION_HEADER));
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData)
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        return 0;
    }

    std::string String(DWORD rva) const {
        const size_t at = Offset(rva);
        return at ? std::string(file.c_str() + at) : std::string();
    }

    // The names of the DLLs it imports from, in lower case.
    std::set<std::string> Imports() const {
        std::set<std::string> dlls;
        const DWORD table = optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
        for (size_t at = Offset(table); at; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            const auto entry = At<IMAGE_IMPORT_DESCRIPTOR>(file, at);
            if (!entry.Name)
                break;
            std::string name = String(entry.Name);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            dlls.insert(name);
        }
        return dlls;
    }
};

TEST(Pe32Twin, IsA32BitGuiProgramThatImportsOnlySystemDlls) {
    const Image image(kPe32);
    ASSERT_FALSE(image.file.empty()) << kPe32 << " is missing";
    EXPECT_EQ(image.header.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(image.optional.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    EXPECT_EQ(image.optional.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

    const std::set<std::string> system = {"advapi32.dll", "comctl32.dll", "gdi32.dll",
                                          "kernel32.dll", "msvcrt.dll",   "shell32.dll",
                                          "user32.dll",   "ws2_32.dll"};
    const std::set<std::string> imports = image.Imports();
    EXPECT_TRUE(imports.count("kernel32.dll") && imports.count("ws2_32.dll"))
        << "the import table was not read";
    for (const std::string& dll : imports)
        EXPECT_TRUE(system.count(dll)) << "imports " << dll << ", which Windows does not ship";
}

// (type, name, language) of a resource; integer ids as "#n".
using Key = std::tuple<std::string, std::string, WORD>;

std::string IdText(const char* id) {
    return IS_INTRESOURCE(id) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(id)) : id;
}

struct Resources {
    HMODULE module;
    std::map<Key, std::string> entries;
};

BOOL CALLBACK AddLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR all) {
    HRSRC found = ::FindResourceExA(module, type, name, language);
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    const char* data = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
    reinterpret_cast<Resources*>(all)->entries[Key(IdText(type), IdText(name), language)] =
        data ? std::string(data, ::SizeofResource(module, found)) : "<unreadable>";
    return TRUE;
}

BOOL CALLBACK AddName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR all) {
    return ::EnumResourceLanguagesA(module, type, name, &AddLanguage, all);
}

BOOL CALLBACK AddType(HMODULE module, LPSTR type, LONG_PTR all) {
    return ::EnumResourceNamesA(module, type, &AddName, all);
}

std::map<Key, std::string> ResourcesOf(const std::string& path) {
    Resources all = {::LoadLibraryExA(path.c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE),
                     {}};
    if (all.module) {
        ::EnumResourceTypesA(all.module, &AddType, reinterpret_cast<LONG_PTR>(&all));
        ::FreeLibrary(all.module);
    }
    return all.entries;
}

TEST(Pe32Twin, ResourcesEqualThoseOfThe64BitBuildByteForByte) {
    const auto pe32 = ResourcesOf(kPe32), twin = ResourcesOf(kTwin);
    const WORD chinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
    const auto id = [](int n) { return "#" + std::to_string(n); };
    // The ones the program uses must be there at all, so that two empty tables cannot agree.
    for (const Key& key : {Key(id(5), id(IDD_ABOUTBOX), chinese), Key(id(5), id(IDD_MAIN), chinese),
                           Key(id(6), id(IDS_ABOUTBOX / 16 + 1), chinese),
                           Key(id(14), id(IDR_MAINFRAME), chinese), Key(id(16), id(1), chinese)})
        EXPECT_TRUE(pe32.count(key))
            << std::get<0>(key) << " " << std::get<1>(key) << " is missing";
    EXPECT_EQ(pe32.size(), twin.size());
    for (const auto& entry : pe32) {
        const auto other = twin.find(entry.first);
        const std::string where = std::get<0>(entry.first) + " " + std::get<1>(entry.first);
        if (other == twin.end())
            ADD_FAILURE() << where << " is only in the 32-bit program";
        else
            EXPECT_TRUE(entry.second == other->second) << where << " differs";
    }
}

} // namespace

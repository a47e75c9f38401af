// The PE headers of the built 32-bit vistora.exe, read from the file as
// bytes: the protections Windows applies at load time only when the exe asks
// for them, and the DLLs it needs, which must all come with Windows. A
// 64-bit test build (tools/arch.sh) reads the 32-bit product's exe, named by
// VISTORA_PRODUCT_EXE.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "driver/driver.h"

namespace {

constexpr size_t Nowhere = static_cast<size_t>(-1);

class PeHeaders : public ::testing::Test {
protected:
    void SetUp() override {
        std::wstring exe = DriverEnvPath("VISTORA_PRODUCT_EXE");
        ASSERT_FALSE(exe.empty()) << "VISTORA_PRODUCT_EXE is not set";
        bytes = FileReadBytes(exe);
        ASSERT_GE(bytes.size(), 0x40u) << "cannot read the viewer's exe";
        ASSERT_EQ(bytes.substr(0, 2), "MZ");
        LONG at = 0;
        memcpy(&at, bytes.data() + 0x3C, sizeof at);  // e_lfanew
        ASSERT_GT(at, 0);
        ASSERT_LE(static_cast<size_t>(at) + sizeof nt, bytes.size());
        memcpy(&nt, bytes.data() + at, sizeof nt);
        ASSERT_EQ(nt.Signature, static_cast<DWORD>(IMAGE_NT_SIGNATURE));
        ASSERT_EQ(nt.OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
        size_t table = static_cast<size_t>(at) + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                       nt.FileHeader.SizeOfOptionalHeader;
        for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
            size_t entry = table + i * sizeof(IMAGE_SECTION_HEADER);
            ASSERT_LE(entry + sizeof(IMAGE_SECTION_HEADER), bytes.size());
            IMAGE_SECTION_HEADER s;
            memcpy(&s, bytes.data() + entry, sizeof s);
            sections.push_back(s);
        }
    }

    IMAGE_DATA_DIRECTORY Directory(unsigned index) const {
        if (index >= nt.OptionalHeader.NumberOfRvaAndSizes) return IMAGE_DATA_DIRECTORY{0, 0};
        return nt.OptionalHeader.DataDirectory[index];
    }

    // Where the byte at a relative virtual address lies in the file.
    size_t Offset(DWORD rva) const {
        for (const auto& s : sections) {
            DWORD size = s.Misc.VirtualSize ? std::min(s.Misc.VirtualSize, s.SizeOfRawData) : s.SizeOfRawData;
            if (rva >= s.VirtualAddress && rva - s.VirtualAddress < size) {
                size_t at = static_cast<size_t>(s.PointerToRawData) + (rva - s.VirtualAddress);
                return at < bytes.size() ? at : Nowhere;
            }
        }
        return Nowhere;
    }

    std::string TextAt(DWORD rva) const {
        size_t at = Offset(rva);
        if (at == Nowhere) return {};
        size_t end = bytes.find('\0', at);
        return bytes.substr(at, end == std::string::npos ? std::string::npos : end - at);
    }

    // The DLL names of the import directory, in lower case.
    std::vector<std::string> Imports() const {
        std::vector<std::string> names;
        IMAGE_DATA_DIRECTORY dir = Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
        size_t at = Offset(dir.VirtualAddress);
        if (!dir.VirtualAddress || at == Nowhere) return names;
        for (;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            if (at + sizeof(IMAGE_IMPORT_DESCRIPTOR) > bytes.size()) {
                ADD_FAILURE() << "the import directory runs past the end of the file";
                break;
            }
            IMAGE_IMPORT_DESCRIPTOR d;
            memcpy(&d, bytes.data() + at, sizeof d);
            if (!d.Name) break;  // the all-zero entry that ends the table
            std::string name = TextAt(d.Name);
            for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
            names.push_back(name);
        }
        return names;
    }

    std::string bytes;
    IMAGE_NT_HEADERS32 nt{};
    std::vector<IMAGE_SECTION_HEADER> sections;
};

}  // namespace

TEST_F(PeHeaders, ThirtyTwoBitWindowsProgram) {
    EXPECT_EQ(nt.FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_TRUE(nt.FileHeader.Characteristics & IMAGE_FILE_EXECUTABLE_IMAGE);
    EXPECT_FALSE(nt.FileHeader.Characteristics & IMAGE_FILE_DLL);
    EXPECT_EQ(nt.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    // Subsystem 4.0: Vista and later give an exe marked 6.0 or higher a
    // wider frame, which the window's fixed frame allowance leaves out.
    EXPECT_EQ(nt.OptionalHeader.MajorSubsystemVersion * 100 + nt.OptionalHeader.MinorSubsystemVersion, 400);
}

TEST_F(PeHeaders, DataExecutionPreventionAndAddressRandomisation) {
    WORD flags = nt.OptionalHeader.DllCharacteristics;
    EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_NX_COMPAT) << std::hex << flags;     // 0x100
    EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE) << std::hex << flags;  // 0x40
    // Windows can load the image elsewhere than its preferred base only
    // when its relocations are in the file.
    EXPECT_FALSE(nt.FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED);
    IMAGE_DATA_DIRECTORY relocs = Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC);
    ASSERT_GT(relocs.Size, sizeof(IMAGE_BASE_RELOCATION));
    size_t at = Offset(relocs.VirtualAddress);
    ASSERT_NE(at, Nowhere);
    ASSERT_LE(at + sizeof(IMAGE_BASE_RELOCATION), bytes.size());
    IMAGE_BASE_RELOCATION first;
    memcpy(&first, bytes.data() + at, sizeof first);
    EXPECT_GT(first.SizeOfBlock, sizeof(IMAGE_BASE_RELOCATION)) << "the first relocation block is empty";
    EXPECT_LE(first.SizeOfBlock, relocs.Size);
}

TEST_F(PeHeaders, LargeAddressAware) {
    // Large photos need more than 2 GB of address space (4 GB on 64-bit
    // Windows and under Wine).
    EXPECT_TRUE(nt.FileHeader.Characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE)
        << std::hex << nt.FileHeader.Characteristics;  // 0x20
}

TEST_F(PeHeaders, NoLinkTimeSoBuildsAreReproducible) { EXPECT_EQ(nt.FileHeader.TimeDateStamp, 0u); }

TEST_F(PeHeaders, ImportsOnlyWindowsSystemDlls) {
    // Each of these is part of Windows itself, in its system folder; none
    // is shipped with a compiler or a redistributable runtime.
    const std::set<std::string> system = {
        "kernel32.dll",  // processes, files, memory
        "user32.dll",    // windows, messages, dialogs, message boxes
        "gdi32.dll",     // device contexts and bitmaps
        "comctl32.dll",  // common controls (InitCommonControlsEx)
        "ole32.dll",     // COM start-up
        "gdiplus.dll",   // picture decoding; in Windows since XP
        "msvcrt.dll",    // the C runtime of Windows itself, which MinGW-w64 builds on
        "advapi32.dll",  // registry and security, should the viewer ever need them
        "shell32.dll",   // shell functions, likewise
    };
    std::vector<std::string> imports = Imports();
    std::set<std::string> seen(imports.begin(), imports.end());
    for (const auto& name : imports) {
        // API sets are names Windows resolves to its own DLLs.
        bool apiSet = name.rfind("api-ms-win-", 0) == 0;
        EXPECT_TRUE(apiSet || system.count(name)) << name << " is not a Windows system DLL";
    }
    // The table was read: the viewer cannot run without these.
    for (const char* needed : {"kernel32.dll", "user32.dll", "gdi32.dll", "gdiplus.dll"}) {
        EXPECT_TRUE(seen.count(needed)) << needed << " is not imported";
    }
    // A DLL loaded late would escape the check above; there is none.
    EXPECT_EQ(Directory(IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT).Size, 0u);
}

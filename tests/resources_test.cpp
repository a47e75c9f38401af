// The resources of the built vistora.exe, read from the file as data.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "driver/driver.h"

namespace {

constexpr WORD English = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);  // 1033
constexpr WORD Spanish = MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH);     // 1034

class Resources : public ::testing::Test {
protected:
    void SetUp() override {
        std::wstring exe = DriverViewerExe();
        ASSERT_FALSE(exe.empty()) << "VISTORA_EXE is not set";
        module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_TRUE(module);
    }
    void TearDown() override {
        if (module) FreeLibrary(module);
    }
    std::string Bytes(LPCWSTR type, LPCWSTR name, WORD language) {
        HRSRC found = FindResourceExW(module, type, name, language);
        if (!found) return {};
        const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
        return std::string(data, SizeofResource(module, found));
    }
    HMODULE module = nullptr;
};

template <typename T>
T At(const std::string& s, size_t offset) {
    T v;
    memcpy(&v, s.data() + offset, sizeof v);
    return v;
}

BOOL CALLBACK CollectType(HMODULE, LPWSTR type, LONG_PTR param) {
    if (IS_INTRESOURCE(type)) reinterpret_cast<std::set<UINT_PTR>*>(param)->insert(reinterpret_cast<UINT_PTR>(type));
    return TRUE;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
    reinterpret_cast<std::set<WORD>*>(param)->insert(language);
    return TRUE;
}

}  // namespace

TEST_F(Resources, OnlyIconVersionAndManifest) {
    std::set<UINT_PTR> types;
    EnumResourceTypesW(module, CollectType, reinterpret_cast<LONG_PTR>(&types));
    const std::set<UINT_PTR> expected = {
        reinterpret_cast<UINT_PTR>(RT_ICON), reinterpret_cast<UINT_PTR>(RT_GROUP_ICON),
        reinterpret_cast<UINT_PTR>(RT_VERSION), reinterpret_cast<UINT_PTR>(RT_MANIFEST)};
    EXPECT_EQ(types, expected);
    // Each in exactly one language: a lookup by language falls back to
    // another one, so only the list tells a wrong language apart.
    // The type, the id and the one language.
    const std::tuple<LPCWSTR, WORD, WORD> each[] = {
        {RT_GROUP_ICON, 200, English},
        {RT_ICON, 1, English},
        {RT_MANIFEST, 1, English},
        {RT_VERSION, 1, Spanish},
    };
    for (auto [type, id, language] : each) {
        std::set<WORD> languages;
        EnumResourceLanguagesW(module, type, MAKEINTRESOURCEW(id), CollectLanguage,
                               reinterpret_cast<LONG_PTR>(&languages));
        EXPECT_EQ(languages, std::set<WORD>{language}) << "each: type " << reinterpret_cast<UINT_PTR>(type);
    }
}

TEST_F(Resources, IconGroupAndImage) {
    std::string group = Bytes(RT_GROUP_ICON, MAKEINTRESOURCEW(200), English);
    ASSERT_EQ(group.size(), 6u + 14u);
    // The whole directory in one comparison, each field by its name.
    char got[160];
    snprintf(
        got, sizeof got, "reserved %u, type %u, %u entry: %u x %u, %u colours, %u plane, %u bits, %lu bytes, id %u",
        At<WORD>(group, 0), At<WORD>(group, 2), At<WORD>(group, 4), At<BYTE>(group, 6), At<BYTE>(group, 7),
        At<BYTE>(group, 8), At<WORD>(group, 10), At<WORD>(group, 12), At<DWORD>(group, 14), At<WORD>(group, 18));
    EXPECT_STREQ(got, "reserved 0, type 1, 1 entry: 128 x 128, 0 colours, 1 plane, 32 bits, 67624 bytes, id 1");

    std::string icon = Bytes(RT_ICON, MAKEINTRESOURCEW(1), English);
    ASSERT_EQ(icon.size(), 67624u);
    snprintf(got, sizeof got, "header %lu, %ld x %ld, %u plane, %u bits", At<DWORD>(icon, 0), At<LONG>(icon, 4),
             At<LONG>(icon, 8), At<WORD>(icon, 12), At<WORD>(icon, 14));
    EXPECT_STREQ(got, "header 40, 128 x 256, 1 plane, 32 bits");  // BITMAPINFOHEADER, not PNG; colour plus mask
    // A real picture: both transparent and opaque pixels.
    int opaque = 0;
    for (size_t i = 40; i < 40 + 65536; i += 4) opaque += static_cast<BYTE>(icon[i + 3]) == 255;
    EXPECT_GT(opaque, 4000);
    EXPECT_LT(opaque, 16384);
    HICON h = CreateIconFromResourceEx(reinterpret_cast<BYTE*>(icon.data()), static_cast<DWORD>(icon.size()), TRUE,
                                       0x00030000, 128, 128, 0);
    EXPECT_TRUE(h);
    if (h) DestroyIcon(h);
}

TEST_F(Resources, ManifestSelectsCommonControlsSix) {
    std::string m = Bytes(RT_MANIFEST, MAKEINTRESOURCEW(1), English);
    ASSERT_FALSE(m.empty());
    for (const char* part : {"xmlns=\"urn:schemas-microsoft-com:asm.v1\"", "manifestVersion=\"1.0\"",
                             "<assemblyIdentity name=\"vistora.exe\" processorArchitecture=\"x86\" "
                             "version=\"0.0.0.0\" type=\"win32\"/>",
                             "name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
                             "publicKeyToken=\"6595b64144ccf1df\"", "language=\"*\""}) {
        EXPECT_NE(m.find(part), std::string::npos) << part;
    }
}

TEST_F(Resources, VersionRecord) {
    std::string raw = Bytes(RT_VERSION, MAKEINTRESOURCEW(1), Spanish);
    ASSERT_FALSE(raw.empty());
    std::string copy = raw + std::string(raw.size(), '\0');  // room that VerQueryValue may use
    UINT size = 0;
    auto value = [&](const std::wstring& path) -> void* {
        void* at = nullptr;
        return VerQueryValueW(copy.data(), path.c_str(), &at, &size) ? at : nullptr;
    };
    auto* fixed = static_cast<VS_FIXEDFILEINFO*>(value(L"\\"));
    auto* translation = static_cast<WORD*>(value(L"\\VarFileInfo\\Translation"));
    ASSERT_TRUE(fixed && translation);
    ASSERT_EQ(size, 4u);
    char got[200];
    snprintf(got, sizeof got,
             "signature %lX, file %lX.%lX, product %lX.%lX, flags %lX of %lX, os %lX, type %lX.%lX, translation "
             "%04X %04X",
             fixed->dwSignature, fixed->dwFileVersionMS, fixed->dwFileVersionLS, fixed->dwProductVersionMS,
             fixed->dwProductVersionLS, fixed->dwFileFlags, fixed->dwFileFlagsMask, fixed->dwFileOS,
             fixed->dwFileType, fixed->dwFileSubtype, translation[0], translation[1]);
    EXPECT_STREQ(
        got,
        "signature FEEF04BD, file 10000.1, product 10000.1, flags 1 of 3F, os 4, type 1.0, translation 040A 0000");

    // The texts; the last three need only name the project.
    std::wstring texts;
    int n = 0;
    for (const wchar_t* key : {L"Comments", L"FileDescription", L"FileVersion", L"InternalName", L"OriginalFilename",
                               L"PrivateBuild", L"ProductName", L"ProductVersion", L"SpecialBuild", L"CompanyName",
                               L"LegalCopyright", L"LegalTrademarks"}) {
        auto* text = static_cast<const wchar_t*>(value(std::wstring(L"\\StringFileInfo\\040A0000\\") + key));
        std::wstring shown = text ? text : L"(none)";
        if (++n > 9 && shown.find(L"Vistora") != std::wstring::npos) shown = L"...Vistora...";
        texts += key + (L": " + shown) + L"\n";
    }
    EXPECT_EQ(texts,
              L"Comments: Programa Freeware\n"
              L"FileDescription: Vistora\n"
              L"FileVersion: VerNum 1.001\n"
              L"InternalName: Privado\n"
              L"OriginalFilename: vistora.exe\n"
              L"PrivateBuild: Informaci\u00f3n Privada\n"
              L"ProductName: Vistora\n"
              L"ProductVersion: Versi\u00f3n Producto 1\n"
              L"SpecialBuild: Informaci\u00f3n Especial\n"
              L"CompanyName: ...Vistora...\n"
              L"LegalCopyright: ...Vistora...\n"
              L"LegalTrademarks: ...Vistora...\n");
}

// The built programs carry their version information: what Explorer's
// Properties page and any version query read from huevane.exe and
// huevane-render.exe, and the version the About dialog shows is the same
// one. Each also carries a manifest that the loader reads: run as the user
// who starts it, on the systems it names.

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cwchar>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/about_dialog.h"
#include "app/version.h"
#include "toolkit/application.h"
#include "toolkit/win_control.h"

namespace {

// GetProcAddress's result as the function it is (by way of the generic
// function pointer type, which any function pointer may be cast to).
template <class F>
F Function(FARPROC address) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(address));
}

// version.dll is loaded here rather than linked: only this test needs it.
struct VersionApi {
  HMODULE module = LoadLibraryW(L"version.dll");
  using SizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
  using InfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
  using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
  SizeFn size = Function<SizeFn>(GetProcAddress(module, "GetFileVersionInfoSizeW"));
  InfoFn info = Function<InfoFn>(GetProcAddress(module, "GetFileVersionInfoW"));
  QueryFn query = Function<QueryFn>(GetProcAddress(module, "VerQueryValueW"));
  ~VersionApi() {
    if (module != nullptr) FreeLibrary(module);
  }
};

// The programs lie beside the test binaries, at the top of the build folder.
std::wstring ProgramPath(const wchar_t* file) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  folder.erase(folder.find_last_of(L"\\/") + 1);
  return folder + file;
}

struct Program {
  const wchar_t* file;
  const wchar_t* internalName;
  const wchar_t* description;
};

// Shown in test names and failures by its internal name.
void PrintTo(const Program& program, std::ostream* out) {
  for (const wchar_t* c = program.internalName; *c != 0; ++c) *out << static_cast<char>(*c);
}

// Named in test names by its internal name.
std::string ProgramName(const ::testing::TestParamInfo<Program>& info) {
  std::string name;
  for (const wchar_t* c = info.param.internalName; *c != 0; ++c) {
    name += *c == L'-' ? '_' : static_cast<char>(*c);
  }
  return name;
}

struct VersionInfo : ::testing::TestWithParam<Program> {
  VersionApi api;
  std::vector<BYTE> block;

  void SetUp() override {
    ASSERT_NE(api.module, nullptr);
    ASSERT_TRUE(api.size && api.info && api.query);
    const std::wstring program = ProgramPath(GetParam().file);
    ASSERT_NE(GetFileAttributesW(program.c_str()), INVALID_FILE_ATTRIBUTES)
        << "build the program first";
    DWORD ignored = 0;
    const DWORD bytes = api.size(program.c_str(), &ignored);
    ASSERT_GT(bytes, 0u) << "the program has no version information";
    block.resize(bytes);
    ASSERT_TRUE(api.info(program.c_str(), 0, bytes, block.data()));
  }

  std::wstring Text(const wchar_t* name) {
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    void* value = nullptr;
    UINT length = 0;
    if (!api.query(block.data(), path.c_str(), &value, &length) || value == nullptr) {
      return L"(none)";
    }
    return static_cast<const wchar_t*>(value);
  }

  const VS_FIXEDFILEINFO* Fixed() {
    void* value = nullptr;
    UINT length = 0;
    if (!api.query(block.data(), L"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) {
      return nullptr;
    }
    return static_cast<const VS_FIXEDFILEINFO*>(value);
  }
};

using Version = std::array<unsigned, 4>;

Version FromFixed(DWORD high, DWORD low) {
  return {HIWORD(high), LOWORD(high), HIWORD(low), LOWORD(low)};
}

// "1.2" or "1.2.0.0" as four numbers, the parts left out being 0; all 0
// when the text is not such a version.
Version FromText(const std::wstring& text) {
  Version version{};
  wchar_t after = 0;
  const int read = swscanf(text.c_str(), L"%u.%u.%u.%u%lc", &version[0], &version[1], &version[2],
                           &version[3], &after);
  return read >= 2 && read <= 4 ? version : Version{};
}

TEST_P(VersionInfo, OneTranslationUsEnglishUnicode) {
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(api.query(block.data(), L"\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4u);
  const WORD* pair = static_cast<const WORD*>(value);
  EXPECT_EQ(pair[0], 0x0409);
  EXPECT_EQ(pair[1], 1200);
}

TEST_P(VersionInfo, NamesTheFileAndWhatItIs) {
  EXPECT_EQ(Text(L"OriginalFilename"), GetParam().file);
  EXPECT_EQ(Text(L"InternalName"), GetParam().internalName);
  EXPECT_EQ(Text(L"FileDescription"), GetParam().description);
  EXPECT_EQ(Text(L"ProductName"), L"Huevane");
  EXPECT_EQ(Text(L"CompanyName"), L"Huevane");
}

// What the Properties page shows as text names the version the file
// carries.
TEST_P(VersionInfo, ThePropertiesPageShowsTheFileVersion) {
  const VS_FIXEDFILEINFO* fixed = Fixed();
  ASSERT_NE(fixed, nullptr);
  const Version file = FromFixed(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
  EXPECT_EQ(FromText(Text(L"FileVersion")), file) << Text(L"FileVersion");
  EXPECT_EQ(FromText(Text(L"ProductVersion")), file) << Text(L"ProductVersion");
}

// The program's manifest, as the loader finds it: resource 1 of type
// RT_MANIFEST.
std::string Manifest(const wchar_t* file) {
  const HMODULE module =
      LoadLibraryExW(ProgramPath(file).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return {};
  std::string text;
  if (const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST)) {
    const HGLOBAL loaded = LoadResource(module, found);
    const char* bytes =
        loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (bytes != nullptr) text.assign(bytes, SizeofResource(module, found));
  }
  FreeLibrary(module);
  return text;
}

TEST_P(VersionInfo, TheManifestAsksForNoElevationAndNamesVistaToEleven) {
  const std::string manifest = Manifest(GetParam().file);
  ASSERT_FALSE(manifest.empty()) << "no manifest";
  EXPECT_NE(manifest.find(R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"/>)"),
            std::string::npos);
  EXPECT_NE(manifest.find(R"(version=")" HUEVANE_VERSION_FULL_TEXT R"(")"), std::string::npos)
      << "the assembly's version is not the project's";
  for (const char* id :
       {"e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
        "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
        "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}) {
    EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"{") + id + "}\"/>"), std::string::npos)
        << id;
  }
}

INSTANTIATE_TEST_SUITE_P(Programs, VersionInfo,
                         ::testing::Values(Program{L"huevane.exe", L"huevane",
                                                   L"Huevane gradient wallpaper maker"},
                                           Program{L"huevane-render.exe", L"huevane-render",
                                                   L"Huevane command-line gradient renderer"}),
                         ProgramName);

// The About dialog says the version huevane.exe carries.
struct ProgramVersionInfo : VersionInfo {};

TEST_P(ProgramVersionInfo, TheAboutDialogShowsTheFileVersion) {
  const VS_FIXEDFILEINFO* fixed = Fixed();
  ASSERT_NE(fixed, nullptr);
  const Version file = FromFixed(fixed->dwFileVersionMS, fixed->dwFileVersionLS);

  toolkit::Application application{L"Huevane"};
  app::TForm2 about{nullptr};
  wchar_t line[128] = {};
  GetWindowTextW(about.Part<toolkit::TWinControl>(L"StaticText2").Handle(), line, 128);
  // "Version 1.2 (Build ...)"
  const std::wstring shown = line;
  ASSERT_TRUE(shown.starts_with(L"Version ")) << shown;
  EXPECT_EQ(FromText(shown.substr(8, shown.find(L' ', 8) - 8)), file) << shown;
}

INSTANTIATE_TEST_SUITE_P(Program, ProgramVersionInfo,
                         ::testing::Values(Program{L"huevane.exe", L"huevane",
                                                   L"Huevane gradient wallpaper maker"}),
                         ProgramName);

}  // namespace

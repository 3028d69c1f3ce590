// The built program carries its version information: what Explorer's
// Properties page and any version query read from huevane.exe, and the
// version the About dialog shows is the same one.

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cwchar>
#include <string>
#include <vector>

#include "app/about_dialog.h"
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

// The program lies beside the test binaries, at the top of the build folder.
std::wstring ProgramPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  folder.erase(folder.find_last_of(L"\\/") + 1);
  return folder + L"huevane.exe";
}

struct VersionInfo : ::testing::Test {
  VersionApi api;
  std::vector<BYTE> block;

  void SetUp() override {
    ASSERT_NE(api.module, nullptr);
    ASSERT_TRUE(api.size && api.info && api.query);
    const std::wstring program = ProgramPath();
    ASSERT_NE(GetFileAttributesW(program.c_str()), INVALID_FILE_ATTRIBUTES)
        << "build huevane.exe first";
    DWORD ignored = 0;
    const DWORD bytes = api.size(program.c_str(), &ignored);
    ASSERT_GT(bytes, 0u) << "huevane.exe has no version information";
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

TEST_F(VersionInfo, OneTranslationUsEnglishUnicode) {
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(api.query(block.data(), L"\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4u);
  const WORD* pair = static_cast<const WORD*>(value);
  EXPECT_EQ(pair[0], 0x0409);
  EXPECT_EQ(pair[1], 1200);
}

// What the Properties page shows as text, and what the About dialog says,
// name the version the file carries.
TEST_F(VersionInfo, ThePropertiesPageAndTheAboutDialogShowTheSameVersion) {
  const VS_FIXEDFILEINFO* fixed = Fixed();
  ASSERT_NE(fixed, nullptr);
  const Version file = FromFixed(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
  EXPECT_EQ(FromText(Text(L"FileVersion")), file) << Text(L"FileVersion");
  EXPECT_EQ(FromText(Text(L"ProductVersion")), file) << Text(L"ProductVersion");

  toolkit::Application application{L"Huevane"};
  app::TForm2 about{nullptr};
  wchar_t line[128] = {};
  GetWindowTextW(about.Part<toolkit::TWinControl>(L"StaticText2").Handle(), line, 128);
  // "Version 1.2 (Build ...)"
  const std::wstring shown = line;
  ASSERT_TRUE(shown.starts_with(L"Version ")) << shown;
  EXPECT_EQ(FromText(shown.substr(8, shown.find(L' ', 8) - 8)), file) << shown;
}

}  // namespace

// The built program carries its version information: what Explorer's
// Properties page and any version query read from huevane.exe.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

  std::wstring Text(const wchar_t* path) {
    void* value = nullptr;
    UINT length = 0;
    if (!api.query(block.data(), path, &value, &length) || value == nullptr) return L"(none)";
    return static_cast<const wchar_t*>(value);
  }
};

TEST_F(VersionInfo, FileAndProductVersionAreOnePointTwo) {
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(api.query(block.data(), L"\\", &value, &length));
  ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
  const auto& fixed = *static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed.dwFileVersionMS, MAKELONG(2, 1));
  EXPECT_EQ(fixed.dwFileVersionLS, 0u);
  EXPECT_EQ(fixed.dwProductVersionMS, MAKELONG(2, 1));
  EXPECT_EQ(fixed.dwProductVersionLS, 0u);
  EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_APP));
  EXPECT_EQ(fixed.dwFileFlags & fixed.dwFileFlagsMask, 0u);  // a release build
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

TEST_F(VersionInfo, Strings) {
  const struct {
    const wchar_t* name;
    const wchar_t* expected;  // nullptr: present and not empty
  } strings[] = {
      {L"ProductName", L"Huevane"},     {L"ProductVersion", L"1.2.0.0"},
      {L"FileVersion", L"1.2.0.0"},     {L"OriginalFilename", L"huevane.exe"},
      {L"CompanyName", nullptr},        {L"FileDescription", nullptr},
      {L"LegalCopyright", nullptr},
  };
  for (const auto& s : strings) {
    const std::wstring text = Text((std::wstring(L"\\StringFileInfo\\040904B0\\") + s.name).c_str());
    SCOPED_TRACE(testing::Message() << "string " << std::string(s.name, s.name + wcslen(s.name)));
    EXPECT_NE(text, L"(none)");
    EXPECT_FALSE(text.empty());
    if (s.expected != nullptr) {
      EXPECT_EQ(text, s.expected);
    }
  }
}

}  // namespace

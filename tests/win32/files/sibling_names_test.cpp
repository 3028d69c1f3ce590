// Our own names beside the wallpaper file: never longer than its own, and
// naming their writer.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "files/sibling_names.h"

TEST(SiblingNames, AreNeverLongerThanTheWallpapersAndNameTheirWriter) {
  // A folder as long as the wallpaper's path allows: with "Huevane.Bmp" it
  // fills MAX_PATH to the last character before the terminating zero.
  const std::wstring name = L"Huevane.Bmp";
  const std::wstring folder = L"C:\\" + std::wstring(MAX_PATH - 1 - 3 - 1 - name.size(), L'f');
  const std::filesystem::path target = folder + L"\\" + name;
  ASSERT_EQ(target.native().size(), static_cast<std::size_t>(MAX_PATH - 1));
  for (const std::uint32_t pid : {0u, 1u, 4u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    // More names than the last digit has values: it wraps, never grows.
    for (int i = 0; i < 70; ++i) {
      const std::filesystem::path sibling = files::TemporarySibling(target, pid);
      EXPECT_LE(sibling.native().size(), target.native().size()) << sibling;
      EXPECT_EQ(sibling.parent_path(), target.parent_path());
      EXPECT_NE(sibling.filename(), target.filename());
      EXPECT_EQ(files::SiblingOwner(sibling), pid) << sibling;
    }
  }
  // A name with no folder (huevane-render's "out.bmp") has its siblings beside it.
  EXPECT_EQ(files::TemporarySibling(L"out.bmp", 7).rfind(L"~hv", 0), 0u);
}

TEST(SiblingNames, OnlyOurOwnFormNamesAWriter) {
  const std::pair<const wchar_t*, std::optional<std::uint32_t>> table[] = {
      {L"~hv0000000a", 0u},
      {L"~hv0000010v", 32u},
      {L"~hv3vvvvvvv", 0xFFFFFFFFu},
      {L"~hv40000000", std::nullopt},   // beyond 32 bits
      {L"~hv000000a", std::nullopt},    // one digit short
      {L"~hv000000000", std::nullopt},  // one digit over
      {L"~hv0000000w", std::nullopt},   // not a base-32 digit
      {L"~HV0000000a", std::nullopt},   // we write lower case only
      {L"~hu0000000a", std::nullopt},
      {L"Huevane.Bmp", std::nullopt},
      {L"Huevane.Bmp.1234-0.tmp", std::nullopt},
  };
  for (const auto& [name, owner] : table) {
    EXPECT_EQ(files::SiblingOwner(std::filesystem::path(L"C:\\t") / name), owner) << name;
  }
}

// The wallpaper file replaced through the Win32 file calls: the reader-safe
// route, each of its refusals and the new-file route it falls back to.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "files/reader_safe_route.h"
#include "files/sibling_names.h"
#include "render/bmp.h"
#include "render/surface.h"
#include "support/bmp_bytes.h"
#include "support/file_index.h"
#include "support/temp_folder.h"
#include "win32/scoped.h"

namespace {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

// The whole file for a small picture of one colour, as ranges for the routes.
struct Picture {
  std::vector<std::uint8_t> bytes;
  Picture(int width, int height, std::uint8_t shade) {
    TWin s(width, height);
    s.FillGradient(shade, 0, 255 - shade, shade, shade, 0, 1, 128, -1, 0, 0, 0);
    bytes = EncodeBmp(s);
  }
  std::vector<files::ByteRange> Parts() const { return {{bytes.data(), bytes.size()}}; }
};

std::uint64_t FileId(const std::filesystem::path& path) { return test::FileIndex(path.wstring()); }

bool RefuseLinks(const files::PathName&, const files::PathName&) {
  // What a FAT32 volume answers.
  SetLastError(ERROR_INVALID_FUNCTION);
  return false;
}

// The route's spare as the folder shows it: the one name of ours beside the
// target; empty when there is none.
std::filesystem::path SpareIn(const test::TempFolder& folder) {
  std::vector<std::filesystem::path> ours;
  for (const std::string& name : folder.Names()) {
    if (files::SiblingOwner(folder.path() / name)) ours.push_back(folder.path() / name);
  }
  EXPECT_LE(ours.size(), 1u) << "more than one name of ours";
  return ours.empty() ? std::filesystem::path() : ours.front();
}

TEST(ReaderSafeRoute, SwapsASpareRewrittenInPlaceAndRemovesItAtTheEnd) {
  test::TempFolder folder;
  const auto target = folder.path() / L"Huevane.Bmp";
  const Picture pictures[] = {{40, 9, 10}, {40, 9, 90}, {40, 9, 170}, {40, 9, 250}};
  {
    files::ReaderSafeRoute route;
    ASSERT_TRUE(route.Write(target, pictures[0].Parts()));
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"Huevane.Bmp"})) << "one save, one file";
    EXPECT_TRUE(SpareIn(folder).empty());
    ASSERT_TRUE(route.Write(target, pictures[1].Parts()));
    EXPECT_EQ(ReadFile(target), pictures[1].bytes);
    ASSERT_FALSE(SpareIn(folder).empty()) << "the second save keeps the old file as the spare";
    EXPECT_EQ(ReadFile(SpareIn(folder)), pictures[0].bytes);
    for (int i = 2; i < 4; ++i) {
      const std::uint64_t spareFile = FileId(SpareIn(folder));
      const std::uint64_t wallpaperFile = FileId(target);
      ASSERT_NE(spareFile, 0u);
      ASSERT_TRUE(route.Write(target, pictures[i].Parts()));
      EXPECT_EQ(ReadFile(target), pictures[i].bytes);
      // No new file: the spare became the wallpaper, the wallpaper the spare.
      EXPECT_EQ(FileId(target), spareFile) << "save " << i;
      EXPECT_EQ(FileId(SpareIn(folder)), wallpaperFile) << "save " << i;
      EXPECT_EQ(folder.Names().size(), 2u);
    }
  }
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"Huevane.Bmp"}));
  EXPECT_EQ(ReadFile(target), pictures[3].bytes);
}

// Each refusal: the save still lands whole by the new-file route, and the
// folder holds nothing but the target and at most the route's spare.
TEST(ReaderSafeRoute, FallsBackWheneverAStepIsRefused) {
  const Picture small1(40, 9, 20), small2(40, 9, 120), small3(40, 9, 220);
  const Picture large(41, 9, 60);
  struct Case {
    const char* what;
    files::ReaderSafeRoute::LinkMaker links;
    // Done to the spare after the second save; returns what undoes it.
    std::function<std::function<void()>(const std::filesystem::path& spare,
                                        const std::filesystem::path& folder)>
        interfere;
    const Picture* third;
  };
  auto nothing = [](const std::filesystem::path&, const std::filesystem::path&) {
    return std::function<void()>([] {});
  };
  const Case cases[] = {
      {"no hard links", RefuseLinks, nothing, &small3},
      {"the spare held open elsewhere", nullptr,
       [](const std::filesystem::path& spare, const std::filesystem::path&) {
         HANDLE held = CreateFileW(spare.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
         EXPECT_NE(held, INVALID_HANDLE_VALUE);
         return std::function<void()>([held] { CloseHandle(held); });
       },
       &small3},
      {"a picture of another size", nullptr, nothing, &large},
      {"the spare cut short", nullptr,
       [](const std::filesystem::path& spare, const std::filesystem::path&) {
         std::filesystem::resize_file(spare, 100);
         return std::function<void()>([] {});
       },
       &small3},
      {"the spare with a second name", nullptr,
       [](const std::filesystem::path& spare, const std::filesystem::path& folder) {
         EXPECT_TRUE(CreateHardLinkW((folder / L"other.bmp").c_str(), spare.c_str(), nullptr));
         return std::function<void()>([] {});
       },
       &small3},
      {"the spare gone", nullptr,
       [](const std::filesystem::path& spare, const std::filesystem::path&) {
         std::filesystem::remove(spare);
         return std::function<void()>([] {});
       },
       &small3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempFolder folder;
    const auto target = folder.path() / L"Huevane.Bmp";
    std::vector<std::uint8_t> other;
    {
      files::ReaderSafeRoute route(c.links);
      ASSERT_TRUE(route.Write(target, small1.Parts()));
      ASSERT_TRUE(route.Write(target, small2.Parts()));
      const std::filesystem::path spare = SpareIn(folder);
      EXPECT_EQ(spare.empty(), c.links == RefuseLinks);
      std::function<void()> undo = [] {};
      if (!spare.empty()) {
        undo = c.interfere(spare, folder.path());
        if (std::filesystem::exists(folder.path() / L"other.bmp")) {
          other = ReadFile(folder.path() / L"other.bmp");
        }
      }
      EXPECT_TRUE(route.Write(target, c.third->Parts()));
      EXPECT_EQ(ReadFile(target), c.third->bytes);
      if (!other.empty()) {
        EXPECT_EQ(ReadFile(folder.path() / L"other.bmp"), other)
            << "a file of another name changed";
      }
      undo();
      // Once nothing stands in the way, the route is whole again.
      EXPECT_TRUE(route.Write(target, c.third->Parts()));
      EXPECT_TRUE(route.Write(target, small2.Parts()));
      EXPECT_EQ(ReadFile(target), small2.bytes);
      std::vector<std::string> expected{"Huevane.Bmp"};
      if (!other.empty()) expected.push_back("other.bmp");
      if (c.links != RefuseLinks) expected.push_back(SpareIn(folder).filename().string());
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(folder.Names(), expected);
    }
    if (!other.empty()) {
      EXPECT_EQ(ReadFile(folder.path() / L"other.bmp"), other) << "a file of another name changed";
    }
    EXPECT_EQ(ReadFile(target), small2.bytes);
    EXPECT_EQ(folder.Names().size(), other.empty() ? 1u : 2u);
  }
}

// A scanner or a viewer with the wallpaper open: the picture it keeps from
// landing waits, whole and written once, and lands once the reader lets go;
// nothing of ours piles up meanwhile. Each row holds the target at another
// moment of the route: before the spare exists, and once it does.
TEST(ReaderSafeRoute, APictureAReaderHoldsBackLandsOnceItLetsGo) {
  const Picture first(40, 9, 20), second(40, 9, 120), third(40, 9, 220), fourth(40, 9, 70);
  for (const int savesBefore : {1, 3}) {
    SCOPED_TRACE(testing::Message() << savesBefore << " saves before the hold");
    test::TempFolder folder;
    const auto target = folder.path() / L"Huevane.Bmp";
    files::ReaderSafeRoute route;
    for (int i = 0; i < savesBefore; ++i) ASSERT_TRUE(route.Write(target, first.Parts()));

    HANDLE reader = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(route.Write(target, second.Parts()));
    EXPECT_TRUE(route.Unfinished());
    EXPECT_FALSE(route.Finish()) << "landed while the reader still holds the target";
    const std::vector<std::string> held = folder.Names();
    EXPECT_LE(held.size(), 3u) << "the target, the picture that waits and the spare to be";
    // A later change supersedes the waiting picture, rewriting that very file.
    EXPECT_FALSE(route.Write(target, third.Parts()));
    EXPECT_EQ(folder.Names(), held);
    EXPECT_EQ(ReadFile(target), first.bytes) << "the target changed while held";
    CloseHandle(reader);

    EXPECT_TRUE(route.Finish());
    EXPECT_EQ(ReadFile(target), third.bytes);
    EXPECT_FALSE(route.Unfinished());
    EXPECT_LE(folder.Names().size(), 2u) << "the target and at most the spare";
    EXPECT_FALSE(route.Finish()) << "nothing left to land";
    ASSERT_TRUE(route.Write(target, fourth.Parts()));
    EXPECT_EQ(ReadFile(target), fourth.bytes);
  }
}

// The names made or removed in `folder` while `action` runs, as the system
// reports them; a marker file made after it tells when all are in.
std::vector<std::wstring> NamesTouched(const std::filesystem::path& folder,
                                       const std::function<void()>& action) {
  const win32::ScopedHandle watch(CreateFileW(
      folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
  const win32::ScopedHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  alignas(DWORD) std::uint8_t records[16384];
  OVERLAPPED pending{};
  pending.hEvent = done.get();
  // Watching from the first call on: what happens later is kept for the next.
  auto watchOn = [&] {
    ResetEvent(done.get());
    return ReadDirectoryChangesW(watch.get(), records, sizeof(records), FALSE,
                                 FILE_NOTIFY_CHANGE_FILE_NAME, nullptr, &pending, nullptr) != 0;
  };
  std::vector<std::wstring> names;
  if (!watchOn()) return {L"(no watch)"};
  action();
  std::ofstream(folder / L"marker") << "x";
  DWORD size = 0;
  while (WaitForSingleObject(done.get(), 10000) == WAIT_OBJECT_0 &&
         GetOverlappedResult(watch.get(), &pending, &size, FALSE) && size > 0) {
    for (auto* record = reinterpret_cast<FILE_NOTIFY_INFORMATION*>(records);;
         record = reinterpret_cast<FILE_NOTIFY_INFORMATION*>(
             reinterpret_cast<std::uint8_t*>(record) + record->NextEntryOffset)) {
      names.emplace_back(record->FileName, record->FileNameLength / sizeof(wchar_t));
      if (names.back() == L"marker") return {names.begin(), names.end() - 1};
      if (record->NextEntryOffset == 0) break;
    }
    if (!watchOn()) break;
  }
  names.push_back(L"(no marker)");
  return names;
}

// A folder or a read-only file in the wallpaper's place takes no picture:
// none is written to be thrown away, and the file stays as it was.
TEST(ReaderSafeRoute, AFolderOrAReadOnlyFileInTheWallpapersPlaceGetsNothingWritten) {
  const Picture picture(40, 9, 20);
  for (const bool folderInPlace : {true, false}) {
    SCOPED_TRACE(folderInPlace ? "a folder" : "a read-only file");
    test::TempFolder folder;
    const auto target = folder.path() / L"Huevane.Bmp";
    if (folderInPlace) {
      std::filesystem::create_directory(target);
    } else {
      std::ofstream(target) << "kept";
      SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
    }
    files::ReaderSafeRoute route;
    const std::vector<std::wstring> touched = NamesTouched(folder.path(), [&] {
      EXPECT_FALSE(route.Write(target, picture.Parts()));
      EXPECT_FALSE(route.Unfinished());
    });
    EXPECT_EQ(touched, std::vector<std::wstring>{}) << "a picture was written";
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"Huevane.Bmp", "marker"}));
    if (!folderInPlace) {
      EXPECT_EQ(ReadFile(target), (std::vector<std::uint8_t>{'k', 'e', 'p', 't'}));
      SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
  }
}

TEST(ReaderSafeRoute, TwoWritersOfOneTargetNeverShareASpare) {
  // Two running copies of the program, each with its own route.
  test::TempFolder folder;
  const auto target = folder.path() / L"Huevane.Bmp";
  const Picture pictures[] = {{40, 9, 0},   {40, 9, 50},  {40, 9, 100},
                              {40, 9, 150}, {40, 9, 200}, {40, 9, 250}};
  {
    files::ReaderSafeRoute one, two;
    for (int i = 0; i < 12; ++i) {
      files::ReaderSafeRoute& route = i % 4 < 2 ? one : two;
      ASSERT_TRUE(route.Write(target, pictures[i % 6].Parts()));
      EXPECT_EQ(ReadFile(target), pictures[i % 6].bytes) << "save " << i;
      // Each keeps a spare of its own: no two names are one file.
      std::vector<std::uint64_t> ids;
      for (const std::string& name : folder.Names()) ids.push_back(FileId(folder.path() / name));
      std::sort(ids.begin(), ids.end());
      EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end()) << "save " << i;
      if (i >= 3) {
        EXPECT_EQ(folder.Names().size(), 3u) << "the target and two spares, save " << i;
      }
      EXPECT_LE(folder.Names().size(), 3u);
    }
  }
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"Huevane.Bmp"}));
}

// The surface as Windows sees it: a real DIB section in a memory DC, and the
// wallpaper file replaced through the Win32 file calls: the new-file route,
// the spare route and each of its refusals, our names beside the wallpaper
// and the start-up sweep of what a killed run left.

#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "../../unit/render/surface_probe.h"
#include "../../unit/render/temp_folder.h"
#include "render/bmp.h"
#include "render/platform.h"
#include "support/file_index.h"
#include "win32/scoped.h"

namespace {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(DibSurface, BitBltIntoABottomUpImageGivesTheFileRows) {
  // The file's pixel block is what GDI makes of the surface when copying it
  // into a bottom-up 24-bit image; the direct row reversal must agree. So
  // GDI sees the very pixels the surface writes, in the same rows.
  TWin s(23, 9);
  s.FillGradient(3, 140, 250, 250, 10, 0, 5, 128, -1, 0, 0, 0);
  s.PlotSpan(0, 0, 22, 8, 1, 2, 3, 128);

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 23;
  info.bmiHeader.biHeight = 9;  // bottom-up
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HDC copyDC = CreateCompatibleDC(nullptr);
  HBITMAP copy = CreateDIBSection(copyDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(copy, nullptr);
  HGDIOBJ old = SelectObject(copyDC, copy);
  std::memset(bits, 0, static_cast<std::size_t>(s.RowStride()) * 9);
  ASSERT_TRUE(BitBlt(copyDC, 0, 0, 23, 9, static_cast<HDC>(s.DeviceContext()), 0, 0, SRCCOPY));
  GdiFlush();
  const std::uint8_t* block = static_cast<const std::uint8_t*>(bits);
  const std::vector<std::uint8_t> viaGdi(block, block + s.RowStride() * 9);
  SelectObject(copyDC, old);
  DeleteObject(copy);
  DeleteDC(copyDC);

  const std::vector<std::uint8_t> file = EncodeBmp(s);
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 54, file.end()), viaGdi);
}

TEST(DibSurface, ASurfaceTooLargeForTheProcessFailsCleanly) {
  // Just under the size limit: a 32-bit process cannot map 2 GiB in one piece.
  try {
    TWin(26000, 27500);
    ADD_FAILURE() << "made a 26000 x 27500 surface";
  } catch (const SurfaceError& error) {
    EXPECT_STREQ(error.what(), "Not enough memory for a 26000 x 27500 picture (2145000000 bytes).");
  }
  // And the process goes on making ordinary surfaces afterwards.
  TWin ordinary(64, 64);
  EXPECT_NE(ordinary.PixelBits(), nullptr);
}

TEST(DibSurface, FreeingTheSurfaceDeletesItsDCAndSection) {
  HDC dc;
  HGDIOBJ section;
  {
    TWin s(320, 200);
    dc = static_cast<HDC>(s.DeviceContext());
    section = GetCurrentObject(dc, OBJ_BITMAP);
    ASSERT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
    ASSERT_EQ(GetObjectType(section), static_cast<DWORD>(OBJ_BITMAP));
  }
  EXPECT_EQ(GetObjectType(dc), 0u);
  EXPECT_EQ(GetObjectType(section), 0u);
}

}  // namespace

// ---- our own names beside the wallpaper file ---------------------------------

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
      const std::filesystem::path sibling = platform::TemporarySibling(target, pid);
      EXPECT_LE(sibling.native().size(), target.native().size()) << sibling;
      EXPECT_EQ(sibling.parent_path(), target.parent_path());
      EXPECT_NE(sibling.filename(), target.filename());
      EXPECT_EQ(platform::SiblingOwner(sibling), pid) << sibling;
    }
  }
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
    EXPECT_EQ(platform::SiblingOwner(std::filesystem::path(L"C:\\t") / name), owner) << name;
  }
}

// ---- the spare route -----------------------------------------------------------

// The whole file for a small picture of one colour, as ranges for the routes.
struct Picture {
  std::vector<std::uint8_t> bytes;
  Picture(int width, int height, std::uint8_t shade) {
    TWin s(width, height);
    s.FillGradient(shade, 0, 255 - shade, shade, shade, 0, 1, 128, -1, 0, 0, 0);
    bytes = EncodeBmp(s);
  }
  std::vector<platform::ByteRange> Parts() const { return {{bytes.data(), bytes.size()}}; }
};

std::uint64_t FileId(const std::filesystem::path& path) { return test::FileIndex(path.wstring()); }

bool RefuseLinks(const platform::PathName&, const platform::PathName&) {
  // What a FAT32 volume answers.
  SetLastError(ERROR_INVALID_FUNCTION);
  return false;
}

TEST(SpareRoute, SwapsASpareRewrittenInPlaceAndRemovesItAtTheEnd) {
  test::TempFolder folder;
  const auto target = folder.path() / L"Huevane.Bmp";
  const Picture pictures[] = {{40, 9, 10}, {40, 9, 90}, {40, 9, 170}, {40, 9, 250}};
  {
    platform::SpareRoute route;
    ASSERT_TRUE(route.Write(target, pictures[0].Parts()));
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"Huevane.Bmp"})) << "one save, one file";
    EXPECT_TRUE(route.Spare().empty());
    ASSERT_TRUE(route.Write(target, pictures[1].Parts()));
    EXPECT_EQ(ReadFile(target), pictures[1].bytes);
    ASSERT_FALSE(route.Spare().empty()) << "the second save keeps the old file as the spare";
    EXPECT_EQ(ReadFile(route.Spare()), pictures[0].bytes);
    for (int i = 2; i < 4; ++i) {
      const std::uint64_t spareFile = FileId(route.Spare());
      const std::uint64_t wallpaperFile = FileId(target);
      ASSERT_NE(spareFile, 0u);
      ASSERT_TRUE(route.Write(target, pictures[i].Parts()));
      EXPECT_EQ(ReadFile(target), pictures[i].bytes);
      // No new file: the spare became the wallpaper, the wallpaper the spare.
      EXPECT_EQ(FileId(target), spareFile) << "save " << i;
      EXPECT_EQ(FileId(route.Spare()), wallpaperFile) << "save " << i;
      EXPECT_EQ(folder.Names().size(), 2u);
    }
  }
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"Huevane.Bmp"}));
  EXPECT_EQ(ReadFile(target), pictures[3].bytes);
}

// Each refusal: the save still lands whole by the new-file route, and the
// folder holds nothing but the target and at most the route's spare.
TEST(SpareRoute, FallsBackWheneverAStepIsRefused) {
  const Picture small1(40, 9, 20), small2(40, 9, 120), small3(40, 9, 220);
  const Picture large(41, 9, 60);
  struct Case {
    const char* what;
    platform::SpareRoute::LinkMaker links;
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
      platform::SpareRoute route(c.links);
      ASSERT_TRUE(route.Write(target, small1.Parts()));
      ASSERT_TRUE(route.Write(target, small2.Parts()));
      EXPECT_EQ(route.Spare().empty(), c.links == RefuseLinks);
      std::function<void()> undo = [] {};
      if (!route.Spare().empty()) {
        undo = c.interfere(route.Spare(), folder.path());
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
      if (!route.Spare().empty()) expected.push_back(std::filesystem::path(route.Spare()).filename().string());
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
TEST(SpareRoute, APictureAReaderHoldsBackLandsOnceItLetsGo) {
  const Picture first(40, 9, 20), second(40, 9, 120), third(40, 9, 220), fourth(40, 9, 70);
  for (const int savesBefore : {1, 3}) {
    SCOPED_TRACE(testing::Message() << savesBefore << " saves before the hold");
    test::TempFolder folder;
    const auto target = folder.path() / L"Huevane.Bmp";
    platform::SpareRoute route;
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
TEST(SpareRoute, AFolderOrAReadOnlyFileInTheWallpapersPlaceGetsNothingWritten) {
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
    platform::SpareRoute route;
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

TEST(SpareRoute, TwoWritersOfOneTargetNeverShareASpare) {
  // Two running copies of the program, each with its own route.
  test::TempFolder folder;
  const auto target = folder.path() / L"Huevane.Bmp";
  const Picture pictures[] = {{40, 9, 0},   {40, 9, 50},  {40, 9, 100},
                              {40, 9, 150}, {40, 9, 200}, {40, 9, 250}};
  {
    platform::SpareRoute one, two;
    for (int i = 0; i < 12; ++i) {
      platform::SpareRoute& route = i % 4 < 2 ? one : two;
      ASSERT_TRUE(route.Write(target, pictures[i % 6].Parts()));
      EXPECT_EQ(ReadFile(target), pictures[i % 6].bytes) << "save " << i;
      if (!one.Spare().empty() && !two.Spare().empty()) {
        EXPECT_NE(FileId(one.Spare()), FileId(two.Spare())) << "save " << i;
      }
      EXPECT_LE(folder.Names().size(), 3u);
    }
  }
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"Huevane.Bmp"}));
}

// ---- what a killed run leaves --------------------------------------------------

// A process id that existed a moment ago and has ended.
std::uint32_t EndedProcessId() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=-*";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION child{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &child)) {
    return 0;
  }
  WaitForSingleObject(child.hProcess, 60000);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return child.dwProcessId;
}

// Another process that runs now: the first in the system's list but us.
std::uint32_t RunningProcessId() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  std::uint32_t found = 0;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && found == 0;
       more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID != 0 && entry.th32ProcessID != GetCurrentProcessId()) {
      found = entry.th32ProcessID;
    }
  }
  CloseHandle(snapshot);
  return found;
}

TEST(LeftoverSaves, GoAtStartUpUnlessTheirWriterRunsOrTheyAreOpen) {
  test::TempFolder folder;
  const auto target = folder.path() / L"Huevane.Bmp";
  const std::uint32_t ended = EndedProcessId();
  const std::uint32_t running = RunningProcessId();
  ASSERT_NE(ended, 0u);
  ASSERT_NE(running, 0u);
  ASSERT_FALSE(platform::WriterIsRunning(ended));
  ASSERT_TRUE(platform::WriterIsRunning(running));
  ASSERT_TRUE(platform::WriterIsRunning(GetCurrentProcessId()));

  auto make = [&](const std::filesystem::path& name) {
    std::ofstream(name, std::ios::binary) << "half a picture";
    return name.filename().string();
  };
  const std::string endedTemporary = make(platform::TemporarySibling(target, ended));
  const std::string endedSpare = make(platform::TemporarySibling(target, ended));
  const std::string ownIdOfAnEarlierRun =
      make(platform::TemporarySibling(target, GetCurrentProcessId()));
  // A running process whose id a dead writer had before it started.
  const std::filesystem::path reusedIdName = platform::TemporarySibling(target, running);
  const std::string reusedId = make(reusedIdName);
  {
    HANDLE file = CreateFileW(reusedIdName.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    FILETIME longAgo{};  // 1601, before any process
    longAgo.dwHighDateTime = 1;
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &longAgo));
    CloseHandle(file);
  }
  const std::filesystem::path heldName = platform::TemporarySibling(target, ended);
  const std::string held = make(heldName);
  std::vector<std::string> kept = {
      make(target),
      make(platform::TemporarySibling(target, running)),
      make(folder.path() / L"~hv1234.tmp"),
      make(folder.path() / L"~HV0000000a"),
      make(folder.path() / L"Huevane.Bmp.77-0.tmp"),
  };
  const std::filesystem::path folderLike = platform::TemporarySibling(target, ended);
  std::filesystem::create_directory(folderLike);
  kept.push_back(folderLike.filename().string());

  HANDLE holder = CreateFileW(heldName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  platform::RemoveLeftoverSaves(target);
  std::vector<std::string> expected = kept;
  expected.push_back(held);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(folder.Names(), expected) << "gone: " << endedTemporary << " " << endedSpare << " "
                                      << ownIdOfAnEarlierRun << " " << reusedId;
  CloseHandle(holder);
  platform::RemoveLeftoverSaves(target);
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(folder.Names(), kept);
}

// The start-up sweep of what a killed run left beside the wallpaper.

#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "files/leftovers.h"
#include "files/sibling_names.h"
#include "support/temp_folder.h"

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
  ASSERT_FALSE(files::WriterIsRunning(ended));
  ASSERT_TRUE(files::WriterIsRunning(running));
  ASSERT_TRUE(files::WriterIsRunning(GetCurrentProcessId()));

  auto make = [&](const std::filesystem::path& name) {
    std::ofstream(name, std::ios::binary) << "half a picture";
    return name.filename().string();
  };
  const std::string endedTemporary = make(files::TemporarySibling(target, ended));
  const std::string endedSpare = make(files::TemporarySibling(target, ended));
  const std::string ownIdOfAnEarlierRun =
      make(files::TemporarySibling(target, GetCurrentProcessId()));
  // A running process whose id a dead writer had before it started.
  const std::filesystem::path reusedIdName = files::TemporarySibling(target, running);
  const std::string reusedId = make(reusedIdName);
  {
    HANDLE file = CreateFileW(reusedIdName.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    FILETIME longAgo{};  // 1601, before any process
    longAgo.dwHighDateTime = 1;
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &longAgo));
    CloseHandle(file);
  }
  const std::filesystem::path heldName = files::TemporarySibling(target, ended);
  const std::string held = make(heldName);
  std::vector<std::string> kept = {
      make(target),
      make(files::TemporarySibling(target, running)),
      make(folder.path() / L"~hv1234.tmp"),
      make(folder.path() / L"~HV0000000a"),
      make(folder.path() / L"Huevane.Bmp.77-0.tmp"),
  };
  const std::filesystem::path folderLike = files::TemporarySibling(target, ended);
  std::filesystem::create_directory(folderLike);
  kept.push_back(folderLike.filename().string());

  HANDLE holder = CreateFileW(heldName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  files::RemoveLeftoverSaves(target);
  std::vector<std::string> expected = kept;
  expected.push_back(held);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(folder.Names(), expected) << "gone: " << endedTemporary << " " << endedSpare << " "
                                      << ownIdOfAnEarlierRun << " " << reusedId;
  CloseHandle(holder);
  files::RemoveLeftoverSaves(target);
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(folder.Names(), kept);
}

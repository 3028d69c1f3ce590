// e2e_driver's verbs on the prefix alone: the user's profile, temporary
// folder and wallpaper setting, and a reader that holds the wallpaper file.

#include "driver.h"

namespace driver {

bool SetUserString(const wchar_t* key, const wchar_t* name, const std::wstring& value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG status =
      RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return status == ERROR_SUCCESS;
}

// A missing or non-text value reads as "(none)", which no path equals.
std::wstring UserString(const wchar_t* key, const wchar_t* name) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) {
    return L"(none)";
  }
  DWORD type = 0;
  DWORD bytes = 0;
  std::wstring value = L"(none)";
  if (RegQueryValueExW(handle, name, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &bytes) == ERROR_SUCCESS) {
      value = buffer.data();
    }
  }
  RegCloseKey(handle);
  return value;
}

constexpr const wchar_t* kDesktopKey = L"Control Panel\\Desktop";

// The Windows version Wine reports to programs started afterwards, as
// winecfg sets it ("win98", "win7", "win10"); an empty one removes the
// setting, so the prefix's default holds again.
bool SetWindowsVersion(const std::wstring& version) {
  constexpr const wchar_t* kWineKey = L"Software\\Wine";
  if (!version.empty()) return SetUserString(kWineKey, L"Version", version);
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kWineKey, 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS) {
    return true;
  }
  const LONG status = RegDeleteValueW(handle, L"Version");
  RegCloseKey(handle);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

// When a file was last written, and its size: new bytes, or another file,
// change it. Not its creation time: Wine may take that from the inode's
// change time, which a second name made for the same file changes too.
struct FileStamp {
  FILETIME written{};
  DWORD sizeLow = 0;

  bool operator==(const FileStamp& other) const {
    return CompareFileTime(&written, &other.written) == 0 && sizeLow == other.sizeLow;
  }
};

// Read by the file's name: no handle is opened, so a look that finds
// nothing new never stands in the writer's way.
bool StampOf(const std::wstring& file, FileStamp& stamp) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) return false;
  stamp = {data.ftLastWriteTime, data.nFileSizeLow};
  return true;
}

using FileIdentity = std::uint64_t;

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& facts) {
  return (static_cast<std::uint64_t>(facts.nFileIndexHigh) << 32) | facts.nFileIndexLow;
}

int Profile() {
  wchar_t profile[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH) == 0) {
    return Fail(L"USERPROFILE is not set");
  }
  Say(L"profile", profile);
  return 0;
}

// Programs started after this read TEMP and TMP from the user's environment
// key, as on Windows; the wallpaper setting goes back to "none", so that
// whatever names a file afterwards was published by the run that follows.
int Prepare(const std::wstring& tempFolder, const std::wstring& windowsVersion) {
  if (!SetUserString(L"Environment", L"TEMP", tempFolder) ||
      !SetUserString(L"Environment", L"TMP", tempFolder) ||
      !SetUserString(kDesktopKey, L"Wallpaper", L"") || !SetWindowsVersion(windowsVersion)) {
    return Fail(L"cannot write the user's registry");
  }
  Say(L"temp", tempFolder);
  return 0;
}

void SayWallpaper() {
  Say(L"wallpaper-registry", UserString(kDesktopKey, L"Wallpaper"));
  wchar_t wallpaper[MAX_PATH + 1] = {};
  SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, wallpaper, 0);
  Say(L"wallpaper-spi", wallpaper);
}

// The same after the program has gone, when there is no window to ask.
int Wallpaper() {
  SayWallpaper();
  return 0;
}

// A reader that looks at every new file, as a virus scanner or an indexer
// does: each time another file comes to stand under the name (another file
// index, not new bytes in the same file), it opens it, sharing reading
// only, and keeps it open for `holdMs`. Meanwhile the file cannot be
// replaced or removed. It runs until `release` tells it to stop, or until
// `boundMs` have passed, and reports how many files it held, and how often
// it found the same file with new bytes (rewritten in place).
int Hold(const std::wstring& file, DWORD holdMs, DWORD boundMs) {
  HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, kHolderStopEvent);
  if (stop == nullptr) return Fail(L"cannot make the holder's event");
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(stop);
    return Fail(L"another holder runs");
  }
  auto open = [&file] {
    return CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  // The file that stands there now is not new: it is the one to watch.
  FileStamp seen{};
  FileIdentity identity = 0;
  {
    HANDLE first = open();
    BY_HANDLE_FILE_INFORMATION facts{};
    const bool known = first != INVALID_HANDLE_VALUE && GetFileInformationByHandle(first, &facts);
    if (first != INVALID_HANDLE_VALUE) CloseHandle(first);
    if (!known || !StampOf(file, seen)) {
      CloseHandle(stop);
      return Fail(L"cannot open " + file);
    }
    identity = IdentityOf(facts);
  }
  Say(L"holding", file);
  const ULONGLONG deadline = GetTickCount64() + boundMs;
  unsigned long held = 0;
  unsigned long rewritten = 0;
  bool stopped = false;
  // Looks often: a reader that comes late lets the writer through first.
  constexpr DWORD kLookMs = 2;
  while (!stopped && GetTickCount64() < deadline) {
    stopped = WaitForSingleObject(stop, kLookMs) == WAIT_OBJECT_0;
    FileStamp now{};
    if (stopped || !StampOf(file, now) || now == seen) continue;
    HANDLE handle = open();
    // Being written, or gone for a moment: looked at again next time.
    if (handle == INVALID_HANDLE_VALUE) continue;
    BY_HANDLE_FILE_INFORMATION facts{};
    if (GetFileInformationByHandle(handle, &facts)) {
      seen = {facts.ftLastWriteTime, facts.nFileSizeLow};
      if (IdentityOf(facts) != identity) {
        identity = IdentityOf(facts);
        ++held;
        Say(L"held", std::to_wstring(held));
        stopped = WaitForSingleObject(stop, holdMs) == WAIT_OBJECT_0;
      } else {
        ++rewritten;
      }
    }
    CloseHandle(handle);
  }
  CloseHandle(stop);
  Say(L"held-files", std::to_wstring(held));
  Say(L"rewritten-in-place", std::to_wstring(rewritten));
  Say(L"stopped-by", stopped ? L"release" : L"bound");
  return 0;
}

// Lets a holder go: it closes the file it holds and reports.
int Release() {
  HANDLE stop = OpenEventW(EVENT_MODIFY_STATE, FALSE, kHolderStopEvent);
  if (stop == nullptr) return Fail(L"no holder runs");
  SetEvent(stop);
  CloseHandle(stop);
  Say(L"released", L"1");
  return 0;
}

}  // namespace driver

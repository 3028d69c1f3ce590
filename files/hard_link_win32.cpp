// Hard links on Windows: CreateHardLinkW, looked up at run time, since the
// systems before Windows 2000 have none and the program must still start
// there.

#include "files/hard_link.h"

#include <windows.h>

namespace files {

bool MakeHardLink(const PathName& link, const PathName& existing) {
  using CreateHardLinkCall = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, LPSECURITY_ATTRIBUTES);
  static const CreateHardLinkCall create = [] {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const FARPROC found = kernel != nullptr ? GetProcAddress(kernel, "CreateHardLinkW") : nullptr;
    return reinterpret_cast<CreateHardLinkCall>(reinterpret_cast<void (*)()>(found));
  }();
  if (create == nullptr) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return false;
  }
  return create(link.c_str(), existing.c_str(), nullptr) != 0;
}

}  // namespace files

// The real system behind the desktop rules: each member is one Win32 call.
#pragma once

#include "desktop/desktop.h"

namespace desktop {

class Win32SystemCalls final : public SystemCalls {
 public:
  std::optional<std::wstring> TempPathWide() override;
  std::optional<std::wstring> TempPathAnsi() override;
  void SetErrorMode(std::uint32_t mode) override;
  std::int32_t GetSystemMetrics(std::int32_t index) override;
  std::optional<std::uint32_t> PlatformId() override;
  void SystemParametersInfoA(std::uint32_t action, std::uint32_t param, const std::wstring& text,
                             std::uint32_t flags) override;
  void SystemParametersInfoW(std::uint32_t action, std::uint32_t param, const std::wstring& text,
                             std::uint32_t flags) override;
};

}  // namespace desktop

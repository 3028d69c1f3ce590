// Plays the program's embedded WAVE resources through the multimedia library.
#pragma once

#include <windows.h>

#include "app/sound.h"

namespace app {

class Win32SoundPlayer final : public SoundPlayer {
 public:
  explicit Win32SoundPlayer(HMODULE module) : module_(module) {}
  void PlayResource(const char* name) override;

 private:
  HMODULE module_;
};

}  // namespace app

#include "app/win32_sound.h"

#include <mmsystem.h>

namespace app {

void Win32SoundPlayer::PlayResource(const char* name) {
  // Asynchronous, no default sound when the cue cannot play, and no
  // SND_NOSTOP: a new cue cuts off the one still sounding.
  PlaySoundA(name, module_, SND_RESOURCE | SND_ASYNC | SND_NODEFAULT);
}

}  // namespace app

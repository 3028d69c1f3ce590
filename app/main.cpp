// Huevane: no command line, no configuration; everything starts here.
#include <windows.h>

#include "app/program.h"
#include "app/win32_sound.h"
#include "desktop/win32_system_calls.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  desktop::Win32SystemCalls system;
  app::Win32SoundPlayer player(instance);
  app::ProgramServices services{system, player, {}};
  return app::RunProgram(services);
}

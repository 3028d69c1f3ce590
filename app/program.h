// The program from start-up to the end of its message loop, with the
// system's services passed in so that tests can run it whole.
#pragma once

#include "app/sound.h"
#include "desktop/desktop.h"
#include "toolkit/application.h"

namespace app {

// What the program runs against: the system calls of the desktop, the
// player of the sound cues, and where error boxes go.
struct ProgramServices {
  desktop::SystemCalls& system;
  SoundPlayer& player;
  // Where error boxes go; empty for real message boxes.
  toolkit::Application::ErrorBox errorBox;
};

// Start-up in its fixed order, the message loop, and the end. Returns the
// process's exit code: the loop's, or 1 when the program could not start.
int RunProgram(ProgramServices& services);

}  // namespace app

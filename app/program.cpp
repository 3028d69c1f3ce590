#include "app/program.h"

#include <windows.h>

#include <memory>

#include "app/about_dialog.h"
#include "app/help_window.h"
#include "app/main_window.h"
#include "files/reader_safe_route.h"

namespace app {

namespace {

// The windows, built hidden and kept until the loop ends: the main window
// first, whose creation handler makes the screen-sized surface and whose
// showing runs the first cycle, so the wallpaper is set before the window is
// on the screen. The About dialog and the help window belong to it and show
// only when the user asks, so they are built once it is on the screen, before
// the loop handles anything the user does. A window or surface that cannot be
// made ends the program with one clear message. Returns the exit code.
int RunWindows(toolkit::Application& application, Wallpaper& wallpaper, SoundCues& sounds) {
  std::unique_ptr<TForm1> form1;
  std::unique_ptr<TForm2> form2;
  std::unique_ptr<TForm3> form3;
  try {
    form1 = std::make_unique<TForm1>(wallpaper, sounds);
    application.SetMainWindow(form1->Handle());
    form1->Show();
    form2 = std::make_unique<TForm2>(form1->Handle());
    form3 = std::make_unique<TForm3>(form1->Handle());
  } catch (const std::exception& error) {
    application.HandleException(error);
    return 1;
  }
  form1->SetDialogs(form2.get(), form3.get());
  // Until the main window closes or the agreement is refused. The windows
  // go on return, the main window's surface with them.
  return application.Run();
}

}  // namespace

int RunProgram(ProgramServices& services) {
  // Before any window: the temporary folder that the wallpaper file goes
  // in, and no system error boxes for the rest of the run.
  desktop::DesktopState desktopState;
  desktop::StartupStep(services.system, desktopState);
  toolkit::Application application(L"Huevane");
  if (services.errorBox) application.SetErrorBox(services.errorBox);

  // The click, first of all: the first cue opens the sound device, which
  // takes some tens of milliseconds, and this way that overlaps building
  // the windows rather than delaying the first cycle's strum.
  SoundCues sounds(services.player);
  sounds.SetOn(true);
  sounds.Beeper(kCueClick);
  // The wallpaper outlives the windows: a picture that a reader holds back
  // when the main window closes may still land afterwards.
  Wallpaper wallpaper(WallpaperServices{services.system, desktopState, sounds},
                      std::make_unique<files::ReaderSafeRoute>(),
                      [](std::uint32_t ms) { Sleep(ms); });

  const int exitCode = RunWindows(application, wallpaper, sounds);

  // No window is left: a little wait for a picture a reader holds back,
  // then every name of ours goes; the wallpaper file and setting stay.
  wallpaper.Settle(kCloseBudgetMs);
  desktop::ExitStep(desktopState);
  return exitCode;
}

}  // namespace app

#include "app/program.h"

#include <windows.h>

#include <memory>

#include "app/about_dialog.h"
#include "app/help_window.h"
#include "app/main_window.h"
#include "files/reader_safe_route.h"

namespace app {

int RunProgram(ProgramServices& services) {
  // Before any window: the temporary folder that the wallpaper file goes
  // in, and no system error boxes for the rest of the run.
  desktop::DesktopState desktopState;
  desktop::StartupStep(services.system, desktopState);

  // The application object: the message loop, and the box that shows an
  // error escaping a handler.
  toolkit::Application application(L"Huevane");
  if (services.errorBox) application.SetErrorBox(services.errorBox);
  SoundCues sounds(services.player);
  // The click, first of all. The first cue of a process opens the sound
  // device, which takes some tens of milliseconds; started now, that runs
  // while the windows are built. Started when the main window shows, the
  // device was still opening when the first cycle's strum came, so the
  // strum waited for it and cut the click off before a sample of it sounded.
  sounds.SetOn(true);
  sounds.Beeper(kCueClick);
  // The wallpaper outlives the windows: a picture that a reader holds back
  // when the main window closes may still land afterwards.
  Wallpaper wallpaper(CycleServices{services.system, desktopState, sounds},
                      std::make_unique<files::ReaderSafeRoute>(),
                      [](std::uint32_t ms) { Sleep(ms); });

  int exitCode = 0;
  {
    // The windows, built hidden and kept until the loop ends. The main
    // window comes first; its creation handler makes the screen-sized
    // surface. The About dialog and the help window belong to it, and the
    // menu shows these two and no others. A window or surface that cannot
    // be made ends the program with one clear message.
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm3> form3;
    auto cannotStart = [&](const std::exception& error) {
      application.HandleException(error);
      form3.reset();
      form2.reset();
      form1.reset();
      desktop::ExitStep(desktopState);
      return 1;
    };
    try {
      form1 = std::make_unique<TForm1>(wallpaper, sounds);
    } catch (const std::exception& error) {
      return cannotStart(error);
    }
    application.SetMainWindow(form1->Handle());

    // Showing the main window runs the first cycle, so the wallpaper is set
    // before the window is on the screen.
    form1->Show();
    // Nothing of the two dialogs shows until the user asks for one, so they
    // are built once the main window is on the screen, before the loop
    // handles anything the user does. (Their pictures, fonts and texts
    // would otherwise keep the window from the screen for a while.)
    try {
      form2 = std::make_unique<TForm2>(form1->Handle());
      form3 = std::make_unique<TForm3>(form1->Handle());
    } catch (const std::exception& error) {
      return cannotStart(error);
    }
    form1->SetDialogs(form2.get(), form3.get());
    // The loop runs until the main window closes or the agreement is
    // refused.
    exitCode = application.Run();
    // Leaving this block destroys the windows, the main window's surface
    // with it; the wallpaper file and setting stay.
  }
  // No window is left: the process waits, a little, for a picture a reader
  // holds back, then removes every name of ours it can.
  wallpaper.Settle(kCloseBudgetMs);
  desktop::ExitStep(desktopState);
  return exitCode;
}

}  // namespace app

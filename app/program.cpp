#include "app/program.h"

#include <memory>

#include "app/unit1.h"

namespace app {

int RunProgram(Platform& platform) {
  // 1. Before any window: the temporary folder and the error mode.
  desktop::DesktopState desktopState;
  desktop::StartupStep(platform.system, desktopState);

  // 2. The application object.
  toolkit::Application application(L"Huevane");
  if (platform.errorBox) application.SetErrorBox(platform.errorBox);
  SoundCues sounds(platform.player);

  int exitCode = 0;
  {
    // 3. The main window and, in its creation handler, the surface. A
    // surface that cannot be made ends the program with one clear message.
    std::unique_ptr<TForm1> form1;
    try {
      form1 = std::make_unique<TForm1>(TForm1::Services{platform.system, desktopState, sounds});
    } catch (const std::exception& error) {
      application.HandleException(error);
      desktop::ExitStep(desktopState);
      return 1;
    }
    application.SetMainWindow(form1->Handle());

    // 6. The loop shows the main window: the click, the first cycle, then
    // the window on the screen.
    form1->Show();
    exitCode = application.Run();
    // 8. Destroying the main window frees the surface; the wallpaper file
    // and setting stay.
  }
  desktop::ExitStep(desktopState);
  return exitCode;
}

}  // namespace app

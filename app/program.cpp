#include "app/program.h"

#include <memory>

#include "app/main_window.h"
#include "app/about_dialog.h"
#include "app/help_window.h"
#include "render/platform.h"

namespace app {

int RunProgram(Platform& platform) {
  // 1. Before any window: the temporary folder and the error mode.
  desktop::DesktopState desktopState;
  desktop::StartupStep(platform.system, desktopState);
  // What a killed run left beside the wallpaper file goes now, before this
  // run writes anything there.
  if (const std::wstring wallpaper = desktop::WallpaperFilePath(desktopState); !wallpaper.empty()) {
    platform::RemoveLeftoverSaves(wallpaper);
  }

  // 2. The application object.
  toolkit::Application application(L"Huevane");
  if (platform.errorBox) application.SetErrorBox(platform.errorBox);
  SoundCues sounds(platform.player);

  int exitCode = 0;
  {
    // 3. The main window and, in its creation handler, the surface. A
    // surface that cannot be made ends the program with one clear message.
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm3> form3;
    try {
      form1 = std::make_unique<TForm1>(TForm1::Services{platform.system, desktopState, sounds});
      // 4. and 5. The About dialog and the help window, hidden; the menu
      // shows these two and no others.
      form2 = std::make_unique<TForm2>(form1->Handle());
      form3 = std::make_unique<TForm3>(form1->Handle());
    } catch (const std::exception& error) {
      application.HandleException(error);
      form3.reset();
      form2.reset();
      form1.reset();
      desktop::ExitStep(desktopState);
      return 1;
    }
    form1->SetDialogs(form2.get(), form3.get());
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

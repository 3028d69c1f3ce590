// The main window: owner of the surface and of the regeneration cycle.
#pragma once

#include <memory>
#include <string>

#include "app/cycle.h"
#include "app/sound.h"
#include "desktop/desktop.h"
#include "render/surface.h"
#include "toolkit/form.h"
#include "toolkit/scroll_bar.h"
#include "toolkit/window.h"

namespace app {

class TForm1 : public toolkit::Window, public CycleSinks {
 public:
  struct Services {
    desktop::SystemCalls& system;
    desktop::DesktopState& desktop;
    SoundCues& sounds;
  };

  // Builds the window, hidden, then runs FormCreate. Throws SurfaceError
  // when the surface cannot be made.
  explicit TForm1(Services services);
  ~TForm1() override;

  // FormShow, then the window becomes visible (centred the first time).
  void Show();

  // The About dialog and the help window that the menu shows; until they
  // are given, their items only play their cues.
  void SetDialogs(toolkit::TForm* about, toolkit::TForm* help) {
    about_ = about;
    help_ = help;
  }

  void FormCreate();
  void FormShow();
  void FormDestroy();
  // Serves all seven bars: one regeneration cycle from their positions.
  void ScrollBar1Change();
  // The popup menu's items, and their copies in the system menu.
  void Help1Click();
  void About1Click();
  void BeSilent1Click();
  void NoSounds1Click();

  // Plays a cue through the process-wide sound switch.
  void Beeper(std::int32_t cue) override;
  void PublishWallpaper(const std::wstring& path) override;

  // The seven control values, read from the bars.
  ControlValues Values() const;
  // The bar named ScrollBar1 ... ScrollBar7.
  toolkit::TScrollBar& ScrollBar(int number) const;
  const std::wstring& WallpaperFilePath() const { return wallpaperFilePath_; }
  const TWin* Surface() const { return surface_.get(); }

 protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  Services services_;
  std::wstring wallpaperFilePath_;
  std::unique_ptr<TWin> surface_;
  bool shown_ = false;
  toolkit::TForm* about_ = nullptr;
  toolkit::TForm* help_ = nullptr;
};

}  // namespace app

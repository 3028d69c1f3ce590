// The main window: owner of the surface and of the regeneration cycle.
#pragma once

#include <memory>
#include <string>

#include "app/cycle.h"
#include "render/surface.h"
#include "toolkit/form.h"
#include "toolkit/scroll_bar.h"

namespace app {

class TForm1 : public toolkit::TForm {
 public:
  // Builds the window, hidden, then runs FormCreate. `services` serve the
  // cycle, the screen size, the wallpaper path and the menu's cues. Throws
  // SurfaceError when the surface cannot be made.
  explicit TForm1(CycleServices services);
  ~TForm1() override;

  // FormShow, then the window becomes visible (centred the first time).
  void Show() override;

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

  // The seven bars, found once in the loaded layout.
  toolkit::TScrollBar& ScrollBar1;
  toolkit::TScrollBar& ScrollBar2;
  toolkit::TScrollBar& ScrollBar3;
  toolkit::TScrollBar& ScrollBar4;
  toolkit::TScrollBar& ScrollBar5;
  toolkit::TScrollBar& ScrollBar6;
  toolkit::TScrollBar& ScrollBar7;

 protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // The seven control values, read from the bars.
  ControlValues Values() const;
  // Keeps trying, on a timer, to finish what the last save left, until
  // nothing is left.
  void FinishSaveLater();
  void FinishSaveNow();
  void StopFinishing();
  // A new surface at the screen's new size, and the wallpaper made again on
  // it; the old surface stays when no new one can be made.
  void ScreenResized();

  CycleServices services_;
  std::wstring wallpaperFilePath_;
  std::unique_ptr<TWin> surface_;
  // Whether the timer that finishes a held-back save runs: a quiet
  // desktop's cycle never touches it.
  bool finishing_ = false;
  toolkit::TForm* about_ = nullptr;
  toolkit::TForm* help_ = nullptr;
};

}  // namespace app

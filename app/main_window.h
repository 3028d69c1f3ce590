// The main window: its layout, its handlers, and the one timer that hands
// the wallpaper's unfinished work on.
#pragma once

#include "app/wallpaper.h"
#include "toolkit/form.h"
#include "toolkit/scroll_bar.h"

namespace app {

class TForm1 : public toolkit::TForm {
 public:
  // Builds the window, hidden, then runs FormCreate, which makes
  // `wallpaper`'s surface; `sounds` serve the menu's cues. Throws
  // SurfaceError when the surface cannot be made.
  TForm1(Wallpaper& wallpaper, SoundCues& sounds);
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
  // Runs the timer for the wallpaper's work left, `retry` from now, or
  // stops it when none is left: a quiet desktop's cycle never touches it.
  void SetRetryTimer(RetryMs retry);

  Wallpaper& wallpaper_;
  SoundCues& sounds_;
  RetryMs timerMs_ = kNothingLeft;
  toolkit::TForm* about_ = nullptr;
  toolkit::TForm* help_ = nullptr;
};

}  // namespace app

// The application object: the GUI message loop on the one GUI thread, its
// replaceable pre-dispatch message filter, and the error box for an error
// that escapes an event handler.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>

namespace toolkit {

// Called for every queued message before it is translated and dispatched.
// Setting `handled` keeps the message from being dispatched.
struct MessageFilter {
  using Function = void (*)(void* context, MSG& message, bool& handled);
  Function function = nullptr;
  void* context = nullptr;

  explicit operator bool() const { return function != nullptr; }
  void operator()(MSG& message, bool& handled) const { function(context, message, handled); }
  bool operator==(const MessageFilter&) const = default;
};

class Application {
 public:
  explicit Application(std::wstring title);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The process's one application object (the most recently constructed),
  // or nullptr when there is none.
  static Application* Current() noexcept;

  // Installs `filter` and returns the one it replaces, so that the new
  // filter can hand messages on to it.
  MessageFilter SetMessageFilter(MessageFilter filter);

  // The window whose closing ends the application: a TForm given here ends
  // the loop when it is destroyed.
  void SetMainWindow(HWND window) { mainWindow_ = window; }
  HWND MainWindow() const { return mainWindow_; }

  // Runs the message loop until the main window is destroyed or Terminate
  // is called. Returns the quit code.
  int Run();
  // Handles one message the way the loop does (filter, then dispatch).
  void ProcessMessage(MSG& message);
  // Ends the message loop once the messages already queued are handled.
  void Terminate();

  // Shows the message of an error that escaped a handler in an error box
  // titled with the application's title. The loop goes on afterwards.
  // Never throws.
  void HandleException(const std::exception& error) noexcept;
  // Where the error box goes; tests record it instead of showing it.
  using ErrorBox = std::function<void(const std::wstring& title, const std::wstring& text)>;
  void SetErrorBox(ErrorBox box) { errorBox_ = std::move(box); }

 private:
  std::wstring title_;
  MessageFilter filter_;
  HWND mainWindow_ = nullptr;
  ErrorBox errorBox_;
  Application* previous_;
};

}  // namespace toolkit

// The X root window's background, set as the careful root setters set it:
// for each screen a pixmap of the root's size and depth, the picture put in
// pieces that fit the server's largest request, made the root's background
// and named by _XROOTPMAP_ID and ESETROOT_PMAP_ID, so that compositors and
// pseudo-transparent terminals find it. The pixmap outlives the process
// (its connection is retained, and only once every request has succeeded);
// the pixmap an earlier run left is freed when both names still point at
// it, by ending the retained client that owns it and nothing else.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TWin;

namespace x11_root {

struct Screen {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t depth = 0;
  // Empty when the root takes pictures: a TrueColor visual. Otherwise why
  // not, on one line; such a root is left as it is.
  std::string refusal;
};

class Display {
 public:
  Display();
  ~Display();
  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;

  // Connects to `name` (a DISPLAY value); empty on success, else why not.
  std::string Open(const std::string& name);

  const std::vector<Screen>& Screens() const { return screens_; }
  // The screen DISPLAY names (":0.1" names screen 1).
  int DefaultScreen() const { return defaultScreen_; }

  // Queues `picture` into a new pixmap for screen `index`: at the top left,
  // cut to the root, and black where it does not reach. Changes nothing the
  // user sees. Empty on success, else why not.
  std::string Prepare(int index, const TWin& picture);

  // Makes every prepared pixmap its root's background, names it in both
  // properties, keeps it past our exit and frees the one an earlier run
  // left. If a request fails before that, nothing is changed. Empty on
  // success, else why not.
  std::string Commit();

 private:
  struct Connection;
  std::unique_ptr<Connection> connection_;
  std::vector<Screen> screens_;
  int defaultScreen_ = 0;
};

}  // namespace x11_root

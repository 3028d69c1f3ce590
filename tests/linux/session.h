// What the tests of --set run against: a private Xvfb, the built
// huevane-render started with exactly the environment a case gives it, and
// what the X server says back (the root's pixels, its properties, how many
// pixmaps its clients hold).
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace set_test {

namespace fs = std::filesystem;

struct Outcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs `argv` with exactly `env` ("NAME=value" each) and waits for it.
Outcome Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env);

// The renderer beside the test binary.
fs::path RenderExecutable();

// A fresh folder under the temporary folder, removed with everything in it.
using Scratch = test::TempFolder;

// An Xvfb of our own with the given screens ("1024x768x24" each), which
// keeps its state when its last client leaves (-noreset): a retained pixmap
// and the root's properties outlive each run of the renderer.
class Xvfb {
 public:
  explicit Xvfb(const std::vector<std::string>& screens);
  ~Xvfb();
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;
  // ":N", or empty when it did not start.
  const std::string& display() const { return display_; }

 private:
  int pid_ = -1;
  std::string display_;
};

// A picture as 8-bit channels, top row first.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // red, green, blue for each pixel
};

// The pixels of a 24-bit BMP file as huevane-render writes it.
Picture ReadBmp(const fs::path& file);

// A connection of the test's own; every query waits for its answer.
class XClient {
 public:
  explicit XClient(const std::string& display);
  ~XClient();
  XClient(const XClient&) = delete;
  XClient& operator=(const XClient&) = delete;
  bool ok() const;

  int ScreenCount() const;
  xcb_window_t Root(int screen) const;
  // The pixmap a root property names (none when it is not set).
  xcb_pixmap_t Property(int screen, const char* name);
  // Width, height and depth of a drawable; 0 x 0 x 0 when there is none.
  struct Geometry {
    int width = 0, height = 0, depth = 0;
  };
  Geometry GeometryOf(std::uint32_t drawable);
  // What the root shows, each pixel's value as the server keeps it.
  std::vector<std::uint32_t> RootPixels(int screen, int& width, int& height);
  // The root visual's masks.
  void Masks(int screen, std::uint32_t& red, std::uint32_t& green, std::uint32_t& blue) const;
  // Pixmaps held by every client, and how many clients hold anything
  // (retained ones too), as the X-Resource extension counts them.
  int PixmapCount();
  int ClientCount();

 private:
  const xcb_screen_t* ScreenAt(int screen) const;
  xcb_connection_t* c_ = nullptr;
};

}  // namespace set_test

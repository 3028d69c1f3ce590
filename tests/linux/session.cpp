#include "session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/res.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace set_test {
namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

int Wait(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::vector<char*> Pointers(std::vector<std::string>& words) {
  std::vector<char*> pointers;
  for (std::string& word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

Outcome Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  const Scratch io;
  const std::string out = io.path() / "out";
  const std::string err = io.path() / "err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::string> words = argv;
  std::vector<std::string> variables = env;
  const std::vector<char*> wordPointers = Pointers(words);
  const std::vector<char*> variablePointers = Pointers(variables);
  Outcome outcome;
  pid_t pid = 0;
  if (posix_spawn(&pid, wordPointers[0], &actions, nullptr, wordPointers.data(),
                  variablePointers.data()) == 0) {
    outcome.exitCode = Wait(pid);
  }
  posix_spawn_file_actions_destroy(&actions);
  outcome.out = ReadAll(out);
  outcome.err = ReadAll(err);
  return outcome;
}

fs::path RenderExecutable() {
  return fs::read_symlink("/proc/self/exe").parent_path() / "huevane-render";
}

Xvfb::Xvfb(const std::vector<std::string>& screens) {
  int ready[2];
  if (::pipe(ready) != 0) return;
  // Xvfb writes its display number to the descriptor once it takes
  // connections: no guessing of free numbers, no polling of sockets.
  std::vector<std::string> argv = {"/usr/bin/Xvfb", "-displayfd", std::to_string(ready[1]),
                                   "-noreset",      "-nolisten",  "tcp"};
  for (std::size_t i = 0; i < screens.size(); ++i) {
    argv.insert(argv.end(), {"-screen", std::to_string(i), screens[i]});
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclose(&actions, ready[0]);
  const std::vector<char*> pointers = Pointers(argv);
  pid_t pid = 0;
  const bool started =
      posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  ::close(ready[1]);
  if (!started) {
    ::close(ready[0]);
    return;
  }
  pid_ = pid;
  std::string number;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd wait{ready[0], POLLIN, 0};
    if (::poll(&wait, 1, 1000) <= 0) continue;
    char c = 0;
    if (::read(ready[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  ::close(ready[0]);
  if (!number.empty()) display_ = ":" + number;
}

Xvfb::~Xvfb() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    Wait(pid_);
  }
}

Picture ReadBmp(const fs::path& file) {
  const std::string bytes = ReadAll(file);
  Picture picture;
  if (bytes.size() < 54) return picture;
  auto field = [&](std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return static_cast<int>(value);
  };
  picture.width = field(18);
  picture.height = field(22);
  const std::size_t stride = (3 * static_cast<std::size_t>(picture.width) + 3) / 4 * 4;
  picture.rgb.resize(3 * static_cast<std::size_t>(picture.width) * picture.height);
  for (int y = 0; y < picture.height; ++y) {
    const auto* row = reinterpret_cast<const std::uint8_t*>(bytes.data()) + 54 +
                      (picture.height - 1 - y) * stride;
    for (int x = 0; x < picture.width; ++x) {
      std::uint8_t* to = &picture.rgb[3 * (static_cast<std::size_t>(y) * picture.width + x)];
      to[0] = row[3 * x + 2];
      to[1] = row[3 * x + 1];
      to[2] = row[3 * x];
    }
  }
  return picture;
}

XClient::XClient(const std::string& display) : c_(xcb_connect(display.c_str(), nullptr)) {}

XClient::~XClient() { xcb_disconnect(c_); }

bool XClient::ok() const { return xcb_connection_has_error(c_) == 0; }

int XClient::ScreenCount() const { return xcb_setup_roots_length(xcb_get_setup(c_)); }

const xcb_screen_t* XClient::ScreenAt(int screen) const {
  auto roots = xcb_setup_roots_iterator(xcb_get_setup(c_));
  for (int i = 0; i < screen; ++i) xcb_screen_next(&roots);
  return roots.data;
}

xcb_window_t XClient::Root(int screen) const { return ScreenAt(screen)->root; }

xcb_pixmap_t XClient::Property(int screen, const char* name) {
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      c_, xcb_intern_atom(c_, 1, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
  xcb_pixmap_t pixmap = XCB_NONE;
  if (atom != nullptr && atom->atom != XCB_NONE) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c_, xcb_get_property(c_, 0, Root(screen), atom->atom, XCB_ATOM_PIXMAP, 0, 1), nullptr);
    if (reply != nullptr && reply->format == 32 && xcb_get_property_value_length(reply) == 4) {
      std::memcpy(&pixmap, xcb_get_property_value(reply), 4);
    }
    std::free(reply);
  }
  std::free(atom);
  return pixmap;
}

XClient::Geometry XClient::GeometryOf(std::uint32_t drawable) {
  Geometry geometry;
  xcb_get_geometry_reply_t* reply =
      xcb_get_geometry_reply(c_, xcb_get_geometry(c_, drawable), nullptr);
  if (reply != nullptr) geometry = {reply->width, reply->height, reply->depth};
  std::free(reply);
  return geometry;
}

std::vector<std::uint32_t> XClient::RootPixels(int screen, int& width, int& height) {
  const xcb_screen_t* root = ScreenAt(screen);
  width = root->width_in_pixels;
  height = root->height_in_pixels;
  int bitsPerPixel = 32, pad = 32;
  for (auto f = xcb_setup_pixmap_formats_iterator(xcb_get_setup(c_)); f.rem; xcb_format_next(&f)) {
    if (f.data->depth == root->root_depth) {
      bitsPerPixel = f.data->bits_per_pixel;
      pad = f.data->scanline_pad;
    }
  }
  std::vector<std::uint32_t> pixels;
  xcb_get_image_reply_t* image =
      xcb_get_image_reply(c_,
                          xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, root->root, 0, 0,
                                        root->width_in_pixels, root->height_in_pixels, ~0u),
                          nullptr);
  if (image == nullptr) return pixels;
  const std::uint8_t* data = xcb_get_image_data(image);
  const std::size_t stride =
      (static_cast<std::size_t>(width) * bitsPerPixel + pad - 1) / pad * pad / 8;
  const int bytes = bitsPerPixel / 8;
  pixels.resize(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint32_t value = 0;
      std::memcpy(&value, data + y * stride + x * bytes, bytes);  // least significant byte first
      pixels[static_cast<std::size_t>(y) * width + x] = value;
    }
  }
  std::free(image);
  return pixels;
}

void XClient::Masks(int screen, std::uint32_t& red, std::uint32_t& green,
                    std::uint32_t& blue) const {
  const xcb_screen_t* root = ScreenAt(screen);
  for (auto d = xcb_screen_allowed_depths_iterator(root); d.rem; xcb_depth_next(&d)) {
    for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
      if (v.data->visual_id == root->root_visual) {
        red = v.data->red_mask;
        green = v.data->green_mask;
        blue = v.data->blue_mask;
      }
    }
  }
}

int XClient::PixmapCount() {
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, 6, "PIXMAP"), nullptr);
  const xcb_atom_t pixmapType = atom != nullptr ? atom->atom : XCB_NONE;
  std::free(atom);
  int count = 0;
  xcb_res_query_clients_reply_t* clients =
      xcb_res_query_clients_reply(c_, xcb_res_query_clients(c_), nullptr);
  if (clients == nullptr) return -1;
  for (auto client = xcb_res_query_clients_clients_iterator(clients); client.rem;
       xcb_res_client_next(&client)) {
    xcb_res_query_client_resources_reply_t* resources = xcb_res_query_client_resources_reply(
        c_, xcb_res_query_client_resources(c_, client.data->resource_base), nullptr);
    if (resources == nullptr) continue;
    for (auto type = xcb_res_query_client_resources_types_iterator(resources); type.rem;
         xcb_res_type_next(&type)) {
      if (type.data->resource_type == pixmapType) count += static_cast<int>(type.data->count);
    }
    std::free(resources);
  }
  std::free(clients);
  return count;
}

int XClient::ClientCount() {
  xcb_res_query_clients_reply_t* clients =
      xcb_res_query_clients_reply(c_, xcb_res_query_clients(c_), nullptr);
  if (clients == nullptr) return -1;
  const int count = clients->num_clients;
  std::free(clients);
  return count;
}

}  // namespace set_test

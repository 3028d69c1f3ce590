#include "tools/x11_root.h"

#include <xcb/xcb.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>
#include <set>

#include "render/surface.h"
#include "tools/render_args.h"

namespace x11_root {
namespace {

// How one screen's pixmaps hold a pixel: its bits, the padding of a row,
// the byte order, and each 8-bit channel already scaled and shifted into
// the visual's mask.
struct PixelFormat {
  int bitsPerPixel = 32;
  int scanlinePad = 32;
  bool lsbFirst = true;
  std::array<std::uint32_t, 256> red{}, green{}, blue{};
  // 0xFF0000, 0xFF00, 0xFF in 32 bits, least significant byte first, on a
  // processor that keeps its words that way too.
  bool plain = false;

  std::size_t RowBytes(std::int32_t width) const {
    const std::uint64_t bits = static_cast<std::uint64_t>(width) * bitsPerPixel;
    return (bits + scanlinePad - 1) / scanlinePad * scanlinePad / 8;
  }
};

// Channel value `c` of 0..255 on the mask's own scale, rounded to nearest:
// 5 bits for depth 16's red, 10 for depth 30's.
std::array<std::uint32_t, 256> ChannelTable(std::uint32_t mask) {
  std::array<std::uint32_t, 256> table{};
  if (mask == 0) return table;
  const int shift = std::countr_zero(mask);
  const std::uint64_t top = (std::uint64_t{1} << std::popcount(mask)) - 1;
  for (std::uint32_t c = 0; c < 256; ++c) {
    table[c] = static_cast<std::uint32_t>((c * top + 127) / 255) << shift;
  }
  return table;
}

#if defined(__x86_64__) || defined(__i386__)
// Depth 24's pixels four at a time with one byte shuffle, where the
// processor has it; returns how many it converted. Each load reads 16 bytes
// for 12, so it stops while six pixels are left, inside the row.
__attribute__((target("ssse3"))) std::size_t ConvertPlainShuffled(const std::uint8_t* from,
                                                                  std::size_t count,
                                                                  std::uint8_t* to) {
  const __m128i order = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  std::size_t i = 0;
  for (; i + 6 <= count; i += 4, from += 12, to += 16) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_shuffle_epi8(pixels, order));
  }
  return i;
}

const bool kHasShuffle = __builtin_cpu_supports("ssse3");
#endif

// `count` pixels of a surface row (blue, green, red bytes) in `format`.
void ConvertPixels(const std::uint8_t* from, std::size_t count, const PixelFormat& format,
                   std::uint8_t* to) {
  if (format.plain) {
    std::size_t i = 0;
#if defined(__x86_64__) || defined(__i386__)
    if (kHasShuffle) {
      i = ConvertPlainShuffled(from, count, to);
      from += 3 * i;
      to += 4 * i;
    }
#endif
    // Four pixels from three words: the bytes are already in the order the
    // pixel's value needs, least significant first.
    for (; i + 4 <= count; i += 4, from += 12, to += 16) {
      std::uint32_t w[3];
      std::memcpy(w, from, 12);
      const std::uint32_t pixels[4] = {w[0] & 0xFFFFFF, (w[0] >> 24 | w[1] << 8) & 0xFFFFFF,
                                       (w[1] >> 16 | w[2] << 16) & 0xFFFFFF, w[2] >> 8};
      std::memcpy(to, pixels, 16);
    }
    for (; i < count; ++i, from += 3, to += 4) {
      const std::uint8_t pixel[4] = {from[0], from[1], from[2], 0};
      std::memcpy(to, pixel, 4);
    }
    return;
  }
  const int bytes = format.bitsPerPixel / 8;
  for (std::size_t i = 0; i < count; ++i, from += 3, to += bytes) {
    const std::uint32_t pixel = format.blue[from[0]] | format.green[from[1]] | format.red[from[2]];
    for (int b = 0; b < bytes; ++b) {
      const int byte = format.lsbFirst ? b : bytes - 1 - b;
      to[b] = static_cast<std::uint8_t>(pixel >> (8 * byte));
    }
  }
}

const char* VisualClassName(std::uint8_t visualClass) {
  switch (visualClass) {
    case XCB_VISUAL_CLASS_STATIC_GRAY: return "StaticGray";
    case XCB_VISUAL_CLASS_GRAY_SCALE: return "GrayScale";
    case XCB_VISUAL_CLASS_STATIC_COLOR: return "StaticColor";
    case XCB_VISUAL_CLASS_PSEUDO_COLOR: return "PseudoColor";
    case XCB_VISUAL_CLASS_TRUE_COLOR: return "TrueColor";
    case XCB_VISUAL_CLASS_DIRECT_COLOR: return "DirectColor";
  }
  return "unknown";
}

const xcb_visualtype_t* RootVisual(const xcb_screen_t& screen) {
  for (auto depths = xcb_screen_allowed_depths_iterator(&screen); depths.rem;
       xcb_depth_next(&depths)) {
    for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
         xcb_visualtype_next(&visuals)) {
      if (visuals.data->visual_id == screen.root_visual) return visuals.data;
    }
  }
  return nullptr;
}

const xcb_format_t* FormatOfDepth(const xcb_setup_t& setup, std::uint8_t depth) {
  for (auto formats = xcb_setup_pixmap_formats_iterator(&setup); formats.rem;
       xcb_format_next(&formats)) {
    if (formats.data->depth == depth) return formats.data;
  }
  return nullptr;
}

// Why screen `index` takes no picture, or nothing; fills `format` when it does.
std::string Refusal(const xcb_setup_t& setup, const xcb_screen_t& screen, int index,
                    PixelFormat& format) {
  const std::string name =
      "screen " + std::to_string(index) + " (depth " + std::to_string(screen.root_depth) + ")";
  const xcb_visualtype_t* visual = RootVisual(screen);
  if (visual == nullptr) return name + " names no visual for its root";
  if (visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR) {
    return name + " has a " + VisualClassName(visual->_class) +
           " root, whose colours come from a colormap: only TrueColor roots are set, so it was "
           "left as it was";
  }
  const xcb_format_t* pixmapFormat = FormatOfDepth(setup, screen.root_depth);
  if (pixmapFormat == nullptr || pixmapFormat->bits_per_pixel % 8 != 0 ||
      pixmapFormat->bits_per_pixel > 32 || pixmapFormat->bits_per_pixel < 8 ||
      pixmapFormat->scanline_pad % 8 != 0 || pixmapFormat->scanline_pad == 0) {
    return name + " has a pixmap format this program cannot fill";
  }
  format.bitsPerPixel = pixmapFormat->bits_per_pixel;
  format.scanlinePad = pixmapFormat->scanline_pad;
  format.lsbFirst = setup.image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
  format.red = ChannelTable(visual->red_mask);
  format.green = ChannelTable(visual->green_mask);
  format.blue = ChannelTable(visual->blue_mask);
  format.plain = std::endian::native == std::endian::little && format.bitsPerPixel == 32 &&
                 format.lsbFirst && visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00 &&
                 visual->blue_mask == 0xFF;
  return {};
}

// What one X error means to the user.
std::string ErrorText(const xcb_generic_error_t& error) {
  if (error.error_code == XCB_ALLOC) return "the X server has not enough memory for it";
  return "the X server refused request " + std::to_string(error.major_code) + " (error " +
         std::to_string(error.error_code) + ")";
}

// Pieces of at most this many bytes keep the converted copy small and in the
// cache while the socket takes it.
constexpr std::size_t kPieceBytes = 256 * 1024;

}  // namespace

struct Display::Connection {
  xcb_connection_t* c = nullptr;
  std::string name;
  std::size_t maxRequestBytes = 0;
  xcb_atom_t rootPixmapAtom = XCB_NONE;
  xcb_atom_t esetrootAtom = XCB_NONE;
  std::vector<PixelFormat> formats;
  struct Prepared {
    xcb_window_t root;
    xcb_pixmap_t pixmap;
  };
  std::vector<Prepared> prepared;

  ~Connection() {
    if (c != nullptr) xcb_disconnect(c);
  }

  std::string Lost() const {
    return "the connection to X display " + render_args::Quoted(name) + " was lost";
  }

  // Waits until the server has handled every request sent so far; empty
  // when none failed, else the first failure.
  std::string Sync() {
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    if (xcb_connection_has_error(c)) return Lost();
    std::string problem;
    while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
      if (event->response_type == 0 && problem.empty()) {
        problem = ErrorText(*reinterpret_cast<xcb_generic_error_t*>(event));
      }
      std::free(event);
    }
    return problem;
  }

  // The pixmap both properties of `root` name, or none when they differ.
  xcb_pixmap_t NamedByBoth(xcb_window_t root) {
    xcb_pixmap_t named[2] = {XCB_NONE, XCB_NONE};
    const xcb_atom_t atoms[2] = {rootPixmapAtom, esetrootAtom};
    xcb_get_property_cookie_t cookies[2];
    for (int i = 0; i < 2; ++i) {
      cookies[i] = xcb_get_property(c, 0, root, atoms[i], XCB_ATOM_PIXMAP, 0, 1);
    }
    for (int i = 0; i < 2; ++i) {
      xcb_get_property_reply_t* reply = xcb_get_property_reply(c, cookies[i], nullptr);
      if (reply != nullptr && reply->type == XCB_ATOM_PIXMAP && reply->format == 32 &&
          xcb_get_property_value_length(reply) == 4) {
        std::memcpy(&named[i], xcb_get_property_value(reply), 4);
      }
      std::free(reply);
    }
    return named[0] == named[1] ? named[0] : XCB_NONE;
  }

  // Whether `pixmap` still is a drawable on `root`: a stale name is never
  // followed to whichever client took its number since.
  bool StillThere(xcb_pixmap_t pixmap, xcb_window_t root) {
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, pixmap), nullptr);
    const bool there = geometry != nullptr && geometry->root == root;
    std::free(geometry);
    return there;
  }
};

Display::Display() = default;
Display::~Display() = default;

std::string Display::Open(const std::string& name) {
  if (name.empty()) return "DISPLAY is not set, so there is no X display to set";
  auto connection = std::make_unique<Connection>();
  connection->name = name;
  int screenNumber = 0;
  connection->c = xcb_connect(name.c_str(), &screenNumber);
  switch (xcb_connection_has_error(connection->c)) {
    case 0: break;
    case XCB_CONN_CLOSED_PARSE_ERR:
      return "DISPLAY " + render_args::Quoted(name) + " is not the name of an X display";
    case XCB_CONN_CLOSED_INVALID_SCREEN:
      return "X display " + render_args::Quoted(name) + " has no such screen";
    default:
      return "cannot connect to X display " + render_args::Quoted(name) +
             " (no X server there, or it refused us)";
  }
  xcb_connection_t* c = connection->c;
  const xcb_intern_atom_cookie_t rootCookie = xcb_intern_atom(c, 0, 13, "_XROOTPMAP_ID");
  const xcb_intern_atom_cookie_t esetCookie = xcb_intern_atom(c, 0, 16, "ESETROOT_PMAP_ID");
  // In 4-byte units; BIG-REQUESTS, where the server has it, raises it.
  connection->maxRequestBytes = std::size_t{xcb_get_maximum_request_length(c)} * 4;
  for (auto [cookie, atom] : {std::pair{rootCookie, &connection->rootPixmapAtom},
                              std::pair{esetCookie, &connection->esetrootAtom}}) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookie, nullptr);
    if (reply != nullptr) *atom = reply->atom;
    std::free(reply);
  }
  if (xcb_connection_has_error(c) || connection->rootPixmapAtom == XCB_NONE ||
      connection->esetrootAtom == XCB_NONE) {
    return connection->Lost();
  }

  const xcb_setup_t* setup = xcb_get_setup(c);
  int index = 0;
  for (auto roots = xcb_setup_roots_iterator(setup); roots.rem; xcb_screen_next(&roots), ++index) {
    const xcb_screen_t& root = *roots.data;
    PixelFormat format;
    Screen screen{root.width_in_pixels, root.height_in_pixels, root.root_depth,
                  Refusal(*setup, root, index, format)};
    screens_.push_back(std::move(screen));
    connection->formats.push_back(format);
  }
  defaultScreen_ = screenNumber;
  connection_ = std::move(connection);
  return {};
}

std::string Display::Prepare(int index, const TWin& picture) {
  Connection& connection = *connection_;
  xcb_connection_t* c = connection.c;
  const Screen& screen = screens_.at(static_cast<std::size_t>(index));
  const PixelFormat& format = connection.formats[static_cast<std::size_t>(index)];
  auto roots = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < index; ++i) xcb_screen_next(&roots);
  const xcb_window_t root = roots.data->root;

  const auto width = static_cast<std::uint16_t>(screen.width);
  const auto height = static_cast<std::uint16_t>(screen.height);
  const std::int32_t putWidth = std::min(picture.Width(), screen.width);
  const std::int32_t putHeight = std::min(picture.Height(), screen.height);

  // A piece is whole rows where a row fits in a request, else a part of one.
  const std::size_t maxData = (connection.maxRequestBytes - 28) / 4 * 4;
  std::int32_t pieceWidth = putWidth;
  if (format.RowBytes(pieceWidth) > maxData) {
    pieceWidth =
        static_cast<std::int32_t>((maxData * 8 - format.scanlinePad) / format.bitsPerPixel);
  }
  const std::size_t rowBytes = format.RowBytes(pieceWidth);
  const std::size_t budget = std::min(maxData, std::max(kPieceBytes, rowBytes));
  const auto pieceRows = static_cast<std::int32_t>(std::max<std::size_t>(1, budget / rowBytes));
  std::vector<std::uint8_t> piece;
  try {
    piece.assign(rowBytes * static_cast<std::size_t>(std::min(pieceRows, putHeight)), 0);
  } catch (const std::bad_alloc&) {
    return "not enough memory for a piece of the picture";
  }

  const xcb_pixmap_t pixmap = xcb_generate_id(c);
  xcb_create_pixmap(c, static_cast<std::uint8_t>(screen.depth), pixmap, root, width, height);
  const xcb_gcontext_t gc = xcb_generate_id(c);
  xcb_create_gc(c, gc, pixmap, 0, nullptr);
  if (putWidth < screen.width || putHeight < screen.height) {
    // Foreground 0, which every TrueColor visual shows as black.
    const xcb_rectangle_t all{0, 0, width, height};
    xcb_poly_fill_rectangle(c, pixmap, gc, 1, &all);
  }
  const std::uint8_t* bits = picture.PixelBits();
  const std::size_t stride = static_cast<std::size_t>(picture.RowStride());
  for (std::int32_t y = 0; y < putHeight; y += pieceRows) {
    const std::int32_t rows = std::min(pieceRows, putHeight - y);
    for (std::int32_t x = 0; x < putWidth; x += pieceWidth) {
      const std::int32_t columns = std::min(pieceWidth, putWidth - x);
      const std::size_t bytes = format.RowBytes(columns);
      for (std::int32_t row = 0; row < rows; ++row) {
        const std::uint8_t* from = bits + static_cast<std::size_t>(y + row) * stride + 3 * x;
        ConvertPixels(from, static_cast<std::size_t>(columns), format,
                      piece.data() + static_cast<std::size_t>(row) * bytes);
      }
      // Sent, or copied into xcb's buffer, before it returns: the piece
      // can be filled again at once.
      xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, static_cast<std::uint16_t>(columns),
                    static_cast<std::uint16_t>(rows), static_cast<std::int16_t>(x),
                    static_cast<std::int16_t>(y), 0, static_cast<std::uint8_t>(screen.depth),
                    static_cast<std::uint32_t>(bytes * static_cast<std::size_t>(rows)),
                    piece.data());
    }
  }
  xcb_free_gc(c, gc);
  connection.prepared.push_back({root, pixmap});
  if (xcb_connection_has_error(c)) return connection.Lost();
  return {};
}

std::string Display::Commit() {
  Connection& connection = *connection_;
  xcb_connection_t* c = connection.c;
  if (std::string problem = connection.Sync(); !problem.empty()) {
    for (const auto& p : connection.prepared) xcb_free_pixmap(c, p.pixmap);
    connection.prepared.clear();
    connection.Sync();
    return "the picture could not be put on the X server: " + problem;
  }

  std::vector<xcb_pixmap_t> earlier;
  for (const auto& p : connection.prepared) {
    const xcb_pixmap_t named = connection.NamedByBoth(p.root);
    if (named != XCB_NONE && connection.StillThere(named, p.root)) earlier.push_back(named);
  }

  for (const auto& p : connection.prepared) {
    xcb_change_window_attributes(c, p.root, XCB_CW_BACK_PIXMAP, &p.pixmap);
    for (const xcb_atom_t atom : {connection.rootPixmapAtom, connection.esetrootAtom}) {
      xcb_change_property(c, XCB_PROP_MODE_REPLACE, p.root, atom, XCB_ATOM_PIXMAP, 32, 1,
                          &p.pixmap);
    }
    xcb_clear_area(c, 0, p.root, 0, 0, 0, 0);
  }
  if (std::string problem = connection.Sync(); !problem.empty()) {
    return "the root window could not be set: " + problem;
  }
  xcb_set_close_down_mode(c, XCB_CLOSE_DOWN_RETAIN_PERMANENT);

  // Ending the earlier pixmap's client frees that pixmap and whatever else
  // the client kept; each such client once, and never our own.
  const std::uint32_t clientMask = ~xcb_get_setup(c)->resource_id_mask;
  const std::uint32_t ourClient =
      connection.prepared.empty() ? 0 : connection.prepared.front().pixmap & clientMask;
  std::set<std::uint32_t> ended;
  for (const xcb_pixmap_t pixmap : earlier) {
    const std::uint32_t client = pixmap & clientMask;
    if (client == ourClient || !ended.insert(client).second) continue;
    xcb_kill_client(c, pixmap);
  }
  // A kill that finds its client gone already is no failure of ours.
  connection.Sync();
  if (xcb_connection_has_error(c)) return connection.Lost();
  return {};
}

}  // namespace x11_root

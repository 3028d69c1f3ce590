// huevane-render: paints one gradient into a fresh picture and saves it as a
// BMP file. Usage and exit statuses: tools/render_args.cpp; where the file
// goes: tools/output_file.h.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "render/bmp.h"
#include "render/surface.h"
#include "tools/output_file.h"
#include "tools/render_args.h"

#ifdef _WIN32
#include "win32/text.h"
#else
#include "tools/set_wallpaper.h"
#endif

namespace {

using namespace render_args;

// Text goes out through C stdio rather than iostreams: the streams would
// bring the whole of the C++ locale machinery into the program, about a
// sixth of its size, for four lines of output.
void Print(std::FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

// Every message is one line on stderr that starts with the program's name.
void Say(const std::string& message) { Print(stderr, "huevane-render: " + message + "\n"); }

// The answer to --help or --version, or the arguments' problem: the exit
// status, or nothing when the arguments ask for a picture.
std::optional<int> Answer(const ParseResult& result) {
  if (const auto* error = std::get_if<ArgsError>(&result)) {
    Say(error->message);
    if (error->showUsage) {
      Print(stderr, UsageLines());
      Print(stderr, "Try 'huevane-render --help' for more information.\n");
    }
    return error->exitCode;
  }
  if (std::holds_alternative<HelpRequest>(result)) {
    Print(stdout, UsageText());
    return kExitOk;
  }
  if (std::holds_alternative<VersionRequest>(result)) {
    Print(stdout, VersionText());
    return kExitOk;
  }
  return std::nullopt;
}

// The picture `a` asks for at `width` x `height`, painted; nullptr once it
// has said why not.
std::unique_ptr<TWin> Paint(const RenderArgs& a, std::int32_t width, std::int32_t height) {
  // The size is one a BMP file can hold; what may still fail is memory.
  std::unique_ptr<TWin> surface;
  try {
    surface = CreateWin(width, height);
  } catch (const SurfaceError& error) {
    Say(std::string("cannot make the picture: ") + error.what());
    return nullptr;
  } catch (const std::bad_alloc&) {
    const SurfaceError error(SurfaceError::Reason::NoMemory, width, height,
                             SurfaceBytes(width, height));
    Say(std::string("cannot make the picture: ") + error.what());
    return nullptr;
  }
  try {
    surface->FillGradient(a.start.red, a.start.green, a.start.blue, a.end.red, a.end.green,
                          a.end.blue, a.style, a.weight, a.rect.left, a.rect.top, a.rect.right,
                          a.rect.bottom);
  } catch (const FloatingPointError& error) {
    Say(error.what());
    return nullptr;
  }
  return surface;
}

// Writes `surface` to `path`, named `shown` for the user; whether it did.
bool Write(const TWin& surface, const std::string& shown, const files::PathName& path) {
  output_file::Result written;
  try {
    const auto header = EncodeBmpHeader(surface);
    written = output_file::WriteOutput(shown, path, BmpFileParts(surface, header));
  } catch (const std::bad_alloc&) {
    written.message = "cannot write " + Quoted(shown) + ": not enough memory";
  }
  if (!written.message.empty()) Say(written.message);
  return written.written;
}

// `args` are the arguments after the program name as UTF-8 (or the bytes
// given, natively); `paths` the same arguments as the platform's own paths.
int Run(std::span<const std::string> args, std::span<const files::PathName> paths) {
  const ParseResult result = ParseRenderArgs(args);
  if (const std::optional<int> status = Answer(result)) return *status;
  const RenderArgs& a = std::get<RenderArgs>(result);
#ifndef _WIN32
  if (a.set != SetTarget::None) {
    const set_wallpaper::Steps steps{
        [&a](std::int32_t width, std::int32_t height) { return Paint(a, width, height); }, Write,
        Say};
    return set_wallpaper::Run(a, a.out.empty() ? files::PathName() : paths[a.outIndex], steps);
  }
#endif
  const std::unique_ptr<TWin> surface = Paint(a, a.width, a.height);
  if (surface == nullptr) return kExitFillOrWriteFailed;
  return Write(*surface, a.out, paths[a.outIndex]) ? kExitOk : kExitFillOrWriteFailed;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  std::vector<files::PathName> paths;
  for (int i = 1; i < argc; ++i) {
    args.push_back(win32::Narrow(argv[i], CP_UTF8));
    paths.emplace_back(argv[i]);
  }
  return Run(args, paths);
}
#else
int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::vector<files::PathName> paths(argv + 1, argv + argc);
  return Run(args, paths);
}
#endif

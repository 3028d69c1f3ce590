#include "app/wallpaper.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "render/gradient.h"
#include "render/surface.h"

namespace app {

namespace {

// A weight of 128 replaces each pixel outright.
constexpr std::int32_t kOpaque = 128;

// A reader that has just opened the new file (a scanner's glance) is
// usually gone within a few tries of the first; one that keeps it open (a
// viewer) is asked less and less often, never less than every two seconds,
// so that the last change still lands soon after it lets go.
constexpr RetryMs kFirstRetryMs = 25;
constexpr RetryMs kLongestRetryMs = 2000;
// How often Settle looks while it waits.
constexpr std::uint32_t kSettlePauseMs = 50;

}  // namespace

Wallpaper::Wallpaper(WallpaperServices services, std::unique_ptr<files::SaveRoute> route,
                     Pause pause)
    : services_(services), route_(std::move(route)), pause_(std::move(pause)) {}

Wallpaper::~Wallpaper() = default;

void Wallpaper::Create() {
  path_ = desktop::WallpaperFilePath(services_.desktop);
  // What a killed run left beside the wallpaper file goes now, before this
  // run writes anything there.
  if (!path_.empty()) route_->Sweep(path_);
  const std::int32_t width = desktop::ScreenWidth(services_.system);
  const std::int32_t height = desktop::ScreenHeight(services_.system);
  surface_ = CreateWin(width, height);
}

void Wallpaper::FreeSurface() { surface_.reset(); }

RetryMs Wallpaper::Regenerate(const ControlValues& values) {
  if (surface_ == nullptr) return retryMs_;
  const RetryMs retry = Paint(values);
  services_.sounds.Beeper(kCueStrum);
  return retry;
}

RetryMs Wallpaper::Remake(const ControlValues& values) {
  if (surface_ == nullptr) return retryMs_;
  const std::int32_t width = desktop::ScreenWidth(services_.system);
  const std::int32_t height = desktop::ScreenHeight(services_.system);
  if (width == surface_->Width() && height == surface_->Height()) return retryMs_;
  try {
    surface_ = CreateWin(width, height);
  } catch (const std::exception&) {
    // Not enough memory at the new size: the old surface goes on working.
    return retryMs_;
  }
  return Paint(values);
}

RetryMs Wallpaper::Paint(const ControlValues& values) {
  TWin& surface = *surface_;
  surface.FillGradient(values.startRed, values.startGreen, values.startBlue, values.endRed,
                       values.endGreen, values.endBlue, values.style, kOpaque, kWholeSurface.left,
                       kWholeSurface.top, kWholeSurface.right, kWholeSurface.bottom);
  surface.SaveToBmp(path_, *route_);
  // Nothing below reads the surface: the system may hand the window a
  // display change while it publishes, and that replaces the surface.
  const RetryMs retry = NextRetry(kFirstRetryMs);
  Publish();
  return retry;
}

RetryMs Wallpaper::Finish() {
  if (route_->Finish()) Publish();
  return NextRetry(std::min(retryMs_ * 2, kLongestRetryMs));
}

void Wallpaper::Settle(std::uint32_t budgetMs) {
  for (std::uint32_t waited = 0; route_->Pending(); waited += kSettlePauseMs) {
    if (route_->Finish()) {
      Publish();
      break;
    }
    if (waited >= budgetMs) break;
    pause_(kSettlePauseMs);
  }
  route_->Clear();
  retryMs_ = kNothingLeft;
}

void Wallpaper::Publish() { desktop::PublishWallpaper(services_.system, services_.desktop, path_); }

RetryMs Wallpaper::NextRetry(RetryMs next) {
  retryMs_ = route_->Unfinished() ? std::max(next, kFirstRetryMs) : kNothingLeft;
  return retryMs_;
}

}  // namespace app

// Where the saves of one target go, and what they leave to finish: the seam
// between the wallpaper's owner and the file system.
#pragma once

#include <span>

#include "files/path_name.h"
#include "files/replace.h"

namespace files {

class SaveRoute {
 public:
  virtual ~SaveRoute() = default;
  // Whether `target` now holds the new bytes. A failure leaves `target` as
  // it was; when a reader holds it, the picture is pending.
  virtual bool Write(const PathName& target, std::span<const ByteRange> parts) noexcept = 0;
  // Whether a whole picture waits for its target.
  virtual bool Pending() const noexcept = 0;
  // Whether anything is left: a pending picture, or names of ours that a
  // reader kept from being removed.
  virtual bool Unfinished() const noexcept = 0;
  // Tries once more, at once: moves a pending picture in, removes what can
  // be removed. True when a pending picture has landed now.
  virtual bool Finish() noexcept = 0;
  // Removes every name of ours it can, a pending picture too; a name still
  // held is left for the next start's sweep. Later saves start afresh.
  virtual void Clear() noexcept = 0;
  // Before this process saves at `target`: removes what a killed run left
  // beside it.
  virtual void Sweep(const PathName& target) noexcept = 0;
};

}  // namespace files

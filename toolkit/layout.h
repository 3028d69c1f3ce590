// Window layouts as design data: a table of component descriptions, applied
// in one fixed order. First each component is made and given its plain
// values, in stored order; then every reference to another component is
// resolved; then every component hears that loading is complete.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "toolkit/component.h"

namespace toolkit {

struct ValueSetting {
  std::wstring property;
  DesignValue value;
};

struct ReferenceSetting {
  std::wstring property;
  std::wstring target;  // the name of another component of the same owner
};

// Where a component stands, as its layout designs it (scaled): a native
// control is made there at once.
struct Place {
  std::int32_t left = 0, top = 0, width = 0, height = 0;
};

struct ComponentDesign {
  std::wstring name;
  // Makes the component for `owner`, at `place` where it has one.
  std::function<std::unique_ptr<Component>(Component& owner, const Place& place)> create;
  std::vector<ValueSetting> values;
  std::vector<ReferenceSetting> references;
};

// Makes a T owned by `owner`: the maker a layout table names for a
// component that is not a control (a menu, a menu item).
template <class T>
std::unique_ptr<Component> MakeComponent(Component& owner, const Place& /*place*/) {
  return std::make_unique<T>(&owner);
}

// How design pixels (96 pixels per inch) become pixels on this display: the
// ratio of the window font's text height here to its design text height.
// The identity leaves every value exactly as designed.
struct LayoutScale {
  std::int32_t textHeight = 13;        // the font's text height on this display
  std::int32_t designTextHeight = 13;  // the same font's text height in the design

  bool Identity() const { return textHeight == designTextHeight; }
  // `value` scaled, rounded to the nearest pixel (halves away from zero), so
  // that a negative offset mirrors the positive one.
  std::int32_t operator()(std::int32_t value) const;
  // An extent from `start`, scaled by its edges: the scaled far edge minus
  // the scaled start. Edges that meet or overlap in the design then meet or
  // overlap alike after scaling, and a control whose far edge is the
  // client area's edge still reaches it, which rounding the extent on its
  // own does not promise.
  std::int32_t Extent(std::int32_t start, std::int32_t extent) const {
    return (*this)(start + extent) - (*this)(start);
  }
};

// Builds `owner`'s components from `design`, with every Left and Top value
// scaled by `scale`, and every Width and Height by its edges from the
// component's designed Left or Top (0 where it has none). Throws std::invalid_argument for an
// unknown property or a reference to a component that is not there.
void ApplyLayout(Component& owner, std::span<const ComponentDesign> design, LayoutScale scale = {});

}  // namespace toolkit

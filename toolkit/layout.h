// Window layouts as design data: a table of component descriptions, applied
// in one fixed order. First each component is made and given its plain
// values, in stored order; then every reference to another component is
// resolved; then every component hears that loading is complete.
#pragma once

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

struct ComponentDesign {
  std::wstring name;
  // Makes the component for `owner`.
  std::function<std::unique_ptr<Component>(Component& owner)> create;
  std::vector<ValueSetting> values;
  std::vector<ReferenceSetting> references;
};

// Builds `owner`'s components from `design`. Throws std::invalid_argument
// for an unknown property or a reference to a component that is not there.
void ApplyLayout(Component& owner, std::span<const ComponentDesign> design);

}  // namespace toolkit

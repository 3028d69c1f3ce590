#include "toolkit/layout.h"

#include <stdexcept>

namespace toolkit {

std::int32_t LayoutScale::operator()(std::int32_t value) const {
  if (Identity() || designTextHeight <= 0) return value;
  const std::int64_t product = static_cast<std::int64_t>(value) * textHeight;
  const std::int64_t half = designTextHeight / 2;
  const std::int64_t rounded =
      product >= 0 ? (product + half) / designTextHeight : -((-product + half) / designTextHeight);
  return static_cast<std::int32_t>(rounded);
}

namespace {

// The properties that ApplyLayout scales, and the only ones.
bool IsGeometryProperty(std::wstring_view property) {
  return property == L"Left" || property == L"Top" || property == L"Width" || property == L"Height";
}

// The designed number of `property` among `values`, or 0.
std::int32_t DesignNumber(const std::vector<ValueSetting>& values, std::wstring_view property) {
  for (const ValueSetting& setting : values) {
    if (setting.property != property) continue;
    if (const auto* number = std::get_if<std::int32_t>(&setting.value)) return *number;
  }
  return 0;
}

// A Left, Top, Width or Height of `entry` on this display.
std::int32_t ScaledGeometry(const ComponentDesign& entry, std::wstring_view property,
                            std::int32_t value, LayoutScale scale) {
  if (property == L"Width") return scale.Extent(DesignNumber(entry.values, L"Left"), value);
  if (property == L"Height") return scale.Extent(DesignNumber(entry.values, L"Top"), value);
  return scale(value);
}

// Where `entry` stands on this display, as its geometry values say.
Place DesignPlace(const ComponentDesign& entry, LayoutScale scale) {
  auto edge = [&](std::wstring_view property) {
    const std::int32_t value = DesignNumber(entry.values, property);
    return scale.Identity() ? value : ScaledGeometry(entry, property, value, scale);
  };
  return {edge(L"Left"), edge(L"Top"), edge(L"Width"), edge(L"Height")};
}

}  // namespace

void ApplyLayout(Component& owner, std::span<const ComponentDesign> design, LayoutScale scale) {
  std::vector<Component*> made;
  made.reserve(design.size());
  for (const ComponentDesign& entry : design) {
    Component& component = owner.Adopt(entry.create(owner, DesignPlace(entry, scale)));
    component.SetName(entry.name);
    for (const ValueSetting& setting : entry.values) {
      const auto* number = std::get_if<std::int32_t>(&setting.value);
      if (number != nullptr && !scale.Identity() && IsGeometryProperty(setting.property)) {
        const std::int32_t scaled = ScaledGeometry(entry, setting.property, *number, scale);
        component.SetDesignValue(setting.property, DesignValue{scaled});
      } else {
        component.SetDesignValue(setting.property, setting.value);
      }
    }
    made.push_back(&component);
  }
  for (std::size_t i = 0; i < design.size(); ++i) {
    for (const ReferenceSetting& setting : design[i].references) {
      Component* target = owner.FindComponent(setting.target);
      if (target == nullptr) {
        throw std::invalid_argument("reference to a missing component: " +
                                    std::string(setting.target.begin(), setting.target.end()));
      }
      made[i]->SetDesignReference(setting.property, target);
    }
  }
  for (Component* component : made) component->Loaded();
}

}  // namespace toolkit

#include "toolkit/layout.h"

#include <stdexcept>

namespace toolkit {

void ApplyLayout(Component& owner, std::span<const ComponentDesign> design) {
  std::vector<Component*> made;
  made.reserve(design.size());
  for (const ComponentDesign& entry : design) {
    Component& component = owner.Adopt(entry.create(owner));
    component.SetName(entry.name);
    for (const ValueSetting& setting : entry.values) {
      component.SetDesignValue(setting.property, setting.value);
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

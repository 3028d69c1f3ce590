#include "toolkit/component.h"

#include <stdexcept>

namespace toolkit {

namespace {

[[noreturn]] void Unknown(std::wstring_view property, const char* what) {
  throw std::invalid_argument(std::string(what) + " property " +
                              std::string(property.begin(), property.end()) + " is unknown");
}

template <class T>
const T& As(std::wstring_view property, const DesignValue& value) {
  if (const T* typed = std::get_if<T>(&value)) return *typed;
  throw std::invalid_argument("design value of " + std::string(property.begin(), property.end()) +
                              " has the wrong type");
}

}  // namespace

Component::Component(Component* owner) : owner_(owner) {}

Component::~Component() {
  // Later components may refer to earlier ones: the last made goes first.
  while (!owned_.empty()) owned_.pop_back();
}

Component* Component::FindComponent(std::wstring_view name) const {
  for (const auto& component : owned_) {
    if (component->Name() == name) return component.get();
  }
  return nullptr;
}

void Component::SetDesignValue(std::wstring_view property, const DesignValue&) {
  Unknown(property, "value");
}

void Component::SetDesignReference(std::wstring_view property, Component*) {
  Unknown(property, "reference");
}

std::int32_t DesignInt(std::wstring_view property, const DesignValue& value) {
  return As<std::int32_t>(property, value);
}

bool DesignBool(std::wstring_view property, const DesignValue& value) {
  return As<bool>(property, value);
}

const std::wstring& DesignText(std::wstring_view property, const DesignValue& value) {
  return As<std::wstring>(property, value);
}

}  // namespace toolkit

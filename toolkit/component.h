// Components: the parts a window is built from. Each has an owner that
// destroys it, a name and a load-complete notification, and takes its
// design values by property name (see layout.h).
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace toolkit {

// A plain design value: a number, a switch or a text.
using DesignValue = std::variant<std::int32_t, bool, std::wstring>;

class Component {
 public:
  explicit Component(Component* owner);
  virtual ~Component();
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  Component* Owner() const { return owner_; }
  const std::wstring& Name() const { return name_; }
  void SetName(std::wstring name) { name_ = std::move(name); }

  // Takes ownership: `component` is destroyed with this one, after any
  // component added later.
  template <class T>
  T& Adopt(std::unique_ptr<T> component) {
    T& adopted = *component;
    owned_.push_back(std::move(component));
    return adopted;
  }
  const std::vector<std::unique_ptr<Component>>& Components() const { return owned_; }
  Component* FindComponent(std::wstring_view name) const;
  // The owned component named `name` as a T; throws std::logic_error when
  // there is no such component of that type.
  template <class T>
  T& Part(std::wstring_view name) const {
    auto* part = dynamic_cast<T*>(FindComponent(name));
    if (part == nullptr) throw std::logic_error("no such component");
    return *part;
  }

  // Called once, after the owner's whole layout is applied: its values,
  // then its references.
  virtual void Loaded() {}

  // Design values and references by property name. Throws
  // std::invalid_argument for a property the component does not have.
  virtual void SetDesignValue(std::wstring_view property, const DesignValue& value);
  virtual void SetDesignReference(std::wstring_view property, Component* target);

 private:
  Component* owner_;
  std::wstring name_;
  std::vector<std::unique_ptr<Component>> owned_;
};

// The value of a design setting as the type a property expects; throws
// std::invalid_argument naming the property when it is another type.
std::int32_t DesignInt(std::wstring_view property, const DesignValue& value);
bool DesignBool(std::wstring_view property, const DesignValue& value);
const std::wstring& DesignText(std::wstring_view property, const DesignValue& value);

}  // namespace toolkit

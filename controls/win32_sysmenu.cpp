#include "controls/win32_sysmenu.h"

#include <cstring>
#include <stdexcept>

#include "toolkit/window.h"

namespace controls {

namespace {

TAppMessage Portable(const MSG& message) {
  return {reinterpret_cast<TNativeHandle>(message.hwnd),
          message.message,
          message.wParam,
          message.lParam,
          message.time,
          message.pt.x,
          message.pt.y};
}

// Filters may rewrite the message they are given; the rewrite goes on.
void CopyBack(const TAppMessage& from, MSG& to) {
  to.hwnd = reinterpret_cast<HWND>(from.hwnd);
  to.message = from.message;
  to.wParam = from.wParam;
  to.lParam = from.lParam;
  to.time = from.time;
  to.pt = {from.ptX, from.ptY};
}

MSG Native(const TAppMessage& message) {
  MSG native{};
  CopyBack(message, native);
  return native;
}

}  // namespace

bool TWin32SysMenuPlatform::OwnerIsTopLevelWindow() {
  const auto* window = dynamic_cast<const toolkit::Window*>(owner_);
  if (window == nullptr) return false;
  return window->Handle() == nullptr ||
         (GetWindowLongPtrW(window->Handle(), GWL_STYLE) & WS_CHILD) == 0;
}

TNativeHandle TWin32SysMenuPlatform::OwnerHandle() {
  // Toolkit windows make their handle when they are constructed.
  return reinterpret_cast<TNativeHandle>(static_cast<toolkit::Window&>(*owner_).Handle());
}

TNativeHandle TWin32SysMenuPlatform::GetSystemMenu(TNativeHandle window, bool revert) {
  return reinterpret_cast<TNativeHandle>(
      ::GetSystemMenu(reinterpret_cast<HWND>(window), revert ? TRUE : FALSE));
}

std::uint32_t TWin32SysMenuPlatform::GetVersion() { return ::GetVersion(); }

void TWin32SysMenuPlatform::InsertMenuA(TNativeHandle menu, std::int32_t position,
                                        std::uint32_t flags, std::uintptr_t id,
                                        const char* text) {
  ::InsertMenuA(reinterpret_cast<HMENU>(menu), static_cast<UINT>(position), flags, id, text);
}

void TWin32SysMenuPlatform::InsertMenuItemA(TNativeHandle menu, std::int32_t position,
                                            bool byPosition, const TMenuItemRecord& record) {
  static_assert(sizeof(MENUITEMINFOA) == sizeof(TMenuItemRecord));
  MENUITEMINFOA info;
  std::memcpy(&info, &record, sizeof(info));
  ::InsertMenuItemA(reinterpret_cast<HMENU>(menu), static_cast<UINT>(position),
                    byPosition ? TRUE : FALSE, &info);
}

TMessageFilter TWin32SysMenuPlatform::GetMessageFilter() {
  const toolkit::Application* application = toolkit::Application::Current();
  if (application == nullptr) return {};
  const toolkit::MessageFilter filter = application->GetMessageFilter();
  if (!filter) return {};
  if (filter.function == &RunPortable) return *static_cast<TMessageFilter*>(filter.context);
  foreign_ = filter;
  return {&RunToolkit, &foreign_};
}

void TWin32SysMenuPlatform::SetMessageFilter(TMessageFilter filter) {
  toolkit::Application* application = toolkit::Application::Current();
  if (application == nullptr) return;
  if (!filter) {
    application->SetMessageFilter({});
  } else if (filter.function == &RunToolkit) {
    // A filter read from the application goes back as it was, unwrapped.
    application->SetMessageFilter(*static_cast<toolkit::MessageFilter*>(filter.context));
  } else {
    installed_ = filter;
    application->SetMessageFilter({&RunPortable, &installed_});
  }
}

void TWin32SysMenuPlatform::RunPortable(void* context, MSG& message, bool& handled) {
  TAppMessage portable = Portable(message);
  (*static_cast<TMessageFilter*>(context))(portable, handled);
  CopyBack(portable, message);
}

void TWin32SysMenuPlatform::RunToolkit(void* context, TAppMessage& message, bool& handled) {
  MSG native = Native(message);
  (*static_cast<toolkit::MessageFilter*>(context))(native, handled);
  message = Portable(native);
}

TTolveSystemMenuComponent::TTolveSystemMenuComponent(toolkit::Component* owner)
    : Component(owner), platform_(owner), merger_(platform_) {}

void TTolveSystemMenuComponent::SetPopupMenu(toolkit::TPopupMenu* popupMenu) {
  if (popupMenu == popupMenu_) return;
  popupMenu_ = popupMenu;
  merger_.SetDesigning(Designing());
  merger_.SetPopupMenu(popupMenu == nullptr ? nullptr : &popupMenu->View());
}

void TTolveSystemMenuComponent::SetPosition(std::int32_t position) {
  merger_.SetDesigning(Designing());
  merger_.SetPosition(position);
}

void TTolveSystemMenuComponent::Loaded() { merger_.Loaded(); }

void TTolveSystemMenuComponent::SetDesignValue(std::wstring_view property,
                                               const toolkit::DesignValue& value) {
  if (property == L"Position") {
    SetPosition(toolkit::DesignInt(property, value));
  } else {
    Component::SetDesignValue(property, value);
  }
}

void TTolveSystemMenuComponent::SetDesignReference(std::wstring_view property,
                                                   toolkit::Component* target) {
  if (property != L"PopupMenu") {
    Component::SetDesignReference(property, target);
    return;
  }
  auto* popupMenu = dynamic_cast<toolkit::TPopupMenu*>(target);
  if (target != nullptr && popupMenu == nullptr) {
    throw std::invalid_argument("PopupMenu must name a popup menu");
  }
  SetPopupMenu(popupMenu);
}

}  // namespace controls

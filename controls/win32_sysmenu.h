// TTolveSystemMenuComponent: the system-menu merger as a component of a
// toolkit window, over the real system calls and the toolkit application's
// message filter.
//
// Its design value Position and design reference PopupMenu go straight to
// the merger's writers, so loading a layout merges exactly as the layout
// order makes it: Position first, with no popup menu yet; the reference
// then; the filter at load-complete.
#pragma once

#include <windows.h>

#include "controls/sysmenu.h"
#include "toolkit/application.h"
#include "toolkit/component.h"
#include "toolkit/menu.h"

namespace controls {

// The merger's platform for a component owned by `owner`.
class TWin32SysMenuPlatform final : public TSysMenuPlatform {
 public:
  explicit TWin32SysMenuPlatform(toolkit::Component* owner) : owner_(owner) {}

  // A toolkit::Window whose handle is not a child window's.
  bool OwnerIsTopLevelWindow() override;
  TNativeHandle OwnerHandle() override;
  TNativeHandle GetSystemMenu(TNativeHandle window, bool revert) override;
  std::uint32_t GetVersion() override;
  void InsertMenuA(TNativeHandle menu, std::int32_t position, std::uint32_t flags,
                   std::uintptr_t id, const char* text) override;
  void InsertMenuItemA(TNativeHandle menu, std::int32_t position, bool byPosition,
                       const TMenuItemRecord& record) override;
  // The current toolkit::Application's slot; with no application, empty and
  // ignored. A filter read here and written back is the very filter the
  // application had.
  TMessageFilter GetMessageFilter() override;
  void SetMessageFilter(TMessageFilter filter) override;

 private:
  // toolkit::MessageFilter <-> TMessageFilter, copying MSG <-> TAppMessage.
  static void RunPortable(void* context, MSG& message, bool& handled);
  static void RunToolkit(void* context, TAppMessage& message, bool& handled);

  toolkit::Component* owner_;
  TMessageFilter installed_;          // what RunPortable hands messages to
  toolkit::MessageFilter foreign_;  // what RunToolkit hands messages to
};

class TTolveSystemMenuComponent : public toolkit::Component {
 public:
  explicit TTolveSystemMenuComponent(toolkit::Component* owner);

  // Not owned: the popup menu must outlive this component. Writing another
  // menu merges at once; writing the same one does nothing.
  toolkit::TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(toolkit::TPopupMenu* popupMenu);
  // System-menu position of the first copy; -1 (the start) appends.
  std::int32_t Position() const { return merger_.Position(); }
  void SetPosition(std::int32_t position);

  TTolveSystemMenu& Merger() { return merger_; }

  // Installs the merger's message filter.
  void Loaded() override;
  void SetDesignValue(std::wstring_view property, const toolkit::DesignValue& value) override;
  void SetDesignReference(std::wstring_view property, toolkit::Component* target) override;

 private:
  // Declared first: the merger uses it until its destructor is done.
  TWin32SysMenuPlatform platform_;
  TTolveSystemMenu merger_;
  toolkit::TPopupMenu* popupMenu_ = nullptr;
};

}  // namespace controls

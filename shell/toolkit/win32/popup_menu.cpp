#include <memory>

#include "shell/toolkit/popup_menu.h"
#include "shell/toolkit/win32/toolkit.h"

namespace keldo::ui::win32 {

namespace {

// Built afresh from the items at each pop-up; TrackPopupMenu blocks, so the
// chosen item's handler is posted to the loop as the interface asks.
class Win32PopupMenu final : public PopupMenu {
 public:
  explicit Win32PopupMenu(Win32Toolkit& toolkit) : toolkit_(toolkit) {}

  void Popup(Point screen) override {
    HMENU menu = ::CreatePopupMenu();
    for (int i = 0; i < Count(); ++i) {
      const MenuItem& item = Item(i);
      if (item.IsSeparator()) {
        ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      } else {
        ::AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(i + 1), item.Caption().c_str());
      }
    }
    const HWND owner = toolkit_.Win32App().Handle();
    // A menu closes when the user clicks elsewhere only while its owner's
    // thread is in the foreground; with every form hidden in the tray, the
    // application's window stands in.
    if (toolkit_.FormOf(::GetForegroundWindow()) == nullptr) {
      ::SetForegroundWindow(owner);
    }
    const int chosen =
        static_cast<int>(::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN,
                                          screen.x, screen.y, 0, owner, nullptr));
    // Lets the menu close for good when the pointer leaves it for another
    // program's window.
    ::PostMessageA(owner, WM_NULL, 0, 0);
    ::DestroyMenu(menu);
    if (chosen > 0) {
      std::weak_ptr<bool> alive = alive_;
      toolkit_.Loop().Post([this, alive, chosen] {
        if (auto live = alive.lock(); live && *live) {
          Choose(chosen - 1);
        }
      });
    }
  }

 private:
  Win32Toolkit& toolkit_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace

std::unique_ptr<PopupMenu> Win32Toolkit::CreatePopupMenu() {
  return std::make_unique<Win32PopupMenu>(*this);
}

}  // namespace keldo::ui::win32

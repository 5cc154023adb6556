// The contract suite on the Win32 widget set: input as the system delivers it
// (mouse messages to the control under the pointer, keys through the loop's
// queue and so through the toolkit's filter), and what the native controls
// hold.
#include <string>

#include "tests/toolkit_contract/contract.h"
#include "tests/toolkit_win32/win32_fixture.h"

namespace keldo::test {
namespace {

// The system gives no mouse input to a hidden or disabled window, nor to the
// windows inside one.
bool Reachable(HWND window) {
  for (HWND at = window; at != nullptr; at = ::GetParent(at)) {
    if (!::IsWindowVisible(at) || !::IsWindowEnabled(at)) {
      return false;
    }
  }
  return true;
}

class Win32Hands final : public Hands {
 public:
  Win32Hands(EventLoop& loop, ui::win32::Win32Toolkit& toolkit) : loop_(loop), toolkit_(toolkit) {}

  void Click(ui::Control& control) override { ClickAt(Handle(control), false); }

  void DoubleClick(ui::Control& control) override {
    HWND window = Handle(control);
    ClickAt(window, false);
    if (Reachable(window)) {
      ::SendMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, Middle(window));
      ::SendMessageA(window, WM_LBUTTONUP, 0, Middle(window));
    }
    Settle();
  }

  void Type(ui::Control& control, const std::string& text) override {
    HWND window = Handle(control);
    if (HWND field = ::FindWindowExA(window, nullptr, "Edit", nullptr)) {
      window = field;  // the text field of an editable combo box
    }
    if (!Reachable(window)) {
      return;
    }
    char className[16] = {};
    ::GetClassNameA(window, className, sizeof className);
    if (lstrcmpiA(className, "Edit") == 0) {
      ClickAt(window, true);
    } else {
      ::SetFocus(window);  // a click would drop the list down
    }
    for (char c : text) {
      ::PostMessageA(::GetFocus(), WM_CHAR, static_cast<unsigned char>(c), 0);
    }
    Settle();
  }

  void Key(int virtualKey, bool shift) override {
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    const BYTE held = keys[VK_SHIFT];
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    ::SetKeyboardState(keys);
    HWND target = Target();
    ::PostMessageA(target, WM_KEYDOWN, static_cast<WPARAM>(virtualKey), 1);
    ::PostMessageA(target, WM_KEYUP, static_cast<WPARAM>(virtualKey), 0xC0000001);
    Settle();
    keys[VK_SHIFT] = held;
    ::SetKeyboardState(keys);
  }

  void Letter(char letter, bool alt) override {
    ::PostMessageA(Target(), alt ? WM_SYSCHAR : WM_CHAR, static_cast<unsigned char>(letter),
                   alt ? 0x20000001 : 1);
    Settle();
  }

  void Scroll(ui::ScrollBar& bar, ui::ScrollAction action) override {
    HWND window = Handle(bar);
    if (!Reachable(window)) {
      return;
    }
    constexpr WORD kCodes[] = {SB_LINELEFT,  SB_LINERIGHT, SB_PAGELEFT,
                               SB_PAGERIGHT, SB_LEFT,      SB_RIGHT};  // ScrollAction's order
    ::SendMessageA(::GetParent(window), WM_HSCROLL, MAKEWPARAM(kCodes[static_cast<int>(action)], 0),
                   reinterpret_cast<LPARAM>(window));
    Settle();
  }

  void ChooseItem(ui::ComboBox& combo, int index) override {
    HWND window = Handle(combo);
    if (!Reachable(window)) {
      return;
    }
    // What the list reports once the user picked a row.
    ::SendMessageA(window, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageA(::GetParent(window), WM_COMMAND,
                   MAKEWPARAM(::GetDlgCtrlID(window), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(window));
    Settle();
  }

  void MinimizeButton(ui::Form& form) override {
    if (Reachable(Handle(form))) {
      ::SendMessageA(Handle(form), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    }
    Settle();
  }

  bool ShownChecked(ui::Control& control) override {
    return ::SendMessageA(Handle(control), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  int ShownPosition(ui::ScrollBar& bar) override { return ::GetScrollPos(Handle(bar), SB_CTL); }
  std::string ShownText(ui::Control& control) override {
    HWND window = Handle(control);
    std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
      text.erase(at, 1);
    }
    return text;
  }
  int ShownItemIndex(ui::ComboBox& combo) override {
    return static_cast<int>(::SendMessageA(Handle(combo), CB_GETCURSEL, 0, 0));
  }
  bool OnScreen(ui::Form& form) override {
    return ::IsWindowVisible(Handle(form)) && !::IsIconic(Handle(form));
  }

  void ShowActive(ui::Form& form) override {
    form.Show();
    ::SetForegroundWindow(Handle(form));
    Settle();
  }

 private:
  static LPARAM Middle(HWND window) {
    RECT rect{};
    ::GetClientRect(window, &rect);
    return MAKELPARAM(rect.right / 2, rect.bottom / 2);
  }

  // Down and up with the left button; atEnd: at the right end, where a text
  // field puts the caret after its text.
  void ClickAt(HWND window, bool atEnd) {
    if (!Reachable(window)) {
      return;
    }
    RECT rect{};
    ::GetClientRect(window, &rect);
    const LPARAM at = atEnd ? MAKELPARAM(rect.right - 2, rect.bottom / 2) : Middle(window);
    ::SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(window, WM_LBUTTONUP, 0, at);
    Settle();
  }

  // Keys go to the window with the focus, or to the active form's.
  HWND Target() const {
    if (HWND focus = ::GetFocus()) {
      return focus;
    }
    auto* form = dynamic_cast<ui::win32::Win32Form*>(toolkit_.ActiveForm());
    return form != nullptr ? form->Handle() : nullptr;
  }

  void Settle() { loop_.ProcessEvents(); }

  EventLoop& loop_;
  ui::win32::Win32Toolkit& toolkit_;
};

}  // namespace

std::unique_ptr<Backend> MakeBackend() {
  return std::make_unique<BackendOf<ui::win32::Win32Toolkit, Win32Hands>>();
}

}  // namespace keldo::test

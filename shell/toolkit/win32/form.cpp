#include "shell/toolkit/win32/form.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>

#include "shell/toolkit/control_factory.h"
#include "shell/toolkit/messages.h"
#include "shell/toolkit/win32/bitmaps.h"
#include "shell/toolkit/win32/fonts.h"
#include "shell/toolkit/win32/toolkit.h"

namespace keldo::ui::win32 {

namespace {

// A single-line border without sizing or maximising. Not WS_CLIPCHILDREN: a
// group box paints only its frame, and the form's background must show
// inside it.
DWORD StyleFor(BorderIcons icons) {
  DWORD style = WS_CAPTION;
  if (icons.systemMenu) {
    style |= WS_SYSMENU;
    if (icons.minimize) {
      style |= WS_MINIMIZEBOX;
    }
  }
  return style;
}

template <class T>
T* As(Win32Widget* widget) {
  return dynamic_cast<T*>(widget);
}

}  // namespace

Win32Form::Win32Form(Win32Toolkit& toolkit, const std::string& className)
    : FormBase(toolkit.Loop(), toolkit.App()), toolkit_(toolkit), className_(className) {
  RegisterWindowClass(toolkit_.Instance(), className_.c_str(), &Win32Form::WindowProc, CS_DBLCLKS,
                      ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));  // IDC_ARROW
  window_ = CreateWindowOrThrow(("the window " + className_).c_str(), 0, className_.c_str(), "",
                                StyleFor(BorderIcons{}), CW_USEDEFAULT, CW_USEDEFAULT, 100, 100,
                                toolkit_.Win32App().Handle(), toolkit_.Instance(), this);
  brush_.reset(::CreateSolidBrush(BackColor()));
  SetFont(font_);
  toolkit_.FormCreated(*this);
}

Win32Form::~Win32Form() {
  toolkit_.FormDestroyed(*this);
  focused_ = nullptr;
  controls_.Clear();
  ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
  if (tooltip_ != nullptr) {
    ::DestroyWindow(tooltip_);
  }
  ::DestroyWindow(window_);
}

Control& Win32Form::CreateControl(ControlKind kind, GroupBox* parent, const Bounds& bounds) {
  Win32GroupBox* box = OwnGroupBox<Win32GroupBox>(parent, *this);
  std::unique_ptr<Win32Widget> widget =
      MakeControl<Win32Widget, Win32Kinds>(kind, *this, box, bounds);
  widget->SetFontHandle(fontHandle_.get());
  widget->ApplyState();
  return controls_.Add(std::move(widget)).AsControl();
}

void Win32Form::SetCaption(const std::string& caption) {
  ::SetWindowTextA(window_, caption.c_str());
}

std::string Win32Form::Caption() const {
  char text[512] = {};
  ::GetWindowTextA(window_, text, sizeof text);
  return text;
}

void Win32Form::SetClientSize(Size size) {
  clientSize_ = size;
  RECT rect{0, 0, size.width, size.height};
  const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(window_, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrA(window_, GWL_EXSTYLE));
  ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  ::SetWindowPos(window_, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Size Win32Form::ClientSize() const {
  RECT rect{};
  ::GetClientRect(window_, &rect);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

void Win32Form::SetBorderIcons(BorderIcons icons) {
  const LONG_PTR style = ::GetWindowLongPtrA(window_, GWL_STYLE);
  const LONG_PTR mask = WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  ::SetWindowLongPtrA(window_, GWL_STYLE,
                      (style & ~mask) | static_cast<LONG_PTR>(StyleFor(icons) & mask));
  ::SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  if (clientSize_.width > 0) {
    SetClientSize(clientSize_);
  }
}

void Win32Form::RemoveCloseCommand() {
  closeCommand_ = false;
  HMENU menu = ::GetSystemMenu(window_, FALSE);
  if (menu == nullptr) {
    return;
  }
  // By command, not by position: the last item is Close on Windows, but a
  // window menu may carry more below it.
  ::DeleteMenu(menu, SC_CLOSE, MF_BYCOMMAND);
  const int count = ::GetMenuItemCount(menu);
  if (count > 0 &&
      (::GetMenuState(menu, static_cast<UINT>(count - 1), MF_BYPOSITION) & MF_SEPARATOR) != 0) {
    ::DeleteMenu(menu, static_cast<UINT>(count - 1), MF_BYPOSITION);
  }
  ::DrawMenuBar(window_);
}

void Win32Form::SetIcon(const art::Picture& picture) {
  OwnedIcon icon = CreateIconFromPicture(picture);
  ::SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon.get()));
  ::SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon.get()));
  icon_ = std::move(icon);
}

void Win32Form::SetFont(const Font& font) {
  font_ = font;
  OwnedFont handle = CreateFontFor(font);
  ::SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(handle.get()), FALSE);
  for (const auto& widget : controls_.All()) {
    widget->SetFontHandle(handle.get());
  }
  // The old font goes once nothing draws with it.
  fontHandle_ = std::move(handle);
  ::InvalidateRect(window_, nullptr, TRUE);
}

COLORREF Win32Form::BackColor() const {
  return ToColorRef(color_);
}

void Win32Form::SetColor(Color color) {
  color_ = color;
  brush_.reset(::CreateSolidBrush(BackColor()));
  ::InvalidateRect(window_, nullptr, TRUE);
}

void Win32Form::SetAlwaysOnTop(bool onTop) {
  ::SetWindowPos(window_, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool Win32Form::IsMainForm() const {
  return toolkit_.App().MainForm() == this;
}

void Win32Form::PlaceForShow() {
  RECT window{};
  ::GetWindowRect(window_, &window);
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  if (Position() == FormPosition::ScreenCenter && shownBefore_) {
    return;
  }
  if (Position() == FormPosition::MainFormCenter) {
    // Over the main form where it is on the screen; hidden in the tray, it
    // has no place, and the screen's middle is the place.
    auto* main = dynamic_cast<Win32Form*>(toolkit_.App().MainForm());
    if (main != nullptr && main != this && ::IsWindowVisible(main->Handle()) &&
        !::IsIconic(main->Handle())) {
      ::GetWindowRect(main->Handle(), &area);
    }
  } else if (Position() != FormPosition::ScreenCenter) {
    return;
  }
  const int left = area.left + (area.right - area.left - width) / 2;
  const int top = area.top + (area.bottom - area.top - height) / 2;
  ::SetWindowPos(window_, nullptr, std::max(0, left), std::max(0, top), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Form::DoShow() {
  PlaceForShow();
  shownBefore_ = true;
  // Also while the application is minimised: a form shown then is one the
  // user asked for (a dialog from the tray's menu), and it comes on the
  // screen alone.
  ::ShowWindow(window_, SW_SHOW);
  ::UpdateWindow(window_);
  if (IsMainForm()) {
    toolkit_.Win32App().MainFormShown();
  }
  if (focused_ == nullptr) {
    Focus(controls_.FirstStop());
  }
  if (Active() && focused_ != nullptr) {
    ::SetFocus(focused_->Handle());
  }
}

void Win32Form::DoHide() {
  ::ShowWindow(window_, SW_HIDE);
  toolkit_.FormHidden(*this);
}

void Win32Form::ScreenHide() {
  if (Visible()) {
    ::ShowWindow(window_, SW_HIDE);
  }
}

void Win32Form::ScreenShow() {
  if (Visible()) {
    ::ShowWindow(window_, SW_SHOWNA);
  }
}

void Win32Form::BeginModal() {
  toolkit_.ModalBegins(*this);
  modalBlocked_.push_back(toolkit_.BlockForms(this));
}

void Win32Form::EndModal() {
  // The others take input again before this one goes, so the activation
  // returns to them and not to another program.
  toolkit_.UnblockForms(modalBlocked_.back());
  modalBlocked_.pop_back();
  toolkit_.ModalEnds(*this);
  Hide();
}

void Win32Form::ApplicationTerminated() {
  // Wakes the loop, which checks the flag after each message.
  ::PostMessageA(toolkit_.Win32App().Handle(), WM_NULL, 0, 0);
}

void Win32Form::Block() {
  ++blocked_;
  ApplyEnabled();
}

void Win32Form::Unblock() {
  if (blocked_ > 0) {
    --blocked_;
  }
  ApplyEnabled();
}

void Win32Form::ApplyEnabled() {
  ::EnableWindow(window_, Enabled() && blocked_ == 0 ? TRUE : FALSE);
}

void Win32Form::SetForeground() {
  if (Visible() && !toolkit_.App().Minimized()) {
    ::SetForegroundWindow(window_);
  }
}

bool Win32Form::Active() const {
  return ::GetActiveWindow() == window_;
}

HWND Win32Form::Tooltip() {
  if (tooltip_ == nullptr) {
    tooltip_ =
        CreateWindowOrThrow("a form's tooltip", WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                            WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, window_, toolkit_.Instance(), nullptr);
  }
  return tooltip_;
}

Win32Widget* Win32Form::WidgetOf(HWND window) const {
  for (HWND at = window; at != nullptr && at != window_; at = ::GetParent(at)) {
    Win32Widget* widget = Win32Widget::FromHandle(at);
    if (widget != nullptr && &widget->OwnerForm() == this) {
      return widget;
    }
  }
  return nullptr;
}

void Win32Form::SetTabOrder(const std::vector<Control*>& chain) {
  controls_.SetTabOrder(chain);
}

Win32Widget* Win32Form::FocusedWidget() const {
  if (Active()) {
    if (Win32Widget* now = WidgetOf(::GetFocus())) {
      return now;
    }
  }
  return focused_;
}

Control* Win32Form::ActiveControl() const {
  Win32Widget* widget = FocusedWidget();
  return widget != nullptr ? &widget->AsControl() : nullptr;
}

void Win32Form::Focus(Win32Widget* widget) {
  focused_ = widget;
  if (widget != nullptr && Active()) {
    ::SetFocus(widget->Handle());
  }
}

void Win32Form::FocusLost(Win32Widget& widget) {
  if (FocusedWidget() == &widget) {
    focused_ = &widget;
    if (!MoveFocus(false)) {
      focused_ = nullptr;
      if (Active()) {
        ::SetFocus(window_);
      }
    }
  }
}

void Win32Form::DefaultChanged(Win32Button& button) {
  controls_.ClearOtherDefaults(button);
}

void Win32Form::RadioTicked(Win32RadioButton& button) {
  controls_.UntickOthers(button);
}

void Win32Form::BoxChanged(Win32GroupBox& box) {
  for (const auto& widget : controls_.All()) {
    if (widget->ParentBox() == &box) {
      widget->ApplyState();
      if (!widget->Usable()) {
        FocusLost(*widget);
      }
    }
  }
}

bool Win32Form::MoveFocus(bool backwards) {
  Win32Widget* next = controls_.NextStop(FocusedWidget(), backwards);
  if (next == nullptr) {
    return false;
  }
  Focus(next);
  return true;
}

bool Win32Form::HandleKey(const MSG& message) {
  Win32Widget* focus = FocusedWidget();
  const auto focusOn = [this](Win32Widget* widget) { Focus(widget); };
  if (message.message == WM_SYSCHAR) {
    return controls_.AccessKey(static_cast<char>(message.wParam), focusOn);
  }
  if (message.message == WM_CHAR) {
    // The key alone is an access key only where it is not typing.
    const bool typing = As<Win32Edit>(focus) != nullptr || As<Win32ComboBox>(focus) != nullptr ||
                        As<Win32Memo>(focus) != nullptr;
    const char key = static_cast<char>(message.wParam);
    return !typing && std::isalnum(static_cast<unsigned char>(key)) &&
           controls_.AccessKey(key, focusOn);
  }
  if (message.message != WM_KEYDOWN) {
    return false;
  }
  const int key = static_cast<int>(message.wParam);
  auto* combo = As<Win32ComboBox>(focus);
  if (combo != nullptr && combo->DroppedDown()) {
    return false;  // the open list takes Enter, Escape and the arrows
  }
  // The form's keys are eaten whatever they did, so no control sees them.
  switch (key) {
    case VK_TAB:
      if (::GetKeyState(VK_CONTROL) < 0 || ::GetKeyState(VK_MENU) < 0) {
        return false;
      }
      controls_.NavigationKey(kVkTab, ::GetKeyState(VK_SHIFT) < 0, focus, focusOn);
      return true;
    case VK_RETURN:
      if (focus != nullptr && focus->WantsKey(key)) {
        return false;
      }
      controls_.NavigationKey(kVkReturn, false, focus, focusOn);
      return true;
    case VK_ESCAPE:
      return true;  // no form has a cancel button
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      if (FormControls<Win32Widget>::AsRadio(focus) != nullptr) {
        controls_.NavigationKey(key, false, focus, focusOn);
        return true;
      }
      return focus == nullptr || !focus->WantsKey(key);
    default:
      return false;
  }
}

LRESULT CALLBACK Win32Form::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* form = reinterpret_cast<Win32Form*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (form == nullptr || form->window_ == nullptr) {
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  return form->HandleMessage(message, wParam, lParam);
}

LRESULT Win32Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT rect{};
      ::GetClientRect(window_, &rect);
      ::FillRect(reinterpret_cast<HDC>(wParam), &rect, brush_.get());
      return 1;
    }
    case WM_COMMAND:
      if (lParam != 0) {
        if (Win32Widget* widget = WidgetOf(reinterpret_cast<HWND>(lParam))) {
          toolkit_.Guard([&] { widget->Command(HIWORD(wParam)); });
        }
      }
      return 0;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      Win32Widget* widget = WidgetOf(item->hwndItem);
      bool drawn = false;
      if (widget != nullptr) {
        toolkit_.Guard([&] { drawn = widget->DrawItem(*item); });
      }
      return drawn ? TRUE : FALSE;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN: {
      Win32Widget* widget = WidgetOf(reinterpret_cast<HWND>(lParam));
      HBRUSH brush = widget != nullptr ? widget->CtlColor(reinterpret_cast<HDC>(wParam)) : nullptr;
      if (brush != nullptr) {
        return reinterpret_cast<LRESULT>(brush);
      }
      break;
    }
    case WM_HSCROLL:
      if (lParam != 0) {
        if (Win32Widget* widget = WidgetOf(reinterpret_cast<HWND>(lParam))) {
          toolkit_.Guard([&] { widget->Scroll(LOWORD(wParam)); });
        }
      }
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        if (Win32Widget* now = WidgetOf(::GetFocus())) {
          focused_ = now;
        }
        return 0;
      }
      toolkit_.FormActivated(*this);
      if (focused_ == nullptr || !focused_->Usable()) {
        focused_ = controls_.FirstStop();
      }
      ::SetFocus(focused_ != nullptr ? focused_->Handle() : window_);
      return 0;
    case WM_SETFOCUS:
      if (focused_ != nullptr && focused_->Usable()) {
        ::SetFocus(focused_->Handle());
      }
      return 0;
    case WM_SETCURSOR:
      // Wine gives a disabled control no mouse moves, nor its form, only
      // this: a disabled button's hint learns of the pointer from here.
      if (LOWORD(lParam) == static_cast<WORD>(HTERROR) && HIWORD(lParam) == WM_MOUSEMOVE &&
          tooltip_ != nullptr) {
        MSG move{};
        move.hwnd = reinterpret_cast<HWND>(wParam);
        move.message = WM_MOUSEMOVE;
        move.time = static_cast<DWORD>(::GetMessageTime());
        ::GetCursorPos(&move.pt);
        POINT at = move.pt;
        ::ScreenToClient(move.hwnd, &at);
        move.lParam = MAKELPARAM(at.x, at.y);
        ::SendMessageA(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&move));
      }
      break;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE && IsMainForm()) {
        // The application minimises, not this window: its hooks see the
        // command as it came.
        return ::SendMessageA(toolkit_.Win32App().Handle(), WM_SYSCOMMAND, wParam, lParam);
      }
      if ((wParam & 0xFFF0) == SC_CLOSE && !closeCommand_) {
        return 0;
      }
      break;
    case WM_CLOSE:
      toolkit_.Guard([this] { Close(); });
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window_, message, wParam, lParam);
}

}  // namespace keldo::ui::win32

#include "shell/toolkit/win32/controls.h"

#include <commctrl.h>

#include <algorithm>

#include "shell/toolkit/errors.h"
#include "shell/toolkit/win32/bitmaps.h"
#include "shell/toolkit/win32/form.h"
#include "shell/toolkit/win32/toolkit.h"

namespace keldo::ui::win32 {

namespace {

constexpr DWORD kChild = WS_CHILD | WS_CLIPSIBLINGS;
// Rows the drop-down list of a combo box shows before it scrolls.
constexpr int kComboDropRows = 8;
// Between a button's picture and its caption.
constexpr int kGlyphSpacing = 4;

UINT HorizontalFlags(Alignment alignment) {
  switch (alignment) {
    case Alignment::Right:
      return DT_RIGHT;
    case Alignment::Center:
      return DT_CENTER;
    case Alignment::Left:
      break;
  }
  return DT_LEFT;
}

UINT VerticalFlags(VerticalLayout layout) {
  switch (layout) {
    case VerticalLayout::Center:
      return DT_VCENTER | DT_SINGLELINE;
    case VerticalLayout::Bottom:
      return DT_BOTTOM | DT_SINGLELINE;
    case VerticalLayout::Top:
      break;
  }
  return DT_TOP | DT_WORDBREAK;
}

// One edge of a panel's frame; Raised and Lowered swap the light and dark
// sides, as Windows draws them.
void DrawBevel(HDC dc, RECT& rect, Bevel bevel) {
  if (bevel == Bevel::None) {
    return;
  }
  ::DrawEdge(dc, &rect, bevel == Bevel::Lowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER,
             BF_RECT | BF_ADJUST);
}

}  // namespace

// --- Win32Widget -------------------------------------------------------------

Win32Widget::Win32Widget(Win32Form& form, Win32GroupBox* box, const Bounds& bounds)
    : form_(form), box_(box), bounds_(bounds) {}

Win32Widget::~Win32Widget() {
  DestroyNativeWindow();
}

Win32Widget* Win32Widget::FromHandle(HWND window) {
  if (window == nullptr) {
    return nullptr;
  }
  // Only windows this backend made carry the property.
  return reinterpret_cast<Win32Widget*>(::GetPropA(window, "KeldoWidget"));
}

void Win32Widget::CreateWindowFor(const char* windowClass, DWORD style, DWORD exStyle,
                                  const std::string& text, int extraHeight) {
  int left = bounds_.left;
  int top = bounds_.top;
  if (box_ != nullptr) {
    const POINT origin = box_->Origin();
    left += origin.x;
    top += origin.y;
  }
  window_ = ::CreateWindowExA(exStyle, windowClass, text.c_str(), kChild | style, left, top,
                              bounds_.width, bounds_.height + extraHeight, form_.Handle(), nullptr,
                              form_.Toolkit().Instance(), nullptr);
  if (window_ == nullptr) {
    throw EOutOfResources(std::string("cannot create a control of class ") + windowClass);
  }
  ::SetPropA(window_, "KeldoWidget", this);
  ::SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(form_.FontHandle()), FALSE);
  // Above what came before, so a group box (sent to the bottom) never
  // covers what it holds.
  ::SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32Widget::DestroyNativeWindow() {
  if (window_ != nullptr) {
    ::RemovePropA(window_, "KeldoWidget");
    ::DestroyWindow(window_);
    window_ = nullptr;
  }
}

bool Win32Widget::ShownWithBox() const {
  return visible_ && (box_ == nullptr || box_->ShownWithBox());
}

bool Win32Widget::EnabledWithBox() const {
  return enabled_ && (box_ == nullptr || box_->EnabledWithBox());
}

bool Win32Widget::Usable() const {
  if (!visible_ || !enabled_) {
    return false;
  }
  return box_ == nullptr || box_->Usable();
}

void Win32Widget::ApplyState() {
  ::ShowWindow(window_, ShownWithBox() ? SW_SHOWNA : SW_HIDE);
  ::EnableWindow(window_, EnabledWithBox() ? TRUE : FALSE);
}

void Win32Widget::SetFontHandle(HFONT font) {
  ::SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void Win32Widget::Fire(const NotifyEvent& event) {
  NotifyEvent handler = event;
  if (handler) {
    form_.Toolkit().Guard([&] { handler(&AsControl()); });
  }
}

void Win32Widget::Redraw() const {
  ::InvalidateRect(window_, nullptr, TRUE);
}

template <class I>
void Win32Control<I>::SetVisible(bool visible) {
  visible_ = visible;
  ApplyState();
  if (!Usable()) {
    form_.FocusLost(*this);
  }
}

template <class I>
void Win32Control<I>::SetEnabled(bool enabled) {
  enabled_ = enabled;
  ApplyState();
  if (!Usable()) {
    form_.FocusLost(*this);
  }
}

template <class I>
void Win32Control<I>::SetFocus() {
  if (Focusable() && Usable()) {
    form_.Focus(this);
  }
}

template <class I>
bool Win32Control<I>::Focused() const {
  return form_.FocusedWidget() == this;
}

template class Win32Control<Captioned<Label>>;
template class Win32Control<Captioned<Panel>>;
template class Win32Control<ButtonState>;
template class Win32Control<CheckBoxState>;
template class Win32Control<RadioButtonState>;
template class Win32Control<ScrollBarState>;
template class Win32Control<Edit>;
template class Win32Control<ComboBoxState>;
template class Win32Control<MemoState>;
template class Win32Control<StatusBarState>;
template class Win32Control<Image>;
template class Win32Control<Captioned<GroupBox>>;

// --- Label, panel, image: owner-drawn statics ----------------------------------

Win32Label::Win32Label(Win32Form& form, Win32GroupBox* box, const Bounds& bounds)
    : Win32Control(form, box, bounds) {
  CreateWindowFor("STATIC", SS_OWNERDRAW, 0);
}

void Win32Label::SetAlignment(Alignment alignment) {
  alignment_ = alignment;
  Redraw();
}

void Win32Label::SetLayout(VerticalLayout layout) {
  layout_ = layout;
  Redraw();
}

bool Win32Label::DrawItem(const DRAWITEMSTRUCT& item) {
  const std::string caption = Caption();
  RECT rect = item.rcItem;
  ::FillRect(item.hDC, &rect, form_.BackBrush());
  const Selected font(item.hDC, form_.FontHandle());
  ::SetBkMode(item.hDC, TRANSPARENT);
  ::SetTextColor(item.hDC, ::GetSysColor(enabled_ ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  ::DrawTextA(item.hDC, caption.c_str(), static_cast<int>(caption.size()), &rect,
              HorizontalFlags(alignment_) | VerticalFlags(layout_));
  return true;
}

Win32Panel::Win32Panel(Win32Form& form, Win32GroupBox* box, const Bounds& bounds)
    : Win32Control(form, box, bounds) {
  CreateWindowFor("STATIC", SS_OWNERDRAW, 0);
}

void Win32Panel::SetAlignment(Alignment alignment) {
  alignment_ = alignment;
  Redraw();
}

void Win32Panel::SetBevel(Bevel outer, Bevel inner, int borderWidth) {
  outer_ = outer;
  inner_ = inner;
  borderWidth_ = std::max(0, borderWidth);
  Redraw();
}

void Win32Panel::SetColor(Color color) {
  color_ = color;
  Redraw();
}

bool Win32Panel::DrawItem(const DRAWITEMSTRUCT& item) {
  const std::string caption = Caption();
  RECT rect = item.rcItem;
  ::FillRect(item.hDC, &rect, Brush(::CreateSolidBrush(ToColorRef(color_))).get());
  DrawBevel(item.hDC, rect, outer_);
  ::InflateRect(&rect, -borderWidth_, -borderWidth_);
  DrawBevel(item.hDC, rect, inner_);
  ::InflateRect(&rect, -1, 0);
  const Selected font(item.hDC, form_.FontHandle());
  ::SetBkMode(item.hDC, TRANSPARENT);
  ::SetTextColor(item.hDC, ::GetSysColor(COLOR_WINDOWTEXT));
  ::DrawTextA(item.hDC, caption.c_str(), static_cast<int>(caption.size()), &rect,
              HorizontalFlags(alignment_) | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  return true;
}

Win32Image::Win32Image(Win32Form& form, Win32GroupBox* box, const Bounds& bounds)
    : Win32Control(form, box, bounds) {
  CreateWindowFor("STATIC", SS_OWNERDRAW, 0);
}

void Win32Image::SetPicture(const art::Picture& picture) {
  picture_ = picture;
  Redraw();
}

void Win32Image::ClearPicture() {
  picture_.reset();
  Redraw();
}

bool Win32Image::DrawItem(const DRAWITEMSTRUCT& item) {
  ::FillRect(item.hDC, &item.rcItem, form_.BackBrush());
  if (picture_) {
    DrawPicture(item.hDC, *picture_, 0, 0, form_.BackColor(), false);
  }
  return true;
}

// --- Button ---------------------------------------------------------------------

Win32Button::Win32Button(Win32Form& form, Win32GroupBox* box, const Bounds& bounds)
    : Win32Control(form, box, bounds) {
  CreateWindowFor("BUTTON", BS_OWNERDRAW | WS_TABSTOP, 0);
}

Win32Button::~Win32Button() {
  if (!Hint().empty()) {
    SetHint({});
  }
}

void Win32Button::ShowCaption() {
  ::SetWindowTextA(window_, Caption().c_str());
  Redraw();
}

void Win32Button::SetGlyph(const art::Picture& picture, int glyphs) {
  glyph_ = picture;
  glyphs_ = std::max(1, glyphs);
  greyed_.reset();
  if (glyphs_ == 1) {
    greyed_ = GreyedPicture(picture);
  }
  Redraw();
}

void Win32Button::ShowHint(const std::string& hint) {
  // Two tools with the one text: the button's window, which gets the mouse
  // while the button is enabled, and its place on the form, which Windows
  // gives the mouse while it is disabled (Wine gives it nobody; the form
  // relays it then, see Win32Form).
  TTTOOLINFOA tools[2] = {};
  for (TTTOOLINFOA& tool : tools) {
    // The size without the last field: comctl32 before version 6 refuses more.
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = form_.Handle();
    tool.lpszText = const_cast<char*>(hint.c_str());
  }
  tools[0].uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tools[0].uId = reinterpret_cast<UINT_PTR>(window_);
  tools[1].uFlags = TTF_SUBCLASS;
  tools[1].uId = reinterpret_cast<UINT_PTR>(this);
  ::GetWindowRect(window_, &tools[1].rect);
  ::MapWindowPoints(nullptr, form_.Handle(), reinterpret_cast<POINT*>(&tools[1].rect), 2);
  const std::string& shown = Hint();
  UINT request = 0;
  if (shown.empty() && !hint.empty()) {
    request = TTM_ADDTOOLA;
  } else if (!shown.empty() && hint.empty()) {
    request = TTM_DELTOOLA;
  } else if (!hint.empty()) {
    request = TTM_UPDATETIPTEXTA;
  }
  if (request != 0) {
    for (TTTOOLINFOA& tool : tools) {
      ::SendMessageA(form_.Tooltip(), request, 0, reinterpret_cast<LPARAM>(&tool));
    }
  }
}

void Win32Button::BecameDefault() {
  form_.DefaultChanged(*this);
}

void Win32Button::Command(WORD code) {
  // An owner-drawn button reports the second click of a double-click apart;
  // it is a press all the same.
  if (code == BN_CLICKED || code == BN_DOUBLECLICKED) {
    Press();
  }
}

bool Win32Button::DrawItem(const DRAWITEMSTRUCT& item) {
  const std::string caption = Caption();
  HDC dc = item.hDC;
  RECT rect = item.rcItem;
  const bool pushed = (item.itemState & ODS_SELECTED) != 0;
  const bool focused = (item.itemState & ODS_FOCUS) != 0;
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  ::FillRect(dc, &rect, form_.BackBrush());
  if (Default() || focused) {
    // The default (or focused) button has a dark frame around its face.
    ::FrameRect(dc, &rect, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    ::InflateRect(&rect, -1, -1);
  }
  ::DrawFrameControl(dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));

  const int offset = pushed ? 1 : 0;
  const int glyphWidth = glyph_ ? glyph_->width / glyphs_ : 0;
  const int glyphHeight = glyph_ ? glyph_->height : 0;
  const Selected font(dc, form_.FontHandle());
  SIZE text{};
  if (!caption.empty()) {
    RECT measure{0, 0, 0, 0};
    ::DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &measure,
                DT_CALCRECT | DT_SINGLELINE);
    text.cx = measure.right - measure.left;
    text.cy = measure.bottom - measure.top;
  }
  const int spacing = glyphWidth > 0 && text.cx > 0 ? kGlyphSpacing : 0;
  const int contentWidth = glyphWidth + spacing + text.cx;
  const int left = item.rcItem.left + (item.rcItem.right - item.rcItem.left - contentWidth) / 2;
  const int middle = (item.rcItem.top + item.rcItem.bottom) / 2;
  if (glyph_) {
    const bool ownDisabled = disabled && glyphs_ > 1;
    const art::Picture& picture = disabled && greyed_ ? *greyed_ : *glyph_;
    DrawPicture(dc, picture, left + offset, middle - glyphHeight / 2 + offset,
                ::GetSysColor(COLOR_BTNFACE), true, ownDisabled ? glyphWidth : 0, glyphWidth);
  }
  if (text.cx > 0) {
    RECT textRect{left + glyphWidth + spacing + offset, middle - text.cy / 2 + offset, 0, 0};
    textRect.right = textRect.left + text.cx;
    textRect.bottom = textRect.top + text.cy;
    ::SetBkMode(dc, TRANSPARENT);
    const UINT flags = DT_SINGLELINE | ((item.itemState & ODS_NOACCEL) != 0 ? DT_HIDEPREFIX : 0);
    if (disabled) {
      // Embossed, as Windows shows disabled captions.
      RECT shadow = textRect;
      ::OffsetRect(&shadow, 1, 1);
      ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
      ::DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &shadow, flags);
      ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
    } else {
      ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    }
    ::DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &textRect, flags);
  }
  if (focused && (item.itemState & ODS_NOFOCUSRECT) == 0) {
    RECT focus = rect;
    ::InflateRect(&focus, -3, -3);
    ::DrawFocusRect(dc, &focus);
  }
  return true;
}

// --- Check box and radio button -------------------------------------------------

Win32CheckBox::Win32CheckBox(Win32Form& form, Win32GroupBox* box, const Bounds& bounds)
    : Win32Control(form, box, bounds) {
  CreateWindowFor("BUTTON", BS_CHECKBOX | WS_TABSTOP, 0);
}

void Win32CheckBox::ShowCaption() {
  ::SetWindowTextA(window_, Caption().c_str());
}

void Win32CheckBox::ShowChecked() {
  ::SendMessageA(window_, BM_SETCHECK, Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32CheckBox::Command(WORD code) {
  if (code == BN_CLICKED) {
    SetChecked(!Checked());
  }
}

HBRUSH Win32CheckBox::CtlColor(HDC dc) {
  ::SetBkColor(dc, form_.BackColor());
  return form_.BackBrush();
}

Win32RadioButton::Win32RadioButton(Win32Form& form, Win32GroupBox* box, const Bounds& bounds)
    : Win32Control(form, box, bounds) {
  CreateWindowFor("BUTTON", BS_RADIOBUTTON | WS_TABSTOP, 0);
}

void Win32RadioButton::ShowCaption() {
  ::SetWindowTextA(window_, Caption().c_str());
}

void Win32RadioButton::ShowChecked() {
  ::SendMessageA(window_, BM_SETCHECK, Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32RadioButton::Ticked() {
  form_.RadioTicked(*this);
}

void Win32RadioButton::Command(WORD code) {
  if (code == BN_CLICKED || code == BN_DOUBLECLICKED) {
    SetChecked(true);
  }
}

HBRUSH Win32RadioButton::CtlColor(HDC dc) {
  ::SetBkColor(dc, form_.BackColor());
  return form_.BackBrush();
}

// --- Scroll bar -------------------------------------------------------------------

Win32ScrollBar::Win32ScrollBar(Win32Form& form, Win32GroupBox* box, const Bounds& bounds)
    : Win32Control(form, box, bounds) {
  CreateWindowFor("SCROLLBAR", SBS_HORZ | WS_TABSTOP, 0);
  ShowPosition();
}

void Win32ScrollBar::ShowPosition() {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  // Page 0: the standard thumb, not one sized to a page.
  info.fMask = SIF_RANGE | SIF_POS | SIF_PAGE | SIF_DISABLENOSCROLL;
  info.nMin = Min();
  info.nMax = Max();
  info.nPage = 0;
  info.nPos = Position();
  ::SetScrollInfo(window_, SB_CTL, &info, TRUE);
}

void Win32ScrollBar::Scroll(WORD code) {
  switch (code) {
    case SB_LINELEFT:
      Step(ScrollAction::LineLeft);
      break;
    case SB_LINERIGHT:
      Step(ScrollAction::LineRight);
      break;
    case SB_PAGELEFT:
      Step(ScrollAction::PageLeft);
      break;
    case SB_PAGERIGHT:
      Step(ScrollAction::PageRight);
      break;
    case SB_LEFT:
      Step(ScrollAction::Home);
      break;
    case SB_RIGHT:
      Step(ScrollAction::End);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO info{};
      info.cbSize = sizeof info;
      info.fMask = SIF_TRACKPOS;
      ::GetScrollInfo(window_, SB_CTL, &info);
      SetPosition(info.nTrackPos);
      break;
    }
    default:
      break;
  }
}

bool Win32ScrollBar::WantsKey(int virtualKey) const {
  return virtualKey != VK_RETURN;
}

// --- Edit -------------------------------------------------------------------------

Win32Edit::Win32Edit(Win32Form& form, Win32GroupBox* box, const Bounds& bounds)
    : Win32Control(form, box, bounds) {
  CreateWindowFor("EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE);
  ::SendMessageA(window_, EM_SETLIMITTEXT, 0, 0);
}

void Win32Edit::SetText(const std::string& text) {
  // WM_SETTEXT is not held to the user's limit.
  ::SetWindowTextA(window_, text.c_str());
}

std::string Win32Edit::Text() const {
  std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(window_)) + 1, '\0');
  text.resize(static_cast<std::size_t>(
      ::GetWindowTextA(window_, text.data(), static_cast<int>(text.size()))));
  return text;
}

void Win32Edit::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  ::SendMessageA(window_, EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
}

void Win32Edit::SetMaxLength(int maxLength) {
  maxLength_ = std::max(0, maxLength);
  ::SendMessageA(window_, EM_SETLIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

bool Win32Edit::WantsKey(int virtualKey) const {
  return virtualKey != VK_RETURN;
}

// --- Combo box ---------------------------------------------------------------------

Win32ComboBox::Win32ComboBox(Win32Form& form, Win32GroupBox* box, const Bounds& bounds)
    : Win32Control(form, box, bounds) {
  Build();
}

void Win32ComboBox::Build() {
  std::string text;
  if (window_ != nullptr) {
    text = Text();
    DestroyNativeWindow();
  }
  const DWORD style = (Style() == ComboStyle::DropDown ? CBS_DROPDOWN : CBS_DROPDOWNLIST) |
                      CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
  CreateWindowFor("COMBOBOX", style, 0, {}, itemHeight_ * kComboDropRows + 2);
  // The closed field takes the height it was given, the list rows theirs.
  ::SendMessageA(window_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
                 std::max(1, bounds_.height - 6));
  ::SendMessageA(window_, CB_SETITEMHEIGHT, 0, itemHeight_);
  for (const std::string& item : Items()) {
    ::SendMessageA(window_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
  ::SendMessageA(window_, CB_SETCURSEL, static_cast<WPARAM>(ItemIndex()), 0);
  if (Style() == ComboStyle::DropDown) {
    ::SetWindowTextA(window_, text.c_str());
  }
  ApplyState();
}

void Win32ComboBox::ShowStyle() {
  const bool focused = Focused();
  Build();
  if (focused) {
    form_.Focus(this);
  }
}

void Win32ComboBox::SetItemHeight(int pixels) {
  itemHeight_ = std::max(1, pixels);
  ::SendMessageA(window_, CB_SETITEMHEIGHT, 0, itemHeight_);
  ::SetWindowPos(window_, nullptr, 0, 0, bounds_.width,
                 bounds_.height + itemHeight_ * kComboDropRows + 2,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32ComboBox::ShowCleared() {
  // The list goes; an editable field keeps its text.
  const std::string text = Style() == ComboStyle::DropDown ? Text() : std::string();
  ::SendMessageA(window_, CB_RESETCONTENT, 0, 0);
  if (Style() == ComboStyle::DropDown) {
    ::SetWindowTextA(window_, text.c_str());
  }
}

void Win32ComboBox::ShowAdded(const std::string& text) {
  ::SendMessageA(window_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Win32ComboBox::ShowChoice() {
  ::SendMessageA(window_, CB_SETCURSEL, static_cast<WPARAM>(ItemIndex()), 0);
}

void Win32ComboBox::ShowEditText(const std::string& text) {
  ::SetWindowTextA(window_, text.c_str());
}

std::string Win32ComboBox::Text() const {
  if (Style() == ComboStyle::DropDownList) {
    return ItemIndex() < 0 ? std::string() : Item(ItemIndex());
  }
  std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(window_)) + 1, '\0');
  text.resize(static_cast<std::size_t>(
      ::GetWindowTextA(window_, text.data(), static_cast<int>(text.size()))));
  return text;
}

void Win32ComboBox::Command(WORD code) {
  // The user's choice from the list; typing leaves the chosen index alone.
  if (code == CBN_SELCHANGE) {
    TakeChoice(static_cast<int>(::SendMessageA(window_, CB_GETCURSEL, 0, 0)));
  }
}

bool Win32ComboBox::WantsKey(int virtualKey) const {
  return virtualKey != VK_RETURN;
}

bool Win32ComboBox::DroppedDown() const {
  return ::SendMessageA(window_, CB_GETDROPPEDSTATE, 0, 0) != FALSE;
}

// --- Memo -------------------------------------------------------------------------

Win32Memo::Win32Memo(Win32Form& form, Win32GroupBox* box, const Bounds& bounds)
    : Win32Control(form, box, bounds) {
  // Multi-line without horizontal scrolling: the edit control wraps words.
  CreateWindowFor("EDIT", ES_MULTILINE | ES_AUTOVSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE);
  ::SendMessageA(window_, EM_SETLIMITTEXT, 0, 0);
  original_ = reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(
      window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32Memo::SubclassProc)));
  brush_.reset(::CreateSolidBrush(ToColorRef(color_)));
}

Win32Memo::~Win32Memo() {
  // The edit control's own procedure back before the window goes, so its
  // clean-up runs.
  ::SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
}

LRESULT CALLBACK Win32Memo::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* memo = dynamic_cast<Win32Memo*>(FromHandle(window));
  if (memo == nullptr) {
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  const LRESULT result = ::CallWindowProcA(memo->original_, window, message, wParam, lParam);
  if (message == WM_LBUTTONDBLCLK) {
    memo->Fire(memo->OnDblClick);
  }
  return result;
}

void Win32Memo::SetReadOnly(bool readOnly) {
  ::SendMessageA(window_, EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
}

void Win32Memo::SetVerticalScrollBar(bool shown) {
  const LONG_PTR style = ::GetWindowLongPtrA(window_, GWL_STYLE);
  ::SetWindowLongPtrA(window_, GWL_STYLE, shown ? style | WS_VSCROLL : style & ~WS_VSCROLL);
  ::SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  ::ShowScrollBar(window_, SB_VERT, shown ? TRUE : FALSE);
}

void Win32Memo::SetColor(Color color) {
  color_ = color;
  brush_.reset(::CreateSolidBrush(ToColorRef(color)));
  Redraw();
}

void Win32Memo::ShowAppended(const std::string& text, bool first) {
  const std::string piece = first ? text : "\r\n" + text;
  const WPARAM end = static_cast<WPARAM>(::GetWindowTextLengthA(window_));
  ::SendMessageA(window_, EM_SETSEL, end, static_cast<LPARAM>(end));
  ::SendMessageA(window_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
  ::SendMessageA(window_, EM_SCROLLCARET, 0, 0);
}

void Win32Memo::ShowCleared() {
  ::SetWindowTextA(window_, "");
}

int Win32Memo::DisplayLines() const {
  return static_cast<int>(::SendMessageA(window_, EM_GETLINECOUNT, 0, 0));
}

HBRUSH Win32Memo::CtlColor(HDC dc) {
  ::SetBkColor(dc, ToColorRef(color_));
  ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
  return brush_.get();
}

bool Win32Memo::WantsKey(int /*virtualKey*/) const {
  return true;
}

// --- Status bar --------------------------------------------------------------------

Win32StatusBar::Win32StatusBar(Win32Form& form, Win32GroupBox* box, const Bounds& bounds)
    : Win32Control(form, box, bounds) {
  // Drawn here rather than by the common control, whose colour a visual
  // style may override.
  CreateWindowFor("STATIC", SS_OWNERDRAW, 0);
}

bool Win32StatusBar::DrawItem(const DRAWITEMSTRUCT& item) {
  ::FillRect(item.hDC, &item.rcItem, Brush(::CreateSolidBrush(ToColorRef(GetColor()))).get());
  const Selected font(item.hDC, form_.FontHandle());
  ::SetBkMode(item.hDC, TRANSPARENT);
  ::SetTextColor(item.hDC, ::GetSysColor(COLOR_BTNTEXT));
  int left = item.rcItem.left;
  for (std::size_t i = 0; i < Panels().size(); ++i) {
    const PanelState& panel = Panels()[i];
    // The last panel reaches the right edge.
    const int right = i + 1 == Panels().size() ? item.rcItem.right : left + panel.width;
    RECT rect{left, item.rcItem.top + 2, right - 2, item.rcItem.bottom};
    ::DrawEdge(item.hDC, &rect, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    ::InflateRect(&rect, -2, 0);
    ::DrawTextA(item.hDC, panel.text.c_str(), static_cast<int>(panel.text.size()), &rect,
                HorizontalFlags(panel.alignment) | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX |
                    DT_END_ELLIPSIS);
    left = right;
  }
  return true;
}

// --- Group box ---------------------------------------------------------------------

Win32GroupBox::Win32GroupBox(Win32Form& form, Win32GroupBox* box, const Bounds& bounds)
    : Win32Control(form, box, bounds) {
  CreateWindowFor("BUTTON", BS_GROUPBOX, 0);
  ::SetWindowPos(window_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32GroupBox::ShowCaption() {
  ::SetWindowTextA(window_, Caption().c_str());
}

POINT Win32GroupBox::Origin() const {
  POINT origin{bounds_.left, bounds_.top};
  if (box_ != nullptr) {
    const POINT outer = box_->Origin();
    origin.x += outer.x;
    origin.y += outer.y;
  }
  return origin;
}

void Win32GroupBox::ApplyState() {
  Win32Widget::ApplyState();
  // Its controls are the form's children: they follow it by hand.
  form_.BoxChanged(*this);
}

HBRUSH Win32GroupBox::CtlColor(HDC dc) {
  ::SetBkColor(dc, form_.BackColor());
  return form_.BackBrush();
}

}  // namespace keldo::ui::win32

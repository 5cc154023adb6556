#include "shell/trayicon.h"

#include "shell/toolkit/errors.h"

namespace keldo {

TTrayIcon::TTrayIcon(ui::Toolkit& toolkit) : toolkit_(toolkit), app_(toolkit.App()) {
  current_ = app_.GetIcon();

  animateTimer_ = toolkit_.Loop().CreateTimer();
  animateTimer_->SetEnabled(false);
  animateTimer_->SetOnTimer([this] { DoOnAnimate(this); });
  animateTimer_->SetInterval(kDefaultAnimateInterval);

  retryTimer_ = toolkit_.Loop().CreateTimer();
  retryTimer_->SetInterval(kAddRetryMs);
  retryTimer_->SetOnTimer([this] { RetryAdd(); });

  window_ = toolkit_.CreateMessageWindow([this](ui::Message& message) { DoMessage(message); });
  data_.hWnd = window_->Handle();
  data_.uID = reinterpret_cast<std::uintptr_t>(this);
  data_.hIcon = current_;
  data_.uFlags = ui::kNifMessage | ui::kNifIcon;
  data_.uCallbackMessage = kCallbackMessage;
  Update();
}

TTrayIcon::~TTrayIcon() {
  animateTimer_->SetEnabled(false);
  retryTimer_->SetEnabled(false);
  if (shown_) {
    toolkit_.ShellNotifyIcon(ui::kNimDelete, data_);
  }
  WithdrawHook();
}

void TTrayIcon::SetVisible(bool value) {
  visible_ = value;
  if (value) {
    if (shown_) {
      // A second add would be refused for the icon that is there.
      hide_ = true;
      Update();
      return;
    }
    AddIcon();
    return;
  }
  retryTimer_->SetEnabled(false);
  if (!shown_) {
    // Nothing in the notification area to remove.
    hide_ = false;
    WithdrawHook();
    return;
  }
  if (!toolkit_.ShellNotifyIcon(ui::kNimDelete, data_)) {
    throw ui::EOutOfResources(kCannotRemoveIcon);
  }
  shown_ = false;
  hide_ = false;
  WithdrawHook();
  if (entryHidden_) {
    // Without the icon the taskbar entry is the only way back.
    app_.ShowWindow(ui::kSwShowMinNoActive);
    entryHidden_ = false;
  }
}

bool TTrayIcon::AddIcon() {
  data_.hIcon = current_;
  // A refused add with an accepted modify means the icon is there already
  // (an announcement that did not lose it).
  const bool there = toolkit_.ShellNotifyIcon(ui::kNimAdd, data_) ||
                     toolkit_.ShellNotifyIcon(ui::kNimModify, data_);
  if (!there) {
    shown_ = false;
    retryTimer_->SetEnabled(!sessionEnded_);
    return false;
  }
  retryTimer_->SetEnabled(false);
  shown_ = true;
  hide_ = true;
  RegisterHook();
  if (app_.Minimized() && !entryHidden_) {
    // A minimise that kept the taskbar entry while no icon was shown ends
    // in the notification area after all.
    app_.ShowWindow(ui::kSwHide);
    entryHidden_ = true;
  }
  return true;
}

void TTrayIcon::RetryAdd() {
  if (!visible_ || shown_ || sessionEnded_) {
    retryTimer_->SetEnabled(false);
    return;
  }
  AddIcon();
}

void TTrayIcon::IconGone() {
  shown_ = false;
  if (entryHidden_) {
    app_.ShowWindow(ui::kSwShowMinNoActive);
    entryHidden_ = false;
  }
}

void TTrayIcon::RegisterHook() {
  if (hookId_ == 0) {
    hookId_ = app_.AddHook([this](ui::Message& message) { return ApplicationHookProc(message); });
  }
}

void TTrayIcon::WithdrawHook() {
  if (hookId_ != 0) {
    app_.RemoveHook(hookId_);
    hookId_ = 0;
  }
}

void TTrayIcon::Update() {
  data_.hIcon = current_;
  if (visible_ && shown_) {
    toolkit_.ShellNotifyIcon(ui::kNimModify, data_);
  }
}

void TTrayIcon::SetHint(const std::string& value) {
  if (value == hint_ || value.size() > kMaxHintLength) {
    return;
  }
  hint_ = value;
  data_.szTip = value.substr(0, kTipFieldLength);
  // An update changes only the fields its flags name, so the empty tip goes
  // out with the tip flag once; the flag is dropped after it.
  data_.uFlags |= ui::kNifTip;
  Update();
  if (value.empty()) {
    data_.uFlags &= ~ui::kNifTip;
  }
}

void TTrayIcon::SetPopupMenu(ui::PopupMenu* menu) {
  if (popupMenu_ != nullptr) {
    RemoveFreeNotification(*popupMenu_);
  }
  popupMenu_ = menu;
  if (menu != nullptr) {
    FreeNotification(*menu);
  }
}

void TTrayIcon::SetIcons(ui::ImageList* icons) {
  if (icons_ != nullptr) {
    RemoveFreeNotification(*icons_);
  }
  icons_ = icons;
  if (icons != nullptr) {
    FreeNotification(*icons);
  }
}

void TTrayIcon::SetIconIndex(int index) {
  iconIndex_ = index;
  if (icons_ != nullptr) {
    current_ = icons_->GetIcon(index);
  }
  Update();
}

void TTrayIcon::SetDefaultIcon() {
  current_ = app_.GetIcon();
  Update();
}

void TTrayIcon::SetAnimateInterval(std::uint32_t ms) {
  animateTimer_->SetInterval(ms);
}

std::uint32_t TTrayIcon::GetAnimateInterval() const {
  return animateTimer_->Interval();
}

void TTrayIcon::SetAnimate(bool value) {
  if (icons_ != nullptr || loading_) {
    animate_ = value;
  }
  if (icons_ != nullptr) {
    animateTimer_->SetEnabled(value);
  }
}

ui::WindowHandle TTrayIcon::GetHandle() const {
  return window_->Handle();
}

void TTrayIcon::Loaded() {
  loading_ = false;
  if (icons_ != nullptr) {
    animateTimer_->SetEnabled(animate_);
    current_ = icons_->GetIcon(iconIndex_);
  } else {
    animate_ = false;
    current_ = app_.GetIcon();
  }
  Update();
}

void TTrayIcon::Notification(ui::Component* component, ui::Operation operation) {
  ui::Component::Notification(component, operation);
  if (operation != ui::Operation::Remove) {
    return;
  }
  if (component == icons_) {
    icons_ = nullptr;
  } else if (component == popupMenu_) {
    popupMenu_ = nullptr;
  }
}

TShiftState TTrayIcon::ShiftState(ui::Toolkit& toolkit) {
  TShiftState shift = 0;
  if (toolkit.KeyDown(ui::kVkShift)) {
    shift |= ssShift;
  }
  if (toolkit.KeyDown(ui::kVkControl)) {
    shift |= ssCtrl;
  }
  if (toolkit.KeyDown(ui::kVkMenu)) {
    shift |= ssAlt;
  }
  return shift;
}

void TTrayIcon::DoMessage(ui::Message& message) {
  message.Result = 0;
  switch (message.Msg) {
    case ui::kWmQueryEndSession:
      message.Result = 1;
      return;
    case ui::kWmEndSession:
      // WParam is 0 when another program called the log-off off: the icon
      // stays, as the application does.
      if (message.WParam != 0) {
        EndSession();
      }
      return;
    case ui::kWmTaskbarCreated:
      // A new notification area holds none of the old icons.
      if (visible_ && !sessionEnded_) {
        shown_ = false;
        AddIcon();
      }
      return;
    case ui::kWmTaskbarLost:
      IconGone();
      if (visible_ && !sessionEnded_) {
        retryTimer_->SetEnabled(true);
      }
      return;
    case kCallbackMessage:
      break;
    default:
      return;
  }

  const TShiftState shift = ShiftState(toolkit_);
  const ui::Point at = toolkit_.CursorPos();
  switch (static_cast<unsigned>(message.LParam)) {
    case ui::kWmMouseMove:
      if (OnClick) {
        DoMouseMove(shift, at.x, at.y);
      }
      break;
    case ui::kWmLButtonDown:
      DoMouseDown(mbLeft, shift | ssLeft, at.x, at.y);
      break;
    case ui::kWmLButtonUp:
      if (OnClick) {
        DoClick();
      }
      DoMouseUp(mbLeft, shift | ssLeft, at.x, at.y);
      if (RestoreOn == imLeftClickUp) {
        Restore();
      }
      if (PopupMenuOn == imLeftClickUp) {
        ShowMenu();
      }
      break;
    case ui::kWmLButtonDblClk:
      DoDblClick();
      if (RestoreOn == imLeftDoubleClick) {
        Restore();
      }
      if (PopupMenuOn == imLeftDoubleClick) {
        ShowMenu();
      }
      break;
    case ui::kWmRButtonDown:
      DoMouseDown(mbRight, shift | ssRight, at.x, at.y);
      break;
    case ui::kWmRButtonUp:
      DoMouseUp(mbRight, shift | ssRight, at.x, at.y);
      if (RestoreOn == imRightClickUp) {
        Restore();
      }
      if (PopupMenuOn == imRightClickUp) {
        ShowMenu();
      }
      break;
    case ui::kWmRButtonDblClk:
      DoDblClick();
      if (RestoreOn == imRightDoubleClick) {
        Restore();
      }
      if (PopupMenuOn == imRightDoubleClick) {
        ShowMenu();
      }
      break;
    case ui::kWmMButtonDown:
      DoMouseDown(mbMiddle, shift | ssMiddle, at.x, at.y);
      break;
    case ui::kWmMButtonUp:
      DoMouseUp(mbMiddle, shift | ssMiddle, at.x, at.y);
      break;
    case ui::kWmMButtonDblClk:
      DoDblClick();
      break;
    default:
      break;
  }
}

void TTrayIcon::DoClick() {
  if (RestoreOn == imClick) {
    Restore();
  }
  if (PopupMenuOn == imClick) {
    ShowMenu();
  }
  if (OnClick) {
    OnClick(this);
  }
}

void TTrayIcon::DoDblClick() {
  if (RestoreOn == imDoubleClick) {
    Restore();
  }
  if (PopupMenuOn == imDoubleClick) {
    ShowMenu();
  }
  if (OnDblClick) {
    OnDblClick(this);
  }
}

void TTrayIcon::DoMouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) {
    OnMouseMove(this, Shift, X, Y);
  }
}

void TTrayIcon::DoMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (RestoreOn == imMouseDown) {
    Restore();
  }
  if (PopupMenuOn == imMouseDown) {
    ShowMenu();
  }
  if (OnMouseDown) {
    OnMouseDown(this, Button, Shift, X, Y);
  }
}

void TTrayIcon::DoMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (RestoreOn == imMouseUp) {
    Restore();
  }
  if (PopupMenuOn == imMouseUp) {
    ShowMenu();
  }
  if (OnMouseUp) {
    OnMouseUp(this, Button, Shift, X, Y);
  }
}

void TTrayIcon::DoOnAnimate(void* /*Sender*/) {
  if (icons_ == nullptr) {
    return;
  }
  int next = iconIndex_ + 1;
  if (next > icons_->Count() - 1) {
    next = 0;
  }
  SetIconIndex(next);
  Update();
}

void TTrayIcon::ShowMenu() {
  const ui::Point at = toolkit_.CursorPos();
  if (ui::Form* active = toolkit_.ActiveForm()) {
    active->SetForeground();
  }
  if (popupMenu_ != nullptr) {
    popupMenu_->Popup(at);
  }
}

void TTrayIcon::Minimize() {
  app_.Minimize();
  if (shown_) {
    app_.ShowWindow(ui::kSwHide);
    entryHidden_ = true;
  }
  if (OnMinimize) {
    OnMinimize(this);
  }
}

void TTrayIcon::Restore() {
  app_.Restore();
  app_.ShowWindow(ui::kSwRestore);
  entryHidden_ = false;
  app_.SetForeground();
  if (OnRestore) {
    OnRestore(this);
  }
}

void TTrayIcon::EndSession() {
  toolkit_.ShellNotifyIcon(ui::kNimDelete, data_);
  shown_ = false;
  sessionEnded_ = true;
  retryTimer_->SetEnabled(false);
}

bool TTrayIcon::ApplicationHookProc(ui::Message& message) {
  if (message.Msg == ui::kWmSysCommand) {
    if (message.WParam == ui::kScMinimize) {
      Minimize();
    } else if (message.WParam == ui::kScRestore) {
      Restore();
    }
  }
  return false;
}

}  // namespace keldo

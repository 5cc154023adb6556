#include "shell/toolkit/form_base.h"

namespace keldo::ui {

void FormBase::Show() {
  if (visible_) {
    SetForeground();
    return;
  }
  visible_ = true;
  DoShow();
  // An error in the show handler is reported and the showing goes on.
  loop_.Guard([this] {
    NotifyEvent handler = OnShow;
    if (handler) {
      handler(this);
    }
  });
}

void FormBase::Hide() {
  if (!visible_) {
    return;
  }
  visible_ = false;
  DoHide();
}

int FormBase::ShowModal() {
  modalResult_ = mrNone;
  ++modalLevel_;
  BeginModal();
  Show();
  ModalShown();
  const bool ended = loop_.RunUntil([this] { return modalResult_ != mrNone; });
  int result = modalResult_;
  if (!ended && result == mrNone) {
    result = mrCancel;
  }
  EndModal();
  --modalLevel_;
  modalResult_ = mrNone;
  return result;
}

void FormBase::Close() {
  bool canClose = true;
  CloseQueryEvent query = OnCloseQuery;
  if (query) {
    query(this, canClose);
  }
  if (!canClose) {
    return;
  }
  if (modalLevel_ > 0) {
    if (modalResult_ == mrNone) {
      modalResult_ = mrCancel;
    }
    return;
  }
  Hide();
  if (app_.MainForm() == this) {
    app_.Terminate();
    ApplicationTerminated();
  }
}

void FormBase::SetEnabled(bool enabled) {
  enabled_ = enabled;
  EnabledChanged();
}

}  // namespace keldo::ui

#pragma once

#include "engine/event_loop.h"
#include "shell/toolkit/application.h"
#include "shell/toolkit/form.h"

namespace keldo::ui {

// The showing, modal and close rules of Form, the same on every backend. A
// backend derives its form from this and maps the rules onto its windows
// through the hooks below.
class FormBase : public Form {
 public:
  void Show() final;
  void Hide() final;
  bool Visible() const final { return visible_; }
  int ShowModal() final;
  void SetModalResult(int result) final { modalResult_ = result; }
  int ModalResult() const final { return modalResult_; }
  void Close() final;
  void SetEnabled(bool enabled) final;
  bool Enabled() const final { return enabled_; }
  void SetPosition(FormPosition position) final { position_ = position; }

  bool InModalLoop() const { return modalLevel_ > 0; }
  FormPosition Position() const { return position_; }

 protected:
  // loop runs the modal showings and guards OnShow; app is the toolkit's.
  FormBase(EventLoop& loop, Application& app) : loop_(loop), app_(app) {}

  // A hidden form is being shown, Visible() already true: put it on the
  // screen. OnShow runs after it. (Showing a visible form calls
  // SetForeground instead.)
  virtual void DoShow() = 0;
  // A visible form is being hidden, Visible() already false.
  virtual void DoHide() = 0;
  // Around a modal showing: BeginModal before the form is shown, ModalShown
  // once it is, EndModal when its loop is over. EndModal hides the form
  // (Hide) and lets the others take input again, in the order the platform
  // needs.
  virtual void BeginModal() = 0;
  virtual void ModalShown() {}
  virtual void EndModal() = 0;
  // Enabled() changed.
  virtual void EnabledChanged() {}
  // A close of the main form has just terminated the application.
  virtual void ApplicationTerminated() {}

  EventLoop& loop_;
  Application& app_;

 private:
  bool visible_ = false;
  bool enabled_ = true;
  FormPosition position_ = FormPosition::Designed;
  int modalResult_ = mrNone;
  int modalLevel_ = 0;
};

}  // namespace keldo::ui

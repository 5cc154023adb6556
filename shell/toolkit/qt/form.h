#pragma once

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "shell/toolkit/form_base.h"
#include "shell/toolkit/form_controls.h"

class QKeyEvent;
class QLocalServer;

namespace keldo::ui::qt {

class QtToolkit;
class QtControl;
class QtButton;
class QtRadioButton;
class FormWindow;

// A form on a top-level QWidget whose size is the client size; a
// QLocalServer named after the class stands for the window toward the
// single-instance lookup while the form exists.
class QtForm final : public FormBase {
 public:
  QtForm(QtToolkit& toolkit, std::string className);
  ~QtForm() override;

  Control& CreateControl(ControlKind kind, GroupBox* parent, const Bounds& bounds) override;

  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return caption_; }
  void SetClientSize(Size size) override;
  Size ClientSize() const override { return size_; }
  void SetBorderIcons(BorderIcons icons) override;
  void RemoveCloseCommand() override;
  void SetIcon(const art::Picture& picture) override;
  void SetFont(const Font& font) override;
  Font GetFont() const override { return font_; }
  void SetColor(Color color) override;
  void SetAlwaysOnTop(bool onTop) override;

  void SetForeground() override;

  void SetTabOrder(const std::vector<Control*>& chain) override;
  Control* ActiveControl() const override;

  // For the backend.
  QtToolkit& Toolkit() const { return toolkit_; }
  const std::string& ClassName() const { return className_; }
  QWidget* Window() const;
  // Takes mouse and keyboard input now: enabled, and no other form modal.
  bool TakesInput() const;
  // A key the form takes before the focused control does (Tab, Enter,
  // Escape, the arrows in a radio group, access keys); true when it did.
  bool FormKey(const QKeyEvent& event);
  // Tab and Shift+Tab along the chain; also where Qt gives the focus on.
  void MoveFocus(bool backwards);
  void Focus(QtControl* control);
  void DefaultChanged(QtButton& button);
  void RadioTicked(QtRadioButton& button);
  // The platform's minimise or restore of this window, as Qt reports it.
  void WindowStateChanged(bool minimized);
  QtControl* ControlOfWidget(const QWidget* widget) const;
  bool HasCloseCommand() const { return closeCommand_; }

 private:
  void DoShow() override;
  void DoHide() override;
  void BeginModal() override;
  void EndModal() override;
  void ApplyFlags();
  void PlaceForShow();

  QtToolkit& toolkit_;
  std::string className_;
  std::unique_ptr<FormWindow> window_;
  std::unique_ptr<QLocalServer> lock_;
  FormControls<QtControl> controls_;
  std::string caption_;
  Size size_;
  Font font_;
  BorderIcons borderIcons_;
  bool closeCommand_ = true;
  bool alwaysOnTop_ = false;
  bool placed_ = false;
};

}  // namespace keldo::ui::qt

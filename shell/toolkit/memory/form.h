#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shell/toolkit/form_base.h"
#include "shell/toolkit/form_controls.h"
#include "shell/toolkit/memory/controls.h"

namespace keldo::ui::memory {

class MemoryToolkit;

// A form that keeps its state and its controls' state; the toolkit's test
// driver feeds it the user's input.
class MemoryForm final : public FormBase {
 public:
  MemoryForm(MemoryToolkit& toolkit, std::string className);
  ~MemoryForm() override;

  Control& CreateControl(ControlKind kind, GroupBox* parent, const Bounds& bounds) override;

  void SetCaption(const std::string& caption) override { caption_ = caption; }
  std::string Caption() const override { return caption_; }
  void SetClientSize(Size size) override { clientSize_ = size; }
  Size ClientSize() const override { return clientSize_; }
  void SetBorderIcons(BorderIcons icons) override { borderIcons_ = icons; }
  void RemoveCloseCommand() override { closeCommand_ = false; }
  void SetIcon(const art::Picture& picture) override { icon_ = picture; }
  void SetFont(const Font& font) override { font_ = font; }
  Font GetFont() const override { return font_; }
  void SetColor(Color color) override { color_ = color; }
  void SetAlwaysOnTop(bool onTop) override { alwaysOnTop_ = onTop; }

  void SetForeground() override;

  void SetTabOrder(const std::vector<Control*>& chain) override;
  Control* ActiveControl() const override;

  // What tests read.
  const std::string& ClassName() const { return className_; }
  BorderIcons GetBorderIcons() const { return borderIcons_; }
  bool HasCloseCommand() const { return closeCommand_ && borderIcons_.systemMenu; }
  bool AlwaysOnTop() const { return alwaysOnTop_; }
  const std::optional<art::Picture>& GetIcon() const { return icon_; }
  Color GetColor() const { return color_; }
  int ShowCount() const { return showCount_; }

  // Shown and not taken off the screen by the application's minimise.
  bool OnScreen() const { return onScreen_; }
  // The application leaves the screen and comes back: the form does with it
  // while Visible stays as it is.
  void ScreenHide() { onScreen_ = false; }
  void ScreenShow() { onScreen_ = Visible(); }
  // Whether the user can reach the form now: on screen, enabled, and not
  // behind a modal form.
  bool TakesInput() const;
  // The user's input, already checked by the toolkit: focus a control, and
  // keys for the focused control or the form.
  void Focus(MemoryWidget* widget);
  bool Key(int virtualKey, bool shift);
  bool AccessKey(char key);
  // A character key without Alt: typed where the focus is typing, else an
  // access key.
  bool CharKey(char key);
  MemoryWidget* FocusedWidget() const { return focused_; }
  MemoryWidget* FindWidget(Control& control) const { return controls_.Find(control); }
  // Called by a control that can no longer take the focus.
  void FocusLost(MemoryWidget& widget);
  // A default button was set: the others lose the flag.
  void DefaultChanged(MemoryButton& button);
  // A radio button was ticked: its group's others are cleared.
  void RadioTicked(MemoryRadioButton& button);

  MemoryToolkit& Toolkit() const { return toolkit_; }

 private:
  void DoShow() override;
  void DoHide() override;
  void BeginModal() override;
  void ModalShown() override;
  void EndModal() override;

  bool MoveFocus(bool backwards);

  MemoryToolkit& toolkit_;
  std::string className_;
  FormControls<MemoryWidget> controls_;
  MemoryWidget* focused_ = nullptr;
  std::string caption_;
  Size clientSize_{};
  BorderIcons borderIcons_{};
  bool closeCommand_ = true;
  std::optional<art::Picture> icon_;
  Font font_{"MS Sans Serif", 13, Charset::Default};
  Color color_ = Color::ButtonFace();
  bool alwaysOnTop_ = false;
  int showCount_ = 0;
  bool onScreen_ = false;
};

}  // namespace keldo::ui::memory

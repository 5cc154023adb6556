#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shell/toolkit/form.h"
#include "shell/toolkit/memory/controls.h"

namespace keldo::ui::memory {

class MemoryToolkit;

// A form that keeps its state and its controls' state; the toolkit's test
// driver feeds it the user's input.
class MemoryForm final : public Form {
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
  void SetPosition(FormPosition position) override { position_ = position; }

  void Show() override;
  void Hide() override;
  bool Visible() const override { return visible_; }
  int ShowModal() override;
  void SetModalResult(int result) override { modalResult_ = result; }
  int ModalResult() const override { return modalResult_; }
  void Close() override;

  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  bool Enabled() const override { return enabled_; }
  void SetForeground() override;

  void SetTabOrder(const std::vector<Control*>& chain) override;
  Control* ActiveControl() const override;

  // What tests read.
  const std::string& ClassName() const { return className_; }
  BorderIcons GetBorderIcons() const { return borderIcons_; }
  bool HasCloseCommand() const { return closeCommand_ && borderIcons_.systemMenu; }
  bool AlwaysOnTop() const { return alwaysOnTop_; }
  FormPosition Position() const { return position_; }
  const std::optional<art::Picture>& GetIcon() const { return icon_; }
  Color GetColor() const { return color_; }
  bool InModalLoop() const { return modalLevel_ > 0; }
  int ShowCount() const { return showCount_; }

  // Whether the user can reach the form now: shown, on screen (the
  // application not minimised), enabled, and not behind a modal form.
  bool TakesInput() const;
  // The user's input, already checked by the toolkit: focus a control, and
  // keys for the focused control or the form.
  void Focus(MemoryWidget* widget);
  bool Key(int virtualKey, bool shift);
  bool AccessKey(char key);
  MemoryWidget* FocusedWidget() const { return focused_; }
  MemoryWidget* FindWidget(Control& control) const;
  // Called by a control that can no longer take the focus.
  void FocusLost(MemoryWidget& widget);
  // A default button was set: the others lose the flag.
  void DefaultChanged(MemoryButton& button);
  // A radio button was ticked: its group's others are cleared.
  void RadioTicked(MemoryRadioButton& button);

  MemoryToolkit& Toolkit() const { return toolkit_; }

 private:
  // The chain's controls that Tab stops at now.
  std::vector<MemoryWidget*> TabStops() const;
  bool IsTabStop(MemoryWidget& widget) const;
  bool MoveFocus(bool backwards);
  bool MoveInRadioGroup(MemoryRadioButton& from, bool backwards);
  void FocusFirst();

  MemoryToolkit& toolkit_;
  std::string className_;
  std::vector<std::unique_ptr<MemoryWidget>> widgets_;
  std::vector<MemoryWidget*> tabChain_;
  MemoryWidget* focused_ = nullptr;
  std::string caption_;
  Size clientSize_{};
  BorderIcons borderIcons_{};
  bool closeCommand_ = true;
  std::optional<art::Picture> icon_;
  Font font_{"MS Sans Serif", 13, Charset::Default};
  Color color_ = Color::ButtonFace();
  bool alwaysOnTop_ = false;
  FormPosition position_ = FormPosition::Designed;
  bool visible_ = false;
  bool enabled_ = true;
  int modalResult_ = mrNone;
  int modalLevel_ = 0;
  int showCount_ = 0;
};

}  // namespace keldo::ui::memory

#pragma once

#include <functional>
#include <memory>
#include <string>

#include "shell/toolkit/image_list.h"
#include "shell/toolkit/toolkit.h"
#include "shell/trayicon.h"

namespace keldo::demo {

// One window with every kind of control and the tray icon with a pop-up
// menu, written on the widget set's interfaces only. Each backend gives it a
// main and drives it from outside: what happens is reported line by line
// ("menu: &Exit", "restored", "minimized", ...).
class WidgetDemo {
 public:
  using Report = std::function<void(const std::string& line)>;

  static constexpr const char* kClassName = "TfrmWidgetDemo";
  static constexpr const char* kCaption = "KELDO Link widgets";

  WidgetDemo(ui::Toolkit& toolkit, Report report);
  ~WidgetDemo();
  WidgetDemo(const WidgetDemo&) = delete;
  WidgetDemo& operator=(const WidgetDemo&) = delete;

  // Shows the window centred on the screen and adds the tray icon.
  void Show();

  ui::Form& Form() { return *form_; }
  TTrayIcon& Tray() { return *tray_; }
  ui::PopupMenu& Menu() { return *menu_; }
  ui::Memo& Log() { return *log_; }
  ui::StatusBar& Status() { return *status_; }

 private:
  void Build();
  void SetState(int index);
  void Say(const std::string& line);

  ui::Toolkit& toolkit_;
  Report report_;
  std::unique_ptr<ui::Form> form_;
  std::unique_ptr<ui::PopupMenu> menu_;
  ui::ImageList trayPictures_{16, 16};
  std::unique_ptr<TTrayIcon> tray_;
  ui::Image* picture_ = nullptr;
  ui::Edit* number_ = nullptr;
  ui::ScrollBar* scroll_ = nullptr;
  ui::Memo* log_ = nullptr;
  ui::StatusBar* status_ = nullptr;
  int state_ = 1;
};

}  // namespace keldo::demo

#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/platform/platform_event_loop.h"
#include "shell/toolkit/qt/controls.h"
#include "shell/toolkit/qt/form.h"
#include "shell/toolkit/qt/toolkit.h"

namespace keldo::test {

// Handles events until done() or the time is up; false on time-out.
inline bool Wait(const std::function<bool()>& done, int ms = 3000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) {
      return false;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

inline QWidget* WidgetOf(ui::Control& control) {
  return dynamic_cast<ui::qt::QtControl&>(control).Widget();
}

inline QWidget* WindowOf(ui::Form& form) {
  return dynamic_cast<ui::qt::QtForm&>(form).Window();
}

// Shows the form and waits until its window has the keyboard.
inline bool ShowActive(ui::Form& form) {
  form.Show();
  WindowOf(form)->activateWindow();
  return Wait([&] { return QApplication::activeWindow() == WindowOf(form); });
}

// The Qt widget set on the platform loop, on whatever QPA platform the
// environment names (the suite runs on "offscreen"). Errors that reach the
// loop's report are collected.
class QtToolkitTest : public ::testing::Test {
 protected:
  QtToolkitTest() : loop_(CreatePlatformEventLoop()) {
    loop_->SetErrorReport([this](const std::exception& e) { errors_.push_back(e.what()); });
    toolkit_ = std::make_unique<ui::qt::QtToolkit>(*loop_);
  }

  ~QtToolkitTest() override {
    forms_.clear();
    toolkit_.reset();
  }

  ui::qt::QtForm& NewForm(const std::string& className = "TfrmTest") {
    forms_.push_back(toolkit_->CreateForm(className));
    auto& form = dynamic_cast<ui::qt::QtForm&>(*forms_.back());
    form.SetClientSize({320, 240});
    return form;
  }

  std::unique_ptr<EventLoop> loop_;
  std::unique_ptr<ui::qt::QtToolkit> toolkit_;
  std::vector<std::unique_ptr<ui::Form>> forms_;
  std::vector<std::string> errors_;
};

}  // namespace keldo::test

#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <cstdint>
#include <functional>
#include <memory>

#include "engine/event_loop.h"

namespace keldo {

// The Linux loop: Qt's event dispatcher under a QCoreApplication or
// QApplication, which must exist before this object.
class QtEventLoop final : public EventLoop {
 public:
  QtEventLoop();
  ~QtEventLoop() override;

  std::unique_ptr<Timer> CreateTimer() override;
  std::unique_ptr<NotificationWindow> CreateNotificationWindow(NotificationSink& sink) override;
  void Post(std::function<void()> task) override;
  void ProcessEvents() override;
  void Sleep(std::uint32_t ms) override;
  void Run() override;
  bool RunUntil(const std::function<bool()>& done) override;
  void Quit() override;
  void QuitOnTerminationRequest() override;

  // Receives the loop's queued calls; gone with the loop, and its calls with it.
  QObject& Context() { return context_; }

 private:
  QObject context_;
  bool quitRequested_ = false;
  int runDepth_ = 0;
  int signalPipe_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> signalNotifier_;
};

}  // namespace keldo

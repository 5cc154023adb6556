#include "engine/platform/qt/event_loop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "engine/platform/platform_event_loop.h"
#include "engine/platform/qt/notification_window.h"

namespace keldo {
namespace {

class QtTimer final : public Timer {
 public:
  explicit QtTimer(EventLoop& loop) {
    // Qt's default lets intervals over 20 ms fire up to 5 % early or late, to
    // share wake-ups; the link's timers are meant to the millisecond.
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this, &loop] { loop.Guard([this] { Tick(); }); });
  }

 private:
  void Reschedule() override {
    if (Running()) {
      timer_.start(static_cast<int>(Interval()));
    } else {
      timer_.stop();
    }
  }

  QTimer timer_;
};

// Written from the signal handler; the loop reads the other end.
volatile sig_atomic_t gSignalWriteFd = -1;

// The byte written is the signal's number.
void OnTerminationSignal(int signal) {
  const int savedErrno = errno;
  const char byte = static_cast<char>(signal);
  [[maybe_unused]] const ssize_t n = ::write(gSignalWriteFd, &byte, 1);
  errno = savedErrno;
}

constexpr int kTerminationSignals[] = {SIGINT, SIGTERM, SIGHUP};

}  // namespace

QtEventLoop::QtEventLoop() = default;

QtEventLoop::~QtEventLoop() {
  if (signalNotifier_) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    for (int signal : kTerminationSignals) {
      ::sigaction(signal, &action, nullptr);
    }
    gSignalWriteFd = -1;
    signalNotifier_.reset();
    ::close(signalPipe_[0]);
    ::close(signalPipe_[1]);
  }
}

std::unique_ptr<Timer> QtEventLoop::CreateTimer() {
  return std::make_unique<QtTimer>(*this);
}

std::unique_ptr<NotificationWindow> QtEventLoop::CreateNotificationWindow(NotificationSink& sink) {
  return std::make_unique<QtNotificationWindow>(*this, sink);
}

void QtEventLoop::Post(std::function<void()> task) {
  QMetaObject::invokeMethod(
      &context_, [this, task = std::move(task)] { Guard(task); }, Qt::QueuedConnection);
}

void QtEventLoop::ProcessEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventLoop::Sleep(std::uint32_t ms) {
  QThread::msleep(ms);
}

void QtEventLoop::Run() {
  RunUntil([] { return false; });
}

bool QtEventLoop::RunUntil(const std::function<bool()>& done) {
  ++runDepth_;
  // Tasks posted before a level that starts inside a posted task: Qt's glib
  // dispatcher would not wake for them until something new is posted.
  QCoreApplication::sendPostedEvents();
  if (!quitRequested_ && !done()) {
    // The outermost level is the application's own loop: QCoreApplication::exec
    // is what clears an earlier exit(), and deleteLater and Qt's nesting rules
    // rely on it. Inner levels (modal dialogs) are QEventLoops. done() is
    // checked whenever the dispatcher wakes or is about to sleep.
    const bool outermost = QThread::currentThread()->loopLevel() == 0;
    QEventLoop loop;
    auto check = [&] {
      if (done() || quitRequested_) {
        if (outermost) {
          QCoreApplication::exit(0);
        } else {
          loop.exit();
        }
      }
    };
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, &loop, check);
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &loop, check);
    if (outermost) {
      QCoreApplication::exec();
    } else {
      loop.exec();
    }
  }
  --runDepth_;
  const bool quit = quitRequested_;
  if (runDepth_ == 0) {
    quitRequested_ = false;  // consumed by the outermost level
  }
  return !quit;
}

void QtEventLoop::Quit() {
  quitRequested_ = true;
  // Also ends loops that Qt itself runs (a dialog's exec).
  QCoreApplication::exit(0);
}

void QtEventLoop::QuitOnTerminationRequest() {
  if (signalNotifier_) {
    return;
  }
  if (::pipe2(signalPipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
    return;
  }
  gSignalWriteFd = signalPipe_[1];
  signalNotifier_ = std::make_unique<QSocketNotifier>(signalPipe_[0], QSocketNotifier::Read);
  QObject::connect(signalNotifier_.get(), &QSocketNotifier::activated, [this] {
    // Drained first: reloads asked for together are one, and a termination
    // request among them wins.
    char buffer[16];
    bool quit = false;
    bool reload = false;
    for (ssize_t n = 0; (n = ::read(signalPipe_[0], buffer, sizeof buffer)) > 0;) {
      for (ssize_t i = 0; i < n; ++i) {
        (buffer[i] == SIGHUP ? reload : quit) = true;
      }
    }
    if (quit || (reload && !HandleReloadRequest())) {
      Quit();
    }
  });
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigset_t handled;
  sigemptyset(&handled);
  for (int signal : kTerminationSignals) {
    ::sigaction(signal, &action, nullptr);
    sigaddset(&handled, signal);
  }
  // A program may hold them back until now, so that one arriving during its
  // start-up is not fatal; it is delivered here, to the handler.
  ::pthread_sigmask(SIG_UNBLOCK, &handled, nullptr);
}

std::unique_ptr<EventLoop> CreatePlatformEventLoop() {
  return std::make_unique<QtEventLoop>();
}

}  // namespace keldo

#include "apps/keldo-linkd/serial_watch.h"

#include "engine/link_settings.h"

namespace keldo {
namespace {

std::string PortName(const LinkController& controller) {
  return "COM" + std::to_string(controller.Settings().COMPort);
}

}  // namespace

SerialWatch::SerialWatch(EventLoop& loop, LinkController& controller, Report report)
    : controller_(controller), report_(std::move(report)), timer_(loop.CreateTimer()) {
  timer_->SetInterval(kCheckIntervalMs);
  timer_->SetOnTimer([this] { Check(); });
  timer_->SetEnabled(true);
}

void SerialWatch::Check() {
  SerialChannel& serial = controller_.Serial();
  if (controller_.State() == LinkState::Stop) {
    waiting_ = false;  // the stop sequence closed the port; the next start opens it
    return;
  }
  if (!waiting_) {
    if (serial.DeviceGone()) {
      serial.ClosePort();
      waiting_ = true;
      report_(PortName(controller_) +
              " has gone away: its bytes are lost until it is back; trying to reopen it every "
              "second");
    }
    return;
  }
  const LinkSettings& settings = controller_.Settings();
  if (serial.OpenPort(settings.COMPort, ModeString(settings.COMBaud))) {
    waiting_ = false;
    report_(PortName(controller_) + " is back: reopened");
  }
}

}  // namespace keldo

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
    refused_.clear();
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
  const SerialPort::Reopening reopening =
      serial.ReopenPort(settings.COMPort, ModeString(settings.COMBaud));
  if (reopening.opened) {
    waiting_ = false;
    refused_.clear();
    report_(PortName(controller_) + " is back: reopened");
    return;
  }
  // Said once for each node that turns up; it is left alone, and the watch
  // goes on waiting for the device itself.
  if (!reopening.refused.empty() && reopening.refused != refused_) {
    report_(PortName(controller_) + " not reopened: " + reopening.refused);
  }
  refused_ = reopening.refused;
}

}  // namespace keldo

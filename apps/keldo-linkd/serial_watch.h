#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/event_loop.h"
#include "engine/link_controller.h"

namespace keldo {

// keldo-linkd's watch over the serial device. The window shows a device that
// went away as nothing at all (reads find nothing, writes are dropped); a
// service has nobody to look, so once a second, while the link is not
// stopped, this checks the controller's port: a device that went away is
// reported and its port closed, and the port is opened again once that very
// device is back (a USB adapter unplugged and plugged in again). Anything
// else that turns up at its path, such as another session's terminal at the
// same pseudo-terminal number, is left alone, with a word on why.
class SerialWatch {
 public:
  static constexpr std::uint32_t kCheckIntervalMs = 1000;

  using Report = std::function<void(const std::string& message)>;

  SerialWatch(EventLoop& loop, LinkController& controller, Report report);

  // Whether the device went away and has not been opened again.
  bool Waiting() const { return waiting_; }

 private:
  void Check();

  LinkController& controller_;
  Report report_;
  std::unique_ptr<Timer> timer_;
  bool waiting_ = false;
  std::string refused_;  // why the node at the port's path was last left alone
};

}  // namespace keldo

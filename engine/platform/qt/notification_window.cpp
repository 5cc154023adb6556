#include "engine/platform/qt/notification_window.h"

#include <QMetaObject>

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <system_error>
#include <thread>

#include "engine/platform/qt/event_loop.h"

namespace keldo {
namespace {

// The resolver's answer as a Winsock lookup code, with the first IPv4 address.
int Resolve(const std::string& host, std::uint32_t& address) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int result = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (result != 0) {
    switch (result) {
      case EAI_NONAME:
        return net::kWsaHostNotFound;
      case EAI_AGAIN:
        return net::kWsaTryAgain;  // also no DNS reachable
      case EAI_NODATA:
      case EAI_ADDRFAMILY:
        return net::kWsaNoData;  // a name without an IPv4 address
      default:
        return net::kWsaNoRecovery;
    }
  }
  address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  ::freeaddrinfo(found);
  return 0;
}

}  // namespace

QtNotificationWindow::QtNotificationWindow(QtEventLoop& loop, NotificationSink& sink)
    : loop_(loop), sink_(sink) {
  unanswered_.setInterval(1000);
  QObject::connect(&unanswered_, &QTimer::timeout, [this] {
    if (phase_ == Phase::Connected && net::SentBytesUnanswered(socket_)) {
      Finish();
      if ((mask_ & kNotifyClose) != 0) {
        Deliver(kNotifyClose, net::kWsaETimedOut);
      }
    }
  });
}

QtNotificationWindow::~QtNotificationWindow() {
  for (const auto& [handle, lookup] : lookups_) {
    Abandon(lookup);
  }
}

int QtNotificationWindow::Select(net::SocketHandle socket, unsigned mask) {
  read_.reset();
  write_.reset();
  unanswered_.stop();
  awaitingRead_ = false;
  awaitingAccept_ = false;
  mask_ = mask;
  if (mask == 0 || socket == net::kInvalidSocket) {
    socket_ = net::kInvalidSocket;
    phase_ = Phase::None;
    return 0;
  }
  socket_ = socket;
  phase_ = Phase::None;
  if (const int error = net::SetNonBlocking(socket); error != 0) {
    return error;
  }
  const auto fd = static_cast<qintptr>(socket);
  read_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  write_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
  read_->setEnabled(false);
  write_->setEnabled(false);
  QObject::connect(read_.get(), &QSocketNotifier::activated, [this] { ReadReady(); });
  QObject::connect(write_.get(), &QSocketNotifier::activated, [this] { WriteReady(); });
  if ((mask & kNotifyAccept) != 0) {
    phase_ = Phase::Listening;
    read_->setEnabled(true);
  } else if (net::HasPeer(socket)) {
    // An accepted connection: Winsock gives it a write notification at once.
    Connected();
    read_->setEnabled(true);
    write_->setEnabled((mask & kNotifyWrite) != 0);
  } else {
    // A connect is about to start; its completion shows as writability.
    phase_ = Phase::Connecting;
    write_->setEnabled(true);
  }
  return 0;
}

void QtNotificationWindow::CallMade(net::SocketHandle socket, unsigned kind) {
  if (socket != socket_ || !read_) {
    return;
  }
  if (kind == kNotifyRead && awaitingRead_ && phase_ == Phase::Connected) {
    awaitingRead_ = false;
    read_->setEnabled(true);
  } else if (kind == kNotifyAccept && awaitingAccept_ && phase_ == Phase::Listening) {
    awaitingAccept_ = false;
    read_->setEnabled(true);
  } else if (kind == kNotifyWrite && phase_ == Phase::Connected && (mask_ & kNotifyWrite) != 0) {
    write_->setEnabled(true);
  }
}

void QtNotificationWindow::ReadReady() {
  read_->setEnabled(false);
  if (phase_ == Phase::Listening) {
    awaitingAccept_ = true;
    Deliver(kNotifyAccept, 0);
    return;
  }
  if (phase_ != Phase::Connected) {
    return;
  }
  // A reset is reported at once, whatever is still waiting.
  int error = net::PendingError(socket_);
  if (error == 0) {
    const net::IoResult pending = net::PendingBytes(socket_);
    const net::IoResult peek = pending.count > 0 ? pending : net::PeekByte(socket_);
    if (peek.count > 0) {
      awaitingRead_ = true;
      if ((mask_ & kNotifyRead) != 0) {
        Deliver(kNotifyRead, 0);
      }
      return;
    }
    if (peek.count < 0 && peek.error == net::kWsaEWouldBlock) {
      read_->setEnabled(true);  // woken for nothing
      return;
    }
    error = peek.count == 0 ? 0 : peek.error;  // 0: the peer's orderly close, all bytes read
  }
  Finish();
  if ((mask_ & kNotifyClose) != 0) {
    Deliver(kNotifyClose, error);
  }
}

void QtNotificationWindow::WriteReady() {
  write_->setEnabled(false);
  if (phase_ == Phase::Connecting) {
    const int error = net::PendingError(socket_);
    if (error != 0) {
      Finish();
    } else {
      Connected();
      read_->setEnabled(true);
      // Winsock follows a completed connect with a write notification.
      write_->setEnabled((mask_ & kNotifyWrite) != 0);
    }
    Deliver(kNotifyConnect, error);
    return;
  }
  if (phase_ == Phase::Connected) {
    Deliver(kNotifyWrite, 0);
  }
}

void QtNotificationWindow::Connected() {
  phase_ = Phase::Connected;
  unanswered_.start();
}

void QtNotificationWindow::Finish() {
  phase_ = Phase::Finished;
  unanswered_.stop();
  read_->setEnabled(false);
  write_->setEnabled(false);
}

void QtNotificationWindow::Deliver(unsigned kind, int error) {
  const net::SocketHandle socket = socket_;
  loop_.Guard([&] { sink_.SocketNotification(socket, kind, error); });
}

LookupHandle QtNotificationWindow::StartLookup(const std::string& host, int& error) {
  error = 0;
  const LookupHandle handle = nextLookup_++;
  // Text no resolver is asked about, and dotted text that needs none, complete
  // through the loop like a lookup. Only text that reads whole as an address
  // is taken as one: a check that forgives blanks before a parse that does not
  // turned " 127.0.0.1" into 255.255.255.255.
  std::uint32_t literal = 0;
  if (!IsLookupText(host)) {
    CompleteLater(handle, net::kWsaHostNotFound, 0);
    return handle;
  }
  if (net::ParseIpv4(host, literal)) {
    CompleteLater(handle, 0, literal);
    return handle;
  }
  auto lookup = std::make_shared<ResolverLookup>();
  try {
    std::thread([lookup, host, context = &loop_.Context(), this, life = std::weak_ptr<char>(life_),
                 handle] {
      std::uint32_t address = 0;
      const int code = Resolve(host, address);
      // Delivered only while the window waits for it; the window marks it
      // abandoned under this lock before it (or the loop) goes away.
      const std::lock_guard lock(lookup->mutex);
      if (!lookup->abandoned) {
        QMetaObject::invokeMethod(
            context,
            [this, life, handle, code, address] {
              if (!life.expired()) {
                CompleteLookup(handle, code, address);
              }
            },
            Qt::QueuedConnection);
      }
    }).detach();
  } catch (const std::system_error&) {
    error = net::kWsaTryAgain;  // no thread to be had
    return 0;
  }
  lookups_[handle] = std::move(lookup);
  return handle;
}

void QtNotificationWindow::CompleteLater(LookupHandle lookup, int error, std::uint32_t address) {
  lookups_[lookup] = nullptr;
  QMetaObject::invokeMethod(
      &loop_.Context(),
      [this, life = std::weak_ptr<char>(life_), lookup, error, address] {
        if (!life.expired()) {
          CompleteLookup(lookup, error, address);
        }
      },
      Qt::QueuedConnection);
}

void QtNotificationWindow::CompleteLookup(LookupHandle lookup, int error, std::uint32_t address) {
  if (lookups_.erase(lookup) == 0) {
    return;  // cancelled
  }
  loop_.Guard([&] { sink_.LookupDone(lookup, error, address); });
}

int QtNotificationWindow::CancelLookup(LookupHandle lookup) {
  const auto found = lookups_.find(lookup);
  if (found == lookups_.end()) {
    return net::kWsaEInval;
  }
  Abandon(found->second);
  lookups_.erase(found);
  return 0;
}

void QtNotificationWindow::Abandon(const std::shared_ptr<ResolverLookup>& lookup) {
  if (lookup) {
    const std::lock_guard lock(lookup->mutex);
    lookup->abandoned = true;
  }
}

void QtNotificationWindow::PostDestroy() {
  QMetaObject::invokeMethod(
      &loop_.Context(),
      [this, life = std::weak_ptr<char>(life_)] {
        if (!life.expired()) {
          loop_.Guard([this] { sink_.DestroyRequest(); });
        }
      },
      Qt::QueuedConnection);
}

}  // namespace keldo

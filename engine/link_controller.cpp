#include "engine/link_controller.h"

#include <cstdio>
#include <exception>
#include <optional>
#include <string>

#include "engine/allow_list.h"
#include "engine/identify_query.h"
#include "engine/platform/timer_resolution.h"

namespace keldo {
namespace {

constexpr int kDefaultPort = 5001;

std::string Formatted(const char* format, std::int32_t value) {
  char text[64];
  std::snprintf(text, sizeof text, format, static_cast<int>(value));
  return text;
}

// "Bind:127.0.0.1,Allow:192.168.1.0/24,10.0.0.7" with the parts that are set;
// empty when neither is, so the log reads as it always did.
std::string AccessReport(const LinkSettings& settings) {
  std::string report;
  if (const std::string bind = JoinAddressList(settings.ServerBind, ' '); !bind.empty()) {
    report = "Bind:" + bind;
  }
  if (const std::string allow = JoinAddressList(settings.ServerAllow, ','); !allow.empty()) {
    report += (report.empty() ? "Allow:" : ",Allow:") + allow;
  }
  return report;
}

// Where and to whom the server listens. Anything that cannot be read or does
// not parse raises, so the set-up fails rather than listen to everyone.
void ApplyServerAccess(const LinkSettings& settings, TServerSocket& server) {
  if (!settings.ServerAccessError.empty()) {
    throw ESocketError(settings.ServerAccessError);
  }
  std::string badEntry;
  std::optional<AllowList> allow = AllowList::Parse(settings.ServerAllow, badEntry);
  if (!allow) {
    throw ESocketError("ServerAllow: '" + badEntry + "' is not an IPv4 address or range");
  }
  server.SetAllowList(std::move(*allow));
  // More than one entry stays one text, which the listener refuses.
  server.SetAddress(JoinAddressList(settings.ServerBind, ' '));
}

}  // namespace

LinkController::LinkController(EventLoop& loop, LinkView& view)
    : loop_(loop),
      view_(view),
      sockServer_(loop),
      sockClient_(loop),
      tmrConnect_(loop.CreateTimer()),
      tmrPooling_(loop.CreateTimer()),
      tmrCheck_(loop.CreateTimer()) {
  sockServer_.SetPort(kDefaultPort);
  sockClient_.SetPort(kDefaultPort);

  tmrConnect_->SetInterval(kConnectDelayMs);
  tmrPooling_->SetInterval(kPollIntervalMs);
  tmrCheck_->SetInterval(kCheckIntervalMs);
  tmrConnect_->SetOnTimer([this] { tmrConnectTimer(); });
  tmrPooling_->SetOnTimer([this] { tmrPoolingTimer(); });
  tmrCheck_->SetOnTimer([this] { tmrCheckTimer(); });

  sockClient_.OnConnect = [this](void* s, TCustomWinSocket* c) { sockClientConnect(s, c); };
  sockClient_.OnDisconnect = [this](void* s, TCustomWinSocket* c) { sockClientDisconnect(s, c); };
  sockClient_.OnRead = [this](void* s, TCustomWinSocket* c) { sockClientRead(s, c); };
  sockClient_.OnError = [this](void* s, TCustomWinSocket* c, TErrorEvent e, int& code) {
    sockClientError(s, c, e, code);
  };
  sockServer_.OnClientConnect = [this](void* s, TCustomWinSocket* c) {
    sockServerClientConnect(s, c);
  };
  sockServer_.OnClientDisconnect = [this](void* s, TCustomWinSocket* c) {
    sockServerClientDisconnect(s, c);
  };
  sockServer_.OnClientRead = [this](void* s, TCustomWinSocket* c) { sockServerClientRead(s, c); };
  sockServer_.OnClientError = [this](void* s, TCustomWinSocket* c, TErrorEvent e, int& code) {
    sockServerClientError(s, c, e, code);
  };
  sockServer_.OnClientRefused = [this](void*, const std::string& address) {
    view_.PeerRefused(address);
  };
}

// The timers go first and the sockets raise no events while they are
// destroyed, so nothing reaches the controller from here on.
LinkController::~LinkController() {
  if (fineTimers_) {
    platform::ReleaseFineTimerResolution();
  }
}

// The fine timer resolution follows the state: the poll runs in Run only
// (Stop followed by Pause and Start arms it too, and shows Run).
void LinkController::SetState(LinkState state) {
  state_ = state;
  const bool wanted = state == LinkState::Run;
  if (wanted != fineTimers_) {
    fineTimers_ = wanted;
    if (wanted) {
      platform::AcquireFineTimerResolution();
    } else {
      platform::ReleaseFineTimerResolution();
    }
  }
}

void LinkController::FormShow() {
  // True, not false: a client that never connected is not reconnected until
  // its first attempt has failed with an error event.
  peerConnected_ = true;
  view_.ClearLog();
  LoadSettingsAndReport();
  if (settings_.ServerAutoStart == 1) {
    SetState(LinkState::Run);
    view_.ScheduleTrayHide();
    view_.SetInputEnabled(false);
    tmrConnect_->SetEnabled(true);
  } else {
    SetState(LinkState::Stop);
  }
  view_.RefreshStateDisplay(state_);
  view_.ResetCursor();
  view_.SetInputEnabled(true);
}

void LinkController::LoadSettingsAndReport() {
  view_.ClearLog();
  Load(settings_);
  view_.ShowAutoStart(settings_.ServerAutoStart == 1);
  view_.ShowServerName(settings_.ServerName);
  if (settings_.ServerMode == 1) {
    view_.AppendLog(Formatted("TCP Server Mode,Port:%d", settings_.ServerPort));
    if (const std::string access = AccessReport(settings_); !access.empty()) {
      view_.AppendLog(access);
    }
  } else {
    view_.AppendLog(Formatted("TCP Client Mode,Port:%d", settings_.ServerPort));
    view_.AppendLog("    Host:" + settings_.ServerHost);
  }
  view_.AppendLog(Formatted("COM%d,Speed:", settings_.COMPort) +
                  std::string(ModeString(settings_.COMBaud)));
}

void LinkController::btnPlayClick() {
  // A Pause entered from Stop has nothing open: Start sets the link up as
  // from Stop. A Pause during a set-up lets that set-up finish the start.
  const bool setUpUnderWay = settingUp_ || tmrConnect_->Enabled();
  if (state_ == LinkState::Stop || (state_ == LinkState::Pause && !linkUp_ && !setUpUnderWay)) {
    view_.SetInputEnabled(false);
    tmrConnect_->SetEnabled(true);
  } else if (state_ == LinkState::Pause && linkUp_) {
    halted_ = false;
    tmrPooling_->SetEnabled(true);
  }
  SetState(LinkState::Run);
  view_.RefreshStateDisplay(state_);
}

void LinkController::btnPauseClick() {
  SetState(LinkState::Pause);
  halted_ = true;
  view_.RefreshStateDisplay(state_);
}

void LinkController::btnStopClick() {
  halted_ = true;
  SetState(LinkState::Stop);
  view_.RefreshStateDisplay(state_);
  StopLink();
}

StoreResult LinkController::SaveSettingsAndRestart() {
  StoreResult stored = Save(settings_);
  LoadSettingsAndReport();
  tmrCheck_->SetEnabled(false);
  tmrPooling_->SetEnabled(false);
  SetState(LinkState::Stop);
  view_.RefreshStateDisplay(state_);
  StopLink();
  return stored;
}

void LinkController::StopLink() {
  view_.SetInputEnabled(false);
  peerConnected_ = false;
  halted_ = true;
  // A set-up still to come would open the link again behind the stop, and
  // one under way goes no further.
  tmrConnect_->SetEnabled(false);
  settingUp_ = false;
  linkUp_ = false;
  ++stops_;
  loop_.ProcessEvents();
  tmrCheck_->SetEnabled(false);
  tmrPooling_->SetEnabled(false);
  loop_.ProcessEvents();
  // A close that raises must not leave the port open or the window disabled:
  // the sequence finishes, then the first error goes on to the error report.
  std::exception_ptr failure;
  if (sockServer_.Active()) {
    try {
      sockServer_.SetActive(false);
    } catch (...) {
      failure = std::current_exception();
    }
  }
  loop_.ProcessEvents();
  if (sockClient_.Active()) {
    try {
      sockClient_.SetActive(false);
    } catch (...) {
      if (!failure) {
        failure = std::current_exception();
      }
    }
  }
  loop_.ProcessEvents();
  serial_.ClosePort();
  view_.SetInputEnabled(true);
  if (failure) {
    std::rethrow_exception(failure);
  }
}

void LinkController::CloseForExit() {
  // Nothing may open the link again before the program ends: no set-up or
  // reconnect check still to come, and none whose nested event processing
  // ran this close (it counts as a stop). The poll has nothing left to read.
  tmrConnect_->SetEnabled(false);
  tmrCheck_->SetEnabled(false);
  tmrPooling_->SetEnabled(false);
  ++stops_;
  serial_.ClosePort();
  if (sockServer_.Active()) {
    sockServer_.SetActive(false);
  }
  if (sockClient_.Active()) {
    sockClient_.SetActive(false);
  }
}

void LinkController::tmrConnectTimer() {
  tmrPooling_->SetEnabled(false);
  tmrConnect_->SetEnabled(false);
  // Commands handled while events are processed below win over this
  // sequence: after a Stop it goes no further (the stop closed what it
  // opened), after a Pause it leaves the link open but halted.
  const std::uint64_t stops = stops_;
  const auto stopped = [&] { return stops_ != stops; };
  settingUp_ = true;
  SetUpNetwork();
  view_.AppendLog(OpenSerial() ? "COM Port Open Ok." : "COM Port Open Error!");
  loop_.ProcessEvents();
  if (!stopped()) {
    loop_.Sleep(kSetUpWaitMs);
    loop_.ProcessEvents();
  }
  settingUp_ = false;
  if (stopped()) {
    return;
  }
  linkUp_ = true;
  tmrCheck_->SetEnabled(true);
  if (state_ == LinkState::Run) {
    halted_ = false;
    tmrPooling_->SetEnabled(true);
  }
  view_.SetInputEnabled(true);
}

// One guarded block: the first step that fails abandons the rest. A port in
// use makes the listener's open fail, and the link runs without one; the log
// says so, and the view is told why.
void LinkController::SetUpNetwork() {
  try {
    if (sockServer_.Active()) {
      sockServer_.SetActive(false);
      peerConnected_ = false;  // its connections went without events
    }
    if (sockClient_.Active()) {
      sockClient_.SetActive(false);
    }
    if (settings_.ServerMode == 1) {
      ApplyServerAccess(settings_, sockServer_);
      sockServer_.SetPort(settings_.ServerPort);
      sockServer_.SetActive(true);
    } else {
      sockClient_.SetHost(settings_.ServerHost);
      sockClient_.SetPort(settings_.ServerPort);
      sockClient_.SetActive(true);
    }
  } catch (const std::exception& e) {
    NetworkSetUpFailed(e.what());
  } catch (...) {
    NetworkSetUpFailed("unknown error");
  }
}

void LinkController::NetworkSetUpFailed(const std::string& reason) {
  // No peer can be reached this way; in client mode this also lets the
  // reconnect check try again.
  peerConnected_ = false;
  view_.AppendLog("Socket Error!");
  view_.NetworkOpenFailed(reason);
}

bool LinkController::OpenSerial() {
  try {
    const std::string_view mode = ModeString(settings_.COMBaud);
    serial_.ClosePort();
    return serial_.OpenPort(settings_.COMPort, mode);
  } catch (...) {
    return false;
  }
}

void LinkController::tmrPoolingTimer() {
  tmrPooling_->SetEnabled(false);  // the next tick comes 5 ms after this one ends
  try {
    // Every complete line that has arrived goes out once, whole and in order;
    // a partial line stays for the next tick (or is discarded by a write from
    // the network, which starts a fresh reply).
    std::int32_t taken = 0;
    while (taken < kPollByteBudget && serial_.ReadLine()) {
      const std::int32_t length = serial_.LineLength();
      // Emptied first, so a send that raises cannot leave the line to go out
      // again with the next one; its bytes stay in LineBuffer until the next read.
      serial_.StartNewLine();
      view_.ShowTransfer(Formatted("COM:%d", length));
      if (peerConnected_ && activePeer_) {
        ForwardLine(length);
      }
      taken += length > 0 ? length : 1;
      if (!serial_.InputWaiting()) {
        break;  // the tick ends without an empty read and its 1 ms wait
      }
    }
  } catch (...) {
  }
  if (!halted_) {
    tmrPooling_->SetEnabled(true);
  }
}

void LinkController::ForwardLine(std::int32_t length) {
  const std::uint64_t droppedBefore = activePeer_.Get()->DroppedBytes();
  activePeer_.SendQueued(serial_.LineBuffer().data(), length);
  if (const TCustomWinSocket* peer = activePeer_.Get()) {
    droppedBytes_ += peer->DroppedBytes() - droppedBefore;
  }
}

// Any ServerMode but 1 is a client, here as in the set-up.
bool LinkController::ReconnectWanted() const {
  return state_ == LinkState::Run && settings_.ServerMode != 1 && !peerConnected_;
}

void LinkController::tmrCheckTimer() {
  if (!ReconnectWanted()) {
    return;
  }
  // A Stop or Pause handled while events are processed ends the attempt.
  const std::uint64_t stops = stops_;
  const auto stillWanted = [&] { return stops_ == stops && ReconnectWanted(); };
  try {
    if (sockClient_.Active()) {
      sockClient_.SetActive(false);
    }
    loop_.ProcessEvents();
    if (!stillWanted()) {
      return;
    }
    loop_.Sleep(kReconnectPauseMs);
    loop_.ProcessEvents();
    if (!stillWanted()) {
      return;
    }
    sockClient_.SetActive(true);  // host and port as the last set-up left them
  } catch (...) {
  }
}

void LinkController::PeerUp(TCustomWinSocket* Socket) {
  activePeer_ = ConnectionRef(Socket);
  peerConnected_ = true;
  view_.AppendLog("Socket Connect.");
}

void LinkController::PeerDown(bool forwardingEnds) {
  if (forwardingEnds) {
    peerConnected_ = false;
  }
  view_.AppendLog("Socket Disconnect.");
}

void LinkController::PeerError(int& ErrorCode, bool forwardingEnds) {
  ErrorCode = 0;
  if (forwardingEnds) {
    peerConnected_ = false;
  }
  view_.AppendLog("Socket Error!");
}

void LinkController::sockClientConnect(void*, TCustomWinSocket* Socket) {
  PeerUp(Socket);
}
void LinkController::sockClientDisconnect(void*, TCustomWinSocket*) {
  PeerDown(true);
}
void LinkController::sockClientError(void*, TCustomWinSocket*, TErrorEvent, int& ErrorCode) {
  PeerError(ErrorCode, true);
}
void LinkController::sockClientRead(void*, TCustomWinSocket* Socket) {
  NetworkRead(Socket, true);
}

void LinkController::sockServerClientConnect(void*, TCustomWinSocket* Socket) {
  PeerUp(Socket);
}
// Lines go to ActivePeer only, so only its leaving stops them; an earlier
// peer that leaves takes nothing from the peer that stays.
void LinkController::sockServerClientDisconnect(void*, TCustomWinSocket* Socket) {
  PeerDown(activePeer_.Refers(Socket));
}
void LinkController::sockServerClientError(void*, TCustomWinSocket* Socket, TErrorEvent,
                                           int& ErrorCode) {
  PeerError(ErrorCode, activePeer_.Refers(Socket));
}
void LinkController::sockServerClientRead(void*, TCustomWinSocket* Socket) {
  NetworkRead(Socket, false);
}

// Only the bytes the connection really handed over are counted and written:
// a short or failed receive must not send stale buffer contents to the device.
void LinkController::NetworkRead(TCustomWinSocket* Socket, bool answerIdentifyQuery) {
  try {
    // The receive can raise events that end the connection; the reference
    // turns every later call into nothing once it is gone.
    const ConnectionRef connection(Socket);
    std::uint8_t buffer[kReceiveLimit];
    int wanted = connection.PendingBytes();
    if (wanted > kReceiveLimit) {
      wanted = kReceiveLimit;
    }
    const int received = connection.ReceiveBytes(buffer, wanted);
    if (received <= 0) {
      return;
    }
    if (answerIdentifyQuery && IsIdentifyQuery(buffer, received)) {
      const IdentifyReply reply = BuildIdentifyReply(settings_.ServerID);
      // Behind any device line still kept for this peer, never inside one.
      connection.SendQueued(reply.data(), static_cast<int>(reply.size()));
      return;
    }
    view_.ShowTransfer(Formatted("NET:%d", received));
    if (!halted_) {
      serial_.WritePort(buffer, received);
    }
  } catch (...) {
  }
}

}  // namespace keldo

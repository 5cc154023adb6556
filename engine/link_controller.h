#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/connection_ref.h"
#include "engine/event_loop.h"
#include "engine/link_settings.h"
#include "engine/link_trace.h"
#include "engine/link_view.h"
#include "engine/serial_channel.h"
#include "engine/settings_store.h"
#include "engine/socket_components.h"

namespace keldo {

// Joins the serial channel to one TCP role and carries the link's state
// machine. It has no window: it reports through LinkView, and its owner (the
// main window, or keldo-linkd) forwards the user's commands to it.
//
// Everything runs on the event loop's thread. The link set-up, the stop
// sequence and the reconnect check process pending events in their middle,
// so socket events and timer ticks can run nested inside them.
class LinkController {
 public:
  // A read event takes at most this many bytes; the rest waits for the next.
  static constexpr int kReceiveLimit = 1024;
  static constexpr std::uint32_t kConnectDelayMs = 50;
  static constexpr std::uint32_t kPollIntervalMs = 5;
  static constexpr std::uint32_t kCheckIntervalMs = 5000;
  // How long the set-up blocks for the connection to come up.
  static constexpr std::uint32_t kSetUpWaitMs = 1000;
  // How long the reconnect check blocks between closing and opening.
  static constexpr std::uint32_t kReconnectPauseMs = 100;
  // A poll tick forwards complete lines until it has taken this many bytes;
  // the rest waits for the next tick, so a flood cannot freeze the window.
  // Ample for 230400 baud even at 31 ms ticks.
  static constexpr std::int32_t kPollByteBudget = 2048;

  LinkController(EventLoop& loop, LinkView& view);
  ~LinkController();
  LinkController(const LinkController&) = delete;
  LinkController& operator=(const LinkController&) = delete;

  // The main window's first show: load and report the settings, and start
  // at once when ServerAutoStart is 1.
  void FormShow();

  // The user's commands, accepted in every state.
  void btnPlayClick();
  void btnPauseClick();
  void btnStopClick();

  // After the configuration dialog has edited Settings() in place: stores
  // them, reloads and reports them, and stops the link. The result says
  // whether the store took them, for the dialog to show; the link is stopped
  // and the log reports what the store then yields either way.
  StoreResult SaveSettingsAndRestart();
  void LoadSettingsAndReport();
  void StopLink();

  // What the main window does in the first phase of its close: the timers
  // stop, then the serial port and both sockets close. The state, the log and
  // the window stay as they are until the program ends.
  void CloseForExit();

  // The timers' ticks.
  void tmrConnectTimer();
  void tmrPoolingTimer();
  void tmrCheckTimer();

  // The sockets' events.
  void sockClientConnect(void* Sender, TCustomWinSocket* Socket);
  void sockClientDisconnect(void* Sender, TCustomWinSocket* Socket);
  void sockClientError(void* Sender, TCustomWinSocket* Socket, TErrorEvent ErrorEvent,
                       int& ErrorCode);
  void sockClientRead(void* Sender, TCustomWinSocket* Socket);
  void sockServerClientConnect(void* Sender, TCustomWinSocket* Socket);
  void sockServerClientDisconnect(void* Sender, TCustomWinSocket* Socket);
  void sockServerClientError(void* Sender, TCustomWinSocket* Socket, TErrorEvent ErrorEvent,
                             int& ErrorCode);
  void sockServerClientRead(void* Sender, TCustomWinSocket* Socket);

  LinkState State() const { return state_; }
  bool Halted() const { return halted_; }
  bool PeerConnected() const { return peerConnected_; }
  const ConnectionRef& ActivePeer() const { return activePeer_; }
  // Bytes of device lines dropped whole because a peer took nothing for too
  // long (its kept bytes reached TCustomWinSocket::kSendQueueLimit).
  std::uint64_t DroppedBytes() const { return droppedBytes_; }

  // The registry key the settings are loaded from and saved to: kSettingsKey
  // unless a named instance of keldo-linkd uses one of its own.
  void SetSettingsKey(std::string key) { settingsKey_ = std::move(key); }
  const std::string& SettingsKey() const { return settingsKey_; }

  // Shows every chunk that crosses the link to trace (not owned; null: none).
  void SetTrace(LinkTrace* trace) { trace_ = trace; }

  // The in-memory settings; the configuration dialog edits them in place.
  LinkSettings& Settings() { return settings_; }
  const LinkSettings& Settings() const { return settings_; }

  SerialChannel& Serial() { return serial_; }
  TServerSocket& sockServer() { return sockServer_; }
  TClientSocket& sockClient() { return sockClient_; }
  Timer& tmrConnect() { return *tmrConnect_; }
  Timer& tmrPooling() { return *tmrPooling_; }
  Timer& tmrCheck() { return *tmrCheck_; }

 private:
  void SetState(LinkState state);
  void PeerUp(TCustomWinSocket* Socket);
  void PeerDown(bool forwardingEnds);
  void PeerError(int& ErrorCode, bool forwardingEnds);
  bool ReconnectWanted() const;
  TraceFate ForwardLine(std::int32_t length);
  void TraceDeviceLine(std::int32_t length, TraceFate fate);
  void TraceNetworkBytes(const std::string& peer, const std::uint8_t* bytes, int count);
  void NetworkRead(TCustomWinSocket* Socket, bool answerIdentifyQuery);
  void SetUpNetwork();
  void NetworkSetUpFailed(const std::string& reason);
  bool OpenSerial();

  EventLoop& loop_;
  LinkView& view_;
  std::string settingsKey_ = kSettingsKey;
  LinkTrace* trace_ = nullptr;
  LinkState state_ = LinkState::Stop;
  LinkSettings settings_;
  bool halted_ = false;
  bool peerConnected_ = false;
  ConnectionRef activePeer_;
  // The set-up has opened the link and no stop has closed it since.
  bool linkUp_ = false;
  bool settingUp_ = false;
  // Counts StopLink and CloseForExit calls, so a sequence that processed
  // events in its middle can tell that the link was closed meanwhile.
  std::uint64_t stops_ = 0;
  std::uint64_t droppedBytes_ = 0;
  SerialChannel serial_;
  TServerSocket sockServer_;
  TClientSocket sockClient_;
  std::unique_ptr<Timer> tmrConnect_;
  std::unique_ptr<Timer> tmrPooling_;
  std::unique_ptr<Timer> tmrCheck_;
  bool fineTimers_ = false;  // the OS's fine timer resolution is held
};

}  // namespace keldo

#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/event_loop.h"
#include "engine/link_view.h"

namespace keldo {

// text with its control characters (below 0x20, and 0x7F) written as \xHH, so
// that a stored name or host can neither start a line of its own nor send a
// terminal escape sequence. Other bytes pass unchanged.
std::string EscapeControls(std::string_view text);

// keldo-linkd's LinkView: a terminal or a service journal, one line per event,
// each flushed at once.
//
// - Log lines are written as they stand.
// - A state change is one line in the window's words ("Current Run"), and so
//   is a change of the server name ("Name: KELDO"); repeats are not written.
// - Transfer status is a summary: the first update after a quiet second is
//   written at once ("Transfer: COM:12"); later ones are gathered and written
//   at most once a second, each direction with its latest text and, when it
//   changed more than once, how often ("Transfer: COM:12 x40, NET:5 x38").
// - Control characters are escaped (EscapeControls): the texts come from the
//   settings, which anybody who may edit them could use to forge lines.
// - The log is never cleared: what a terminal has printed stays.
// - There is no window: input, cursor and tray calls do nothing, and there is
//   no auto-start box, so the autorun entry and ServerAutoStart are never
//   written from here.
class TerminalView final : public LinkView {
 public:
  static constexpr std::uint32_t kSummaryIntervalMs = 1000;

  // out stays owned by the caller.
  TerminalView(EventLoop& loop, std::FILE* out);
  ~TerminalView();

  void AppendLog(const std::string& line) override;
  void ClearLog() override {}
  void ShowTransfer(const std::string& text) override;
  void RefreshStateDisplay(LinkState state) override;
  void SetInputEnabled(bool) override {}
  void ShowAutoStart(bool) override {}
  void ShowServerName(const std::string& name) override;
  void ScheduleTrayHide() override {}
  void ResetCursor() override {}
  void NetworkOpenFailed(const std::string& reason) override;
  void PeerRefused(const std::string& address) override;

  // What the daemon does when the set-up cannot open its network side.
  void SetOnNetworkOpenFailed(std::function<void(const std::string& reason)> handler) {
    onNetworkOpenFailed_ = std::move(handler);
  }
  // What the daemon does with a peer that ServerAllow keeps out.
  void SetOnPeerRefused(std::function<void(const std::string& address)> handler) {
    onPeerRefused_ = std::move(handler);
  }

  // Writes the transfer summary gathered so far, if any (at exit).
  void Flush();

 private:
  struct Direction {
    std::string key;  // the text up to its colon: "COM", "NET"
    std::string latest;
    int updates = 0;  // since the last summary
  };

  void WriteLine(const std::string& text);
  void SummaryTick();

  std::FILE* out_;
  std::unique_ptr<Timer> summaryTimer_;
  std::vector<Direction> directions_;
  std::optional<LinkState> shownState_;
  std::optional<std::string> shownName_;
  std::function<void(const std::string&)> onNetworkOpenFailed_;
  std::function<void(const std::string&)> onPeerRefused_;
};

}  // namespace keldo

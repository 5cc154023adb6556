#include "tests/controller/link_fixture.h"

#include <algorithm>

#include "engine/settings_store.h"
#include "tests/support/test_loop.h"

namespace keldo::test {
namespace {

// A COM number per device, so no test meets a link an earlier one left.
std::int32_t NextComPort() {
  static std::int32_t next = 60;
  return next++;
}

}  // namespace

void RecordingView::Record(std::string what) {
  events_.push_back({clock_.Now(), std::move(what)});
}

void RecordingView::AppendLog(const std::string& line) {
  log_.push_back(line);
  Record("log:" + line);
}

void RecordingView::ClearLog() {
  log_.clear();
  Record("clear");
}

void RecordingView::ShowTransfer(const std::string& text) {
  Record("transfer:" + text);
}

void RecordingView::RefreshStateDisplay(LinkState state) {
  Record("state:" + std::to_string(static_cast<int>(state)));
}

void RecordingView::SetInputEnabled(bool enabled) {
  inputEnabled_ = enabled;
  Record(enabled ? "input:1" : "input:0");
}

void RecordingView::ShowAutoStart(bool checked) {
  Record(checked ? "autostart:1" : "autostart:0");
}
void RecordingView::ShowServerName(const std::string& name) {
  Record("name:" + name);
}
void RecordingView::ScheduleTrayHide() {
  Record("trayhide");
}
void RecordingView::ResetCursor() {
  Record("cursor");
}

void RecordingView::NetworkOpenFailed(const std::string& reason) {
  Record("network failed:" + reason);
}

void RecordingView::PeerRefused(const std::string& address) {
  Record("refused:" + address);
}

bool RecordingView::Logged(const std::string& line) const {
  return CountLogged(line) > 0;
}

int RecordingView::CountLogged(const std::string& line) const {
  return static_cast<int>(std::count_if(events_.begin(), events_.end(),
                                        [&](const Event& e) { return e.what == "log:" + line; }));
}

std::vector<std::string> RecordingView::Transfers() const {
  std::vector<std::string> texts;
  for (const Event& e : events_) {
    if (e.what.rfind("transfer:", 0) == 0) {
      texts.push_back(e.what.substr(9));
    }
  }
  return texts;
}

std::int64_t RecordingView::FirstAt(const std::string& what) const {
  for (const Event& e : events_) {
    if (e.what == what) {
      return static_cast<std::int64_t>(e.at);
    }
  }
  return -1;
}

LinkFixture::LinkFixture() : loop_(TestLoop()), comPort_(NextComPort()), device_(comPort_) {}

LinkFixture::~LinkFixture() = default;

LinkSettings LinkFixture::ServerSettings(std::uint16_t port) const {
  LinkSettings s = DefaultLinkSettings();
  s.ServerMode = 1;
  s.ServerPort = port;
  s.COMPort = comPort_;
  return s;
}

LinkSettings LinkFixture::ClientSettings(std::uint16_t port) const {
  LinkSettings s = ServerSettings(port);
  s.ServerMode = 0;
  s.ServerHost = "127.0.0.1";
  return s;
}

void LinkFixture::Store(const LinkSettings& settings) {
  const StoreResult stored = Save(settings);
  ASSERT_TRUE(stored.written) << stored.failure;
}

void LinkFixture::MakeLink() {
  link_ = std::make_unique<LinkController>(loop_, view_);
}

void LinkFixture::StartLink() {
  MakeLink();
  link_->FormShow();
  link_->btnPlayClick();
  loop_.Advance(LinkController::kConnectDelayMs);
}

std::string LinkFixture::ReceiveAtPeer(Peer& peer, std::size_t count) {
  std::string got;
  loop_.AdvanceUntil(
      [&] {
        got += peer.ReadAvailable();
        return got.size() >= count;
      },
      2000);
  return got;
}

bool LinkFixture::PollUntilTransfers(std::size_t n) {
  return loop_.AdvanceUntil([&] { return view_.Transfers().size() >= n; }, 2000);
}

bool LinkFixture::WaitForLog(const std::string& line, int times) {
  return loop_.WaitReal([&] { return view_.CountLogged(line) >= times; });
}

bool LinkFixture::WaitForTransfer(const std::string& text, int times) {
  return loop_.WaitReal([&] {
    const std::vector<std::string> all = view_.Transfers();
    return std::count(all.begin(), all.end(), text) >= times;
  });
}

}  // namespace keldo::test

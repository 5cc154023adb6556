#include "apps/keldo-linkd/terminal_view.h"

#include <algorithm>

namespace keldo {
namespace {

const char* StateText(LinkState state) {
  switch (state) {
    case LinkState::Run:
      return "Current Run";
    case LinkState::Stop:
      return "Current Stop";
    case LinkState::Pause:
      return "Current Pause";
  }
  return nullptr;
}

}  // namespace

std::string EscapeControls(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      escaped += "\\x";
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 0x0F];
    } else {
      escaped += c;
    }
  }
  return escaped;
}

TerminalView::TerminalView(EventLoop& loop, std::FILE* out)
    : out_(out), summaryTimer_(loop.CreateTimer()) {
  summaryTimer_->SetInterval(kSummaryIntervalMs);
  summaryTimer_->SetOnTimer([this] { SummaryTick(); });
}

TerminalView::~TerminalView() = default;

void TerminalView::WriteLine(const std::string& text) {
  const std::string line = EscapeControls(text);
  std::fwrite(line.data(), 1, line.size(), out_);
  std::fputc('\n', out_);
  std::fflush(out_);
}

void TerminalView::AppendLog(const std::string& line) {
  WriteLine(line);
}

void TerminalView::NetworkOpenFailed(const std::string& reason) {
  if (onNetworkOpenFailed_) {
    onNetworkOpenFailed_(reason);
  }
}

void TerminalView::PeerRefused(const std::string& address) {
  if (onPeerRefused_) {
    onPeerRefused_(address);
  }
}

void TerminalView::RefreshStateDisplay(LinkState state) {
  const char* text = StateText(state);
  if (text == nullptr || shownState_ == state) {
    return;
  }
  shownState_ = state;
  WriteLine(text);
}

void TerminalView::ShowServerName(const std::string& name) {
  if (shownName_ == name) {
    return;
  }
  shownName_ = name;
  WriteLine("Name: " + name);
}

void TerminalView::ShowTransfer(const std::string& text) {
  const std::string key = text.substr(0, text.find(':'));
  auto found = std::find_if(directions_.begin(), directions_.end(),
                            [&key](const Direction& d) { return d.key == key; });
  if (found == directions_.end()) {
    directions_.push_back({key, {}, 0});
    found = directions_.end() - 1;
  }
  found->latest = text;
  ++found->updates;
  if (!summaryTimer_->Enabled()) {
    // After a quiet second the first update shows at once.
    Flush();
    summaryTimer_->SetEnabled(true);
  }
}

void TerminalView::SummaryTick() {
  const bool quiet = std::none_of(directions_.begin(), directions_.end(),
                                  [](const Direction& d) { return d.updates > 0; });
  if (quiet) {
    summaryTimer_->SetEnabled(false);
    return;
  }
  Flush();
}

void TerminalView::Flush() {
  std::string line;
  for (Direction& d : directions_) {
    if (d.updates == 0) {
      continue;
    }
    line += line.empty() ? "Transfer: " : ", ";
    line += d.latest;
    if (d.updates > 1) {
      line += " x" + std::to_string(d.updates);
    }
    d.updates = 0;
  }
  if (!line.empty()) {
    WriteLine(line);
  }
}

}  // namespace keldo

#include "shell/toolkit/application.h"

#include <algorithm>

#include "shell/toolkit/errors.h"
#include "shell/toolkit/messages.h"

namespace keldo::ui {

Application::HookId Application::AddHook(Hook hook) {
  hooks_.push_back({nextHookId_, std::move(hook)});
  return nextHookId_++;
}

void Application::RemoveHook(HookId id) {
  hooks_.erase(std::remove_if(hooks_.begin(), hooks_.end(),
                              [id](const HookEntry& entry) { return entry.id == id; }),
               hooks_.end());
}

bool Application::HasHook(HookId id) const {
  return std::any_of(hooks_.begin(), hooks_.end(),
                     [id](const HookEntry& entry) { return entry.id == id; });
}

bool Application::CallHooks(Message& message) {
  // By id from a snapshot: a hook may remove itself or others meanwhile, and
  // a removed hook must not run.
  std::vector<HookId> ids;
  ids.reserve(hooks_.size());
  for (const HookEntry& entry : hooks_) {
    ids.push_back(entry.id);
  }
  for (HookId id : ids) {
    auto it = std::find_if(hooks_.begin(), hooks_.end(),
                           [id](const HookEntry& entry) { return entry.id == id; });
    if (it == hooks_.end()) {
      continue;
    }
    Hook hook = it->hook;  // the entry may go while the hook runs
    if (hook(message)) {
      return true;
    }
  }
  return false;
}

void Application::ShowException(const std::exception& error) {
  const std::string text = ErrorDisplayText(error.what());
  if (errorBoxOpen_) {
    ++errorsNotShown_;
    if (OnErrorNotShown) {
      std::function<void(const std::string&)> notify = OnErrorNotShown;
      notify(text);
    }
    return;
  }
  errorBoxOpen_ = true;
  struct Reopen {
    bool& open;
    ~Reopen() { open = false; }
  } reopen{errorBoxOpen_};
  ShowMessageBox(text, Title(), kMbOk | kMbIconStop);
}

void Application::HandleException(const std::exception& error) {
  if (dynamic_cast<const EAbort*>(&error) != nullptr) {
    return;
  }
  ShowException(error);
}

}  // namespace keldo::ui

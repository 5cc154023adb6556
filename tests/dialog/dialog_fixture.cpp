#include "tests/dialog/dialog_fixture.h"

#include "engine/settings_store.h"
#include "shell/toolkit/messages.h"
#include "tests/support/test_loop.h"

namespace keldo::test {

DialogFixture::DialogFixture()
    : loop_(TestLoop()), toolkit_(loop_), main_(toolkit_.CreateForm("TfrmKELDO")) {
  loop_.SetErrorReport([this](const std::exception& e) { errors_.push_back(e.what()); });
  main_->SetClientSize({317, 313});
  main_->Show();
  link_ = std::make_unique<LinkController>(loop_, view_);
}

DialogFixture::~DialogFixture() {
  link_->StopLink();
  toolkit_.OnModalStart = nullptr;
}

void DialogFixture::Store(const LinkSettings& settings) {
  ASSERT_TRUE(Save(settings).written);
  link_->LoadSettingsAndReport();
}

LinkSettings DialogFixture::Stored() {
  LinkSettings settings;
  Load(settings);
  return settings;
}

DialogFixture::Outcome DialogFixture::Interact(
    const std::function<void(TfrmConfig& dialog)>& user) {
  Outcome outcome;
  TfrmConfig dialog(toolkit_, *link_);
  toolkit_.OnModalStart = [&](ui::Form&) {
    user(dialog);
    outcome.closedByUser = dialog.Form().ModalResult() != ui::mrNone;
    if (!outcome.closedByUser) {
      EXPECT_TRUE(dialog.Form().Visible());
      toolkit_.SystemCommand(dialog.Form(), ui::kScClose);
    }
  };
  const std::size_t errorsBefore = errors_.size();
  outcome.result = dialog.ShowModal();
  toolkit_.OnModalStart = nullptr;
  if (errors_.size() > errorsBefore) {
    outcome.error = errors_.back();
  }
  EXPECT_FALSE(dialog.Form().Visible());
  return outcome;
}

}  // namespace keldo::test

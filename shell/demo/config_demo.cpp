#include "shell/demo/config_demo.h"

#include <cstdio>
#include <cstring>

#include "shell/art/picture.h"
#include "shell/frmConfigU.h"

namespace keldo::demo {

ConfigDemo::ConfigDemo(ui::Toolkit& toolkit, Report report)
    : toolkit_(toolkit), report_(std::move(report)) {
  toolkit_.App().SetTitle("KELDO Link");
  toolkit_.App().SetIcon(art::GetPicture(art::PictureId::MainIcon));
  form_ = toolkit_.CreateForm(kClassName);
  ui::Form& f = *form_;
  f.SetCaption(kCaption);
  f.SetClientSize({317, 313});
  f.SetPosition(ui::FormPosition::ScreenCenter);
  f.SetFont({"Courier New", 13, ui::Charset::Ansi});
  f.SetIcon(art::GetPicture(art::PictureId::MainIcon));

  name_ = &f.Create<ui::Panel>({8, 8, 260, 33});
  name_->SetBevel(ui::Bevel::Lowered, ui::Bevel::None, 0);
  auto& config = f.Create<ui::Button>({276, 8, 33, 33});
  config.SetGlyph(art::GetPicture(art::PictureId::ButtonConfig));
  config.SetHint("Config");
  config.SetDefault(true);
  config.OnClick = [this](void* Sender) { btnConfigClick(Sender); };
  log_ = &f.Create<ui::Memo>({8, 48, 301, 257});
  log_->SetReadOnly(true);
  log_->SetVerticalScrollBar(true);
  f.SetTabOrder({&config, log_});

  link_ = std::make_unique<LinkController>(toolkit_.Loop(), *this);
}

ConfigDemo::~ConfigDemo() {
  link_->CloseForExit();
}

void ConfigDemo::Show(bool openAtOnce) {
  link_->LoadSettingsAndReport();
  form_->Show();
  report_("window shown");
  if (openAtOnce) {
    toolkit_.Loop().Post([this] {
      btnConfigClick(nullptr);
      form_->Close();
    });
  }
}

void ConfigDemo::btnConfigClick(void* /*Sender*/) {
  TfrmConfig dialog(toolkit_, *link_);
  report_("dialog opening");
  const int result = dialog.ShowModal();
  report_("dialog closed " + std::to_string(result));
}

void ConfigDemo::AppendLog(const std::string& line) {
  log_->AppendLine(line);
  report_("log: " + line);
}

void ConfigDemo::ClearLog() {
  log_->Clear();
  report_("log cleared");
}

void ConfigDemo::SetInputEnabled(bool enabled) {
  form_->SetEnabled(enabled);
}

void ConfigDemo::ShowServerName(const std::string& name) {
  name_->SetCaption(name);
}

int RunConfigDemo(ui::Toolkit& toolkit, int argc, char** argv) {
  bool openAtOnce = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--open") == 0) {
      openAtOnce = true;
    } else {
      std::fprintf(stderr, "usage: %s [--open]\n", argv[0]);
      return 2;
    }
  }
  toolkit.Loop().SetErrorReport(
      [&toolkit](const std::exception& error) { toolkit.App().HandleException(error); });
  ConfigDemo demo(toolkit, [](const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
  });
  demo.Show(openAtOnce);
  toolkit.App().Run();
  return 0;
}

}  // namespace keldo::demo

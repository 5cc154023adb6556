#include "shell/demo/widget_demo.h"

#include <cstdio>

#include "shell/art/picture.h"

namespace keldo::demo {

namespace {

constexpr art::PictureId kStatePictures[] = {art::PictureId::StateRun, art::PictureId::StateStop,
                                             art::PictureId::StatePause};
constexpr const char* kStateNames[] = {"Run", "Stop", "Pause"};

}  // namespace

WidgetDemo::WidgetDemo(ui::Toolkit& toolkit, Report report)
    : toolkit_(toolkit), report_(std::move(report)) {
  toolkit_.App().SetIcon(art::GetPicture(art::PictureId::MainIcon));
  form_ = toolkit_.CreateForm(kClassName);
  menu_ = toolkit_.CreatePopupMenu();
  Build();
}

WidgetDemo::~WidgetDemo() = default;

void WidgetDemo::Build() {
  ui::Form& f = *form_;
  f.SetCaption(kCaption);
  f.SetClientSize({360, 344});
  f.SetBorderIcons({true, true});
  f.SetPosition(ui::FormPosition::ScreenCenter);
  f.SetFont({"Courier New", 13, ui::Charset::Ansi});
  f.SetIcon(art::GetPicture(art::PictureId::MainIcon));
  const ui::Color sky = ui::Color::Rgb(166, 202, 240);

  auto& label = f.Create<ui::Label>({8, 6, 100, 25});
  label.SetCaption("Name:");
  label.SetAlignment(ui::Alignment::Right);
  label.SetLayout(ui::VerticalLayout::Center);
  auto& panel = f.Create<ui::Panel>({112, 6, 240, 25});
  panel.SetCaption("widget demo");
  panel.SetAlignment(ui::Alignment::Left);
  panel.SetBevel(ui::Bevel::Lowered, ui::Bevel::Lowered, 1);
  panel.SetColor(sky);

  picture_ = &f.Create<ui::Image>({8, 36, 113, 113});
  const art::PictureId glyphs[] = {art::PictureId::ButtonPlay, art::PictureId::ButtonStop,
                                   art::PictureId::ButtonPause};
  const char* hints[] = {"Show Run", "Show Stop", "Show Pause"};
  ui::Button* stateButtons[3] = {};
  for (int i = 0; i < 3; ++i) {
    auto& button = f.Create<ui::Button>({128, 36 + 40 * i, 33, 33});
    button.SetGlyph(art::GetPicture(glyphs[i]));
    button.SetHint(hints[i]);
    button.OnClick = [this, i](void*) { SetState(i); };
    stateButtons[i] = &button;
  }
  stateButtons[0]->SetDefault(true);

  auto& check = f.Create<ui::CheckBox>({168, 36, 184, 25});
  check.SetCaption("Tick me");
  check.OnClick = [this, &check](void*) { Say(check.Checked() ? "ticked" : "cleared"); };

  auto& group = f.Create<ui::GroupBox>({168, 64, 184, 72});
  group.SetCaption("Role");
  auto& server = f.Create<ui::RadioButton>({8, 18, 168, 20}, &group);
  server.SetCaption("Server");
  auto& client = f.Create<ui::RadioButton>({8, 42, 168, 20}, &group);
  client.SetCaption("Client");
  server.OnClick = [this](void*) { Say("server"); };
  client.OnClick = [this](void*) { Say("client"); };
  server.SetChecked(true);

  number_ = &f.Create<ui::Edit>({168, 142, 49, 24});
  number_->SetReadOnly(true);
  number_->SetMaxLength(4);
  number_->SetText("0001");
  scroll_ = &f.Create<ui::ScrollBar>({224, 142, 128, 25});
  scroll_->SetRange(1, 9999);
  scroll_->SetPosition(1);
  scroll_->SetSmallChange(1);
  scroll_->SetLargeChange(10);
  scroll_->OnChange = [this](void*) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d", scroll_->Position());
    number_->SetText(text);
  };

  auto& name = f.Create<ui::Edit>({8, 174, 160, 24});
  name.SetMaxLength(40);
  auto& port = f.Create<ui::ComboBox>({176, 174, 80, 24});
  port.SetStyle(ui::ComboStyle::DropDown);
  port.SetItemHeight(16);
  for (const char* item : {"COM1", "COM2", "COM3"}) {
    port.AddItem(item);
  }
  port.SetItemIndex(0);
  auto& speed = f.Create<ui::ComboBox>({264, 174, 88, 24});
  speed.SetStyle(ui::ComboStyle::DropDownList);
  speed.SetItemHeight(16);
  for (const char* item : {"9600", "19200", "115200"}) {
    speed.AddItem(item);
  }
  speed.SetItemIndex(1);

  log_ = &f.Create<ui::Memo>({8, 206, 304, 80});
  log_->SetReadOnly(true);
  log_->SetVerticalScrollBar(true);
  log_->SetColor(sky);
  log_->OnDblClick = [this](void*) { log_->Clear(); };

  auto& exit = f.Create<ui::Button>({320, 252, 33, 33});
  exit.SetGlyph(art::GetPicture(art::PictureId::ButtonClose), 2);
  exit.SetHint("Exit program");
  exit.OnClick = [this](void*) { form_->Close(); };

  status_ = &f.Create<ui::StatusBar>({0, 319, 360, 25});
  status_->AddPanel(160, ui::Alignment::Left);
  status_->AddPanel(200, ui::Alignment::Center);
  status_->SetColor(sky);

  f.SetTabOrder({stateButtons[0], stateButtons[1], stateButtons[2], &check, &server, &client,
                 number_, scroll_, &name, &port, &speed, log_, &exit});

  menu_->AddItem("&Restore", [this](void*) {
    Say("menu: &Restore");
    tray_->Restore();
  });
  menu_->AddItem("&Next picture", [this](void*) {
    Say("menu: &Next picture");
    SetState((state_ + 1) % 3);
  });
  menu_->AddSeparator();
  menu_->AddItem("&Exit", [this](void*) {
    Say("menu: &Exit");
    form_->Close();
  });

  for (art::PictureId id :
       {art::PictureId::TrayRun, art::PictureId::TrayStop, art::PictureId::TrayPause}) {
    trayPictures_.Add(art::GetPicture(id));
  }
  tray_ = std::make_unique<TTrayIcon>(toolkit_);
  tray_->SetPopupMenu(menu_.get());
  tray_->RestoreOn = imDoubleClick;
  tray_->PopupMenuOn = imRightClickUp;
  tray_->SetIcons(&trayPictures_);
  tray_->OnMinimize = [this](void*) { Say("minimized"); };
  tray_->OnRestore = [this](void*) { Say("restored"); };
}

void WidgetDemo::Show() {
  tray_->SetVisible(true);
  tray_->SetIconIndex(state_);
  tray_->Loaded();
  SetState(state_);
  form_->Show();
  Say(tray_->Shown() ? "tray icon shown" : "tray icon waiting for the notification area");
}

void WidgetDemo::SetState(int index) {
  state_ = index;
  picture_->SetPicture(art::GetPicture(kStatePictures[index]));
  tray_->SetIconIndex(index);
  status_->SetPanelText(0, std::string("Current ") + kStateNames[index]);
  log_->AppendLine(std::string("State ") + kStateNames[index]);
  Say(std::string("state ") + kStateNames[index]);
}

void WidgetDemo::Say(const std::string& line) {
  if (status_ != nullptr) {
    status_->SetPanelText(1, line);
  }
  if (report_) {
    report_(line);
  }
}

}  // namespace keldo::demo

#include "shell/frmConfigU.h"

#include <algorithm>
#include <cstdio>

#include "engine/link_settings.h"
#include "engine/serial_port_list.h"
#include "shell/art/picture.h"
#include "shell/number_text.h"
#include "shell/toolkit/messages.h"

namespace keldo {
namespace {

constexpr int kListRowHeight = 16;

std::string Format(const char* format, int value) {
  char text[24];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

void SetLabel(ui::Label& label, const char* caption, ui::VerticalLayout layout) {
  label.SetCaption(caption);
  label.SetAlignment(ui::Alignment::Right);
  label.SetLayout(layout);
}

}  // namespace

std::int32_t COMPortFromText(const std::string& text) {
  if (text.size() <= 3) {
    return TfrmConfig::kFallbackCOMPort;
  }
  return TextToInt(std::string_view(text).substr(3)).value_or(TfrmConfig::kFallbackCOMPort);
}

TfrmConfig::TfrmConfig(ui::Toolkit& toolkit, LinkController& controller)
    : toolkit_(toolkit),
      controller_(controller),
      form_(toolkit.CreateForm(kClassName)),
      lblID(form_->Create<ui::Label>({8, 8, 121, 25})),
      edID(form_->Create<ui::Edit>({136, 8, 49, 24})),
      sbID(form_->Create<ui::ScrollBar>({192, 8, 161, 25})),
      lblName(form_->Create<ui::Label>({8, 40, 121, 25})),
      edName(form_->Create<ui::Edit>({136, 40, 217, 24})),
      gbTCP(form_->Create<ui::GroupBox>({8, 72, 345, 137})),
      rbServer(form_->Create<ui::RadioButton>({15, 24, 322, 17}, &gbTCP)),
      rbClient(form_->Create<ui::RadioButton>({15, 47, 322, 17}, &gbTCP)),
      lblHost(form_->Create<ui::Label>({11, 76, 110, 21}, &gbTCP)),
      edHost(form_->Create<ui::Edit>({128, 73, 209, 24}, &gbTCP)),
      lblPort(form_->Create<ui::Label>({9, 108, 112, 21}, &gbTCP)),
      edPort(form_->Create<ui::Edit>({128, 105, 65, 24}, &gbTCP)),
      gbCOM(form_->Create<ui::GroupBox>({8, 216, 345, 81})),
      lblCOM(form_->Create<ui::Label>({8, 19, 113, 22}, &gbCOM)),
      cmbCOM(form_->Create<ui::ComboBox>({128, 17, 97, 24}, &gbCOM)),
      lblBaud(form_->Create<ui::Label>({8, 51, 113, 22}, &gbCOM)),
      cmbBaud(form_->Create<ui::ComboBox>({128, 49, 209, 24}, &gbCOM)),
      btnSave(form_->Create<ui::Button>({8, 305, 169, 33})),
      btnExit(form_->Create<ui::Button>({184, 305, 169, 33})) {
  Build();
}

TfrmConfig::~TfrmConfig() = default;

void TfrmConfig::Build() {
  ui::Form& f = *form_;
  f.SetCaption(kCaption);
  f.SetClientSize({360, 344});
  f.SetBorderIcons({/*systemMenu=*/true, /*minimize=*/false});
  f.SetAlwaysOnTop(true);
  f.SetPosition(ui::FormPosition::MainFormCenter);
  f.SetColor(ui::Color::ButtonFace());
  f.SetFont({"MS Sans Serif", 13, ui::Charset::Default});
  f.SetIcon(art::GetPicture(art::PictureId::ConfigIcon));

  SetLabel(lblID, "Server ID :", ui::VerticalLayout::Center);
  edID.SetReadOnly(true);
  edID.SetMaxLength(4);
  edID.SetText("0001");
  sbID.SetRange(kMinServerID, kMaxServerID);
  sbID.SetPosition(kMinServerID);
  sbID.SetSmallChange(1);
  sbID.SetLargeChange(10);

  SetLabel(lblName, "Name:", ui::VerticalLayout::Center);
  edName.SetMaxLength(40);

  gbTCP.SetCaption("TCP/IP");
  rbServer.SetCaption("Server");
  rbClient.SetCaption("Client");
  rbServer.SetChecked(true);
  SetLabel(lblHost, "Server Host:", ui::VerticalLayout::Top);
  edHost.SetMaxLength(40);
  SetLabel(lblPort, "Port :", ui::VerticalLayout::Top);
  edPort.SetMaxLength(5);

  gbCOM.SetCaption("COM");
  SetLabel(lblCOM, "Port :", ui::VerticalLayout::Top);
  cmbCOM.SetStyle(ui::ComboStyle::DropDown);
  cmbCOM.SetItemHeight(kListRowHeight);
  SetLabel(lblBaud, "Speed :", ui::VerticalLayout::Top);
  cmbBaud.SetStyle(ui::ComboStyle::DropDownList);
  cmbBaud.SetItemHeight(kListRowHeight);
  for (std::string_view mode : BaudModeTable) {
    cmbBaud.AddItem(std::string(mode));
  }
  cmbBaud.SetItemIndex(kDefaultCOMBaud);

  btnSave.SetCaption("&Save");
  btnSave.SetGlyph(art::GetPicture(art::PictureId::ButtonSave));
  btnExit.SetCaption("&Close");
  btnExit.SetGlyph(art::GetPicture(art::PictureId::ButtonClose), 2);
  btnExit.SetDefault(true);

  // Within a group box the chain goes on in the group's own order; of the
  // radio buttons Tab reaches only the ticked one.
  f.SetTabOrder({&edName, &edID, &btnExit, &btnSave, &sbID, &rbClient, &rbServer, &edHost, &edPort,
                 &cmbCOM, &cmbBaud});

  // Wired last: setting up the controls above raises nothing.
  f.OnShow = [this](void* Sender) { FormShow(Sender); };
  sbID.OnChange = [this](void* Sender) { sbIDChange(Sender); };
  rbServer.OnClick = [this](void* Sender) { rbServerClick(Sender); };
  rbClient.OnClick = [this](void* Sender) { rbClientClick(Sender); };
  btnSave.OnClick = [this](void* Sender) { btnSaveClick(Sender); };
  btnExit.OnClick = [this](void* Sender) { btnExitClick(Sender); };
}

void TfrmConfig::FormShow(void* /*Sender*/) {
  const LinkSettings& s = controller_.Settings();
  cmbCOM.ClearItems();
  for (const std::string& port : ListSerialPorts()) {
    cmbCOM.AddItem(port);
  }
  cmbCOM.SetItemIndex(0);
  // The current port shows whether or not the list holds it.
  cmbCOM.SetText(Format("COM%d", s.COMPort));
  cmbBaud.SetItemIndex(s.COMBaud);
  edHost.SetText(s.ServerHost);
  edPort.SetText(Format("%d", s.ServerPort));
  if (s.ServerMode == 1) {
    rbServer.SetChecked(true);
    edHost.SetEnabled(false);
  } else {
    rbClient.SetChecked(true);
    edHost.SetEnabled(true);
  }
  sbID.SetPosition(std::clamp(s.ServerID, kMinServerID, kMaxServerID));
  edName.SetText(s.ServerName);
}

void TfrmConfig::sbIDChange(void* /*Sender*/) {
  edID.SetText(Format("%04d", sbID.Position()));
}

void TfrmConfig::rbServerClick(void* /*Sender*/) {
  edHost.SetEnabled(false);
}

void TfrmConfig::rbClientClick(void* /*Sender*/) {
  edHost.SetEnabled(true);
}

void TfrmConfig::btnSaveClick(void* /*Sender*/) {
  LinkSettings& s = controller_.Settings();
  s.COMPort = COMPortFromText(cmbCOM.Text());
  // Nothing is chosen only when the stored index was outside the list; the
  // link ran that index at the default mode, which is what is stored then.
  const int baud = cmbBaud.ItemIndex();
  s.COMBaud = baud >= 0 && baud < cmbBaud.ItemCount() ? baud : kDefaultCOMBaud;
  s.ServerHost = edHost.Text();
  s.ServerPort = TextToInt(edPort.Text()).value_or(kFallbackServerPort);
  s.ServerMode = rbServer.Checked() ? 1 : 0;
  s.ServerID = sbID.Position();
  s.ServerName = edName.Text();
  const StoreResult stored = controller_.SaveSettingsAndRestart();
  if (!stored.written) {
    // The dialog stays open with what the user entered; the controller has
    // reloaded what the store holds.
    ReportRefusedSave(stored.failure);
    return;
  }
  form_->Close();
}

void TfrmConfig::btnExitClick(void* /*Sender*/) {
  form_->Close();
}

std::string SettingsNotSavedText(const std::string& failure) {
  return "The settings were not saved" + (failure.empty() ? std::string() : ": " + failure) + ".";
}

void TfrmConfig::ReportRefusedSave(const std::string& failure) {
  const std::string text =
      SettingsNotSavedText(failure) + "\nThe link now uses the stored settings shown in its log.";
  // The box belongs to the application's window; above an always-on-top
  // dialog it could open out of sight.
  form_->SetAlwaysOnTop(false);
  toolkit_.App().ShowMessageBox(text, kCaption, ui::kMbOk | ui::kMbIconStop);
  form_->SetAlwaysOnTop(true);
}

}  // namespace keldo

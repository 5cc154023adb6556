#include "shell/frmKELDOU.h"

#include <exception>

#include "engine/settings_store.h"
#include "shell/art/picture.h"
#include "shell/frmConfigU.h"

namespace keldo {

TfrmKELDO* frmKELDO = nullptr;

namespace {

constexpr ui::Color kSkyBlue = ui::Color::Rgb(166, 202, 240);
const ui::Font kWindowFont{"Courier New", 13, ui::Charset::Ansi};

// Decrements on every way out, so a sequence that raises leaves the count
// right.
class DepthScope {
 public:
  explicit DepthScope(int& depth) : depth_(depth) { ++depth_; }
  ~DepthScope() { --depth_; }
  DepthScope(const DepthScope&) = delete;
  DepthScope& operator=(const DepthScope&) = delete;

 private:
  int& depth_;
};

}  // namespace

TfrmKELDO::Registration::Registration(TfrmKELDO* w) : window(w) {
  frmKELDO = w;
}

TfrmKELDO::Registration::~Registration() {
  if (frmKELDO == window) {
    frmKELDO = nullptr;
  }
}

TfrmKELDO::TfrmKELDO(ui::Toolkit& toolkit)
    : registration_(this),
      toolkit_(toolkit),
      form_(toolkit.CreateForm(kClassName)),
      lblName(form_->Create<ui::Label>({8, 6, 129, 25})),
      pnName(form_->Create<ui::Panel>({144, 6, 169, 25})),
      imgLogo(form_->Create<ui::Image>({24, 40, 113, 113})),
      imgPlay(form_->Create<ui::Image>({8, 40, 25, 25})),
      imgPause(form_->Create<ui::Image>({8, 72, 25, 25})),
      imgStop(form_->Create<ui::Image>({8, 104, 25, 25})),
      btnPlay(form_->Create<ui::Button>({152, 40, 33, 33})),
      lblPlay(form_->Create<ui::Label>({189, 40, 116, 33})),
      btnPause(form_->Create<ui::Button>({152, 80, 33, 33})),
      lblPause(form_->Create<ui::Label>({189, 80, 116, 33})),
      btnStop(form_->Create<ui::Button>({152, 120, 33, 33})),
      lblStop(form_->Create<ui::Label>({189, 120, 116, 33})),
      moLog(form_->Create<ui::Memo>({4, 160, 306, 89})),
      chkStart(form_->Create<ui::CheckBox>({8, 256, 225, 25})),
      btnConfig(form_->Create<ui::Button>({236, 252, 33, 33})),
      btnClose(form_->Create<ui::Button>({276, 252, 33, 33})),
      sbMain(form_->Create<ui::StatusBar>({0, 288, 317, 25})),
      mnuMain(toolkit.CreatePopupMenu()),
      tmrExit(toolkit.Loop().CreateTimer()),
      tmrMin(toolkit.Loop().CreateTimer()) {
  toolkit_.App().SetIcon(art::GetPicture(art::PictureId::MainIcon));
  Build();
  BuildMenu();
  BuildTrayIcon();

  controller_ = std::make_unique<LinkController>(toolkit_.Loop(), *this);
  // The set-up and the reconnect check process events in their middle: a
  // configuration request or a close arriving there is dealt with once they
  // are over.
  controller_->tmrConnect().SetOnTimer(
      [this] { InSequence([this] { controller_->tmrConnectTimer(); }); });
  controller_->tmrCheck().SetOnTimer(
      [this] { InSequence([this] { controller_->tmrCheckTimer(); }); });

  // An error that comes again while its box is open goes to the log.
  toolkit_.App().OnErrorNotShown = [this](const std::string& text) { AppendLog(text); };

  form_->OnShow = [this](void* Sender) { FormShow(Sender); };
  form_->OnCloseQuery = [this](void* Sender, bool& CanClose) { FormClose(Sender, CanClose); };
  try {
    FormCreate(form_.get());
  } catch (const std::exception& error) {
    toolkit_.App().HandleException(error);
  }
}

TfrmKELDO::~TfrmKELDO() {
  toolkit_.App().OnErrorNotShown = nullptr;
}

void TfrmKELDO::Build() {
  ui::Form& f = *form_;
  f.SetCaption(kCaption);
  f.SetClientSize({317, 313});
  f.SetBorderIcons({true, true});
  f.SetPosition(ui::FormPosition::ScreenCenter);
  f.SetColor(ui::Color::ButtonFace());
  f.SetFont(kWindowFont);
  f.SetIcon(art::GetPicture(art::PictureId::MainIcon));

  lblName.SetCaption("Server Name:");
  lblName.SetAlignment(ui::Alignment::Right);
  lblName.SetLayout(ui::VerticalLayout::Center);
  pnName.SetCaption("");
  pnName.SetAlignment(ui::Alignment::Left);
  pnName.SetBevel(ui::Bevel::Lowered, ui::Bevel::Lowered, 1);
  pnName.SetColor(kSkyBlue);

  struct Command {
    ui::Button& button;
    ui::Label& label;
    art::PictureId glyph;
    const char* hint;
    const char* caption;
    void (TfrmKELDO::*handler)(void*);
  };
  const Command commands[] = {
      {btnPlay, lblPlay, art::PictureId::ButtonPlay, "Start connect", "Start/Continue",
       &TfrmKELDO::btnPlayClick},
      {btnPause, lblPause, art::PictureId::ButtonPause, "Pause data process", "Pause",
       &TfrmKELDO::btnPauseClick},
      {btnStop, lblStop, art::PictureId::ButtonStop, "Stop connect", "Stop",
       &TfrmKELDO::btnStopClick},
  };
  for (const Command& c : commands) {
    c.button.SetGlyph(art::GetPicture(c.glyph));
    c.button.SetHint(c.hint);
    c.button.OnClick = [this, handler = c.handler](void* Sender) { (this->*handler)(Sender); };
    c.label.SetCaption(c.caption);
    c.label.SetLayout(ui::VerticalLayout::Center);
  }
  btnPlay.SetDefault(true);

  // The three state pictures are kept in hidden holders; imgLogo shows a
  // copy of one, and stays empty until the first state display.
  imgPlay.SetPicture(art::GetPicture(art::PictureId::StateRun));
  imgPause.SetPicture(art::GetPicture(art::PictureId::StatePause));
  imgStop.SetPicture(art::GetPicture(art::PictureId::StateStop));
  for (ui::Image* holder : {&imgPlay, &imgPause, &imgStop}) {
    holder->SetVisible(false);
  }

  moLog.SetReadOnly(true);
  moLog.SetVerticalScrollBar(true);
  moLog.SetColor(kSkyBlue);
  moLog.OnDblClick = [this](void* Sender) { moLogDblClick(Sender); };

  chkStart.SetCaption("Power on auto run.");
  chkStart.OnClick = [this](void* Sender) { chkStartClick(Sender); };

  btnConfig.SetGlyph(art::GetPicture(art::PictureId::ButtonConfig));
  btnConfig.SetHint("Config parameter");
  btnConfig.OnClick = [this](void* Sender) { btnConfigClick(Sender); };
  btnClose.SetGlyph(art::GetPicture(art::PictureId::ButtonClose), 2);
  btnClose.SetHint("Exit program");
  btnClose.OnClick = [this](void* Sender) { mnuExitClick(Sender); };

  sbMain.AddPanel(160, ui::Alignment::Left);
  sbMain.AddPanel(160, ui::Alignment::Center);
  sbMain.SetColor(kSkyBlue);

  f.SetTabOrder({&btnPlay, &btnPause, &btnStop, &btnConfig, &chkStart, &moLog, &btnClose});

  tmrExit->SetInterval(kExitDelayMs);
  tmrExit->SetOnTimer([this] { tmrExitTimer(); });
  tmrMin->SetInterval(kTrayHideDelayMs);
  tmrMin->SetOnTimer([this] { tmrMinTimer(); });
}

void TfrmKELDO::BuildMenu() {
  ui::PopupMenu& m = *mnuMain;
  mnuStop = &m.AddItem("&Stop", [this](void* Sender) { btnStopClick(Sender); });
  mnuPause = &m.AddItem("&Pause", [this](void* Sender) { btnPauseClick(Sender); });
  mnuRun = &m.AddItem("S&tart/Continue", [this](void* Sender) { btnPlayClick(Sender); });
  m.AddSeparator();
  mnuConfig = &m.AddItem("&Config", [this](void* Sender) { btnConfigClick(Sender); });
  m.AddSeparator();
  mnuExit = &m.AddItem("&Exit", [this](void* Sender) { mnuExitClick(Sender); });
  m.AddSeparator();
  mnuRestore = &m.AddItem("&Restore", [this](void* Sender) { mnuRestoreClick(Sender); });
}

// In the order a loaded form applies them: the icon is added with the
// application's picture, the index waits for the list, Loaded takes image 1.
void TfrmKELDO::BuildTrayIcon() {
  for (art::PictureId id :
       {art::PictureId::TrayRun, art::PictureId::TrayStop, art::PictureId::TrayPause}) {
    imgList.Add(art::GetPicture(id));
  }
  trMain = std::make_unique<TTrayIcon>(toolkit_);
  trMain->SetVisible(true);
  trMain->SetPopupMenu(mnuMain.get());
  trMain->SetHide(true);
  trMain->RestoreOn = imDoubleClick;
  trMain->PopupMenuOn = imRightClickUp;
  trMain->SetIconIndex(1);
  trMain->SetIcons(&imgList);
  trMain->Loaded();
}

void TfrmKELDO::Show() {
  form_->Show();
}

// --- LinkView ---------------------------------------------------------------

void TfrmKELDO::AppendLog(const std::string& line) {
  moLog.AppendLine(line);
  if (moLog.LineCount() > kLogLineLimit) {
    moLog.Clear();
  }
}

void TfrmKELDO::ClearLog() {
  moLog.Clear();
}

void TfrmKELDO::ShowTransfer(const std::string& text) {
  sbMain.SetPanelText(1, text);
}

void TfrmKELDO::RefreshStateDisplay(LinkState state) {
  struct Row {
    LinkState state;
    const char* text;
    bool play;
    bool pause;
    bool stop;
    ui::Image* picture;
    int trayIndex;
  };
  const Row rows[] = {
      {LinkState::Run, "Current Run", false, true, true, &imgPlay, 0},
      {LinkState::Stop, "Current Stop", true, false, false, &imgStop, 1},
      {LinkState::Pause, "Current Pause", true, false, true, &imgPause, 2},
  };
  for (const Row& row : rows) {
    if (row.state != state) {
      continue;
    }
    sbMain.SetPanelText(0, row.text);
    btnPlay.SetEnabled(row.play);
    btnPause.SetEnabled(row.pause);
    btnStop.SetEnabled(row.stop);
    if (const art::Picture* picture = row.picture->Picture()) {
      imgLogo.SetPicture(*picture);
    }
    trMain->SetIconIndex(row.trayIndex);
  }
}

void TfrmKELDO::SetInputEnabled(bool enabled) {
  form_->SetEnabled(enabled);
}

void TfrmKELDO::ShowAutoStart(bool checked) {
  chkStart.SetChecked(checked);  // runs chkStartClick when the box changes
}

void TfrmKELDO::ShowServerName(const std::string& name) {
  pnName.SetCaption(name);
}

void TfrmKELDO::ScheduleTrayHide() {
  tmrMin->SetEnabled(true);
}

void TfrmKELDO::ResetCursor() {
  toolkit_.ResetCursor();
}

// --- Handlers -----------------------------------------------------------------

void TfrmKELDO::FormCreate(void*) {
  closeConfirmed_ = false;
  form_->RemoveCloseCommand();
}

// Showing happens once per run: hiding to the tray and restoring minimise
// the application without hiding this window.
void TfrmKELDO::FormShow(void*) {
  if (shown_) {
    return;
  }
  shown_ = true;
  // An error here is shown and the showing goes on.
  try {
    controller_->FormShow();
  } catch (const std::exception& error) {
    toolkit_.App().HandleException(error);
  }
}

void TfrmKELDO::FormClose(void*, bool& CanClose) {
  if (closeConfirmed_) {
    return;
  }
  // Refused whatever follows: the second phase comes with tmrExit.
  CanClose = false;
  tmrExit->SetEnabled(true);
  closing_ = true;
  controller_->CloseForExit();
}

void TfrmKELDO::tmrExitTimer() {
  tmrExit->SetEnabled(false);
  closeConfirmed_ = true;
  form_->Close();
  // A dialog's modal loop would hold the program open behind a closed main
  // window: end every level of the loop, as the platform's quit does.
  if (openDialogs_ > 0) {
    toolkit_.Loop().Quit();
  }
}

void TfrmKELDO::mnuExitClick(void*) {
  form_->Close();
}

void TfrmKELDO::mnuRestoreClick(void*) {
  trMain->Restore();
}

void TfrmKELDO::tmrMinTimer() {
  tmrMin->SetEnabled(false);
  trMain->Minimize();
}

void TfrmKELDO::moLogDblClick(void*) {
  moLog.Clear();
}

// The box shows what is stored. Where the store refuses a step, nothing
// more is written, what was written is put back in line with the stored
// ServerAutoStart, the box shows that, and the user is told, as the dialog
// tells of a refused save. A value the store holds already needs no save.
void TfrmKELDO::chkStartClick(void*) {
  if (showingStoredAutoStart_) {
    return;
  }
  const bool wanted = chkStart.Checked();
  LinkSettings& settings = controller_->Settings();
  const StoreResult entry = wanted ? RegisterAutorun() : UnregisterAutorun();
  settings.ServerAutoStart = wanted ? 1 : 0;
  const StoreResult saved = entry.written ? SaveAutoStart(settings.ServerAutoStart) : entry;
  if (saved.written) {
    return;
  }
  LinkSettings stored;
  Load(stored);
  const bool storedTicked = stored.ServerAutoStart == 1;
  if (entry.written && storedTicked == wanted) {
    return;
  }
  if (storedTicked != wanted) {
    if (entry.written) {
      wanted ? UnregisterAutorun() : RegisterAutorun();
    }
    settings.ServerAutoStart = stored.ServerAutoStart;
    showingStoredAutoStart_ = true;
    chkStart.SetChecked(storedTicked);
    showingStoredAutoStart_ = false;
  }
  toolkit_.App().ShowMessageBox(SettingsNotSavedText(saved.failure), kCaption,
                                ui::kMbOk | ui::kMbIconStop);
}

// Once the close has begun the link stays closed: a Start would set it up
// again inside the last 300 ms.
void TfrmKELDO::btnPlayClick(void*) {
  if (closing_) {
    return;
  }
  controller_->btnPlayClick();
}

void TfrmKELDO::btnPauseClick(void*) {
  if (closing_) {
    return;
  }
  controller_->btnPauseClick();
}

void TfrmKELDO::btnStopClick(void*) {
  if (closing_) {
    return;
  }
  InSequence([this] { controller_->btnStopClick(); });
}

void TfrmKELDO::btnConfigClick(void*) {
  if (closing_) {
    return;
  }
  // A modal dialog opened inside the set-up would hold the link half set up
  // until the dialog closed: it opens once the sequence is over.
  if (sequenceDepth_ > 0) {
    configWaiting_ = true;
    return;
  }
  // Each request destroys exactly the dialog it made, also when another
  // request opened a second one over it.
  TfrmConfig dialog(toolkit_, *controller_);
  DepthScope open(openDialogs_);
  dialog.ShowModal();
}

template <class F>
void TfrmKELDO::InSequence(F&& operation) {
  {
    DepthScope scope(sequenceDepth_);
    operation();
  }
  AfterSequence();
}

void TfrmKELDO::AfterSequence() {
  if (sequenceDepth_ > 0) {
    return;
  }
  if (closing_) {
    // The sequence may have opened what the close had closed.
    configWaiting_ = false;
    controller_->CloseForExit();
    return;
  }
  if (configWaiting_) {
    configWaiting_ = false;
    btnConfigClick(nullptr);
  }
}

}  // namespace keldo

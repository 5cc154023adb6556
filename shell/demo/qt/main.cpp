// The widget demo on Qt: one window with every kind of control and the tray
// icon. It reports what happens on stdout, one line each, and "painted" once
// its window is first drawn.
//
//   keldo-widget-demo [--save-tray-pictures DIR] [--exit-after-paint]
//
// --save-tray-pictures writes the three tray pictures, as the backend shows
// them, to DIR/tray-0.png .. tray-2.png (for the window check).
// --exit-after-paint closes the window once it is drawn (for the start-up
// benchmark).
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QWidget>

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/platform/platform_event_loop.h"
#include "shell/art/picture.h"
#include "shell/demo/widget_demo.h"
#include "shell/toolkit/qt/picture.h"
#include "shell/toolkit/toolkit.h"

namespace {

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

// Reports the first paint of a window, and closes it then if asked.
class FirstPaint final : public QObject {
 public:
  FirstPaint(keldo::ui::Form& form, bool close) : form_(form), close_(close) {}

  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::Paint && !painted_) {
      painted_ = true;
      Say("painted");
      if (close_) {
        QMetaObject::invokeMethod(
            this, [this] { form_.Close(); }, Qt::QueuedConnection);
      }
    }
    return QObject::eventFilter(object, event);
  }

 private:
  keldo::ui::Form& form_;
  bool close_;
  bool painted_ = false;
};

bool SaveTrayPictures(const QString& dir) {
  const keldo::art::PictureId ids[] = {keldo::art::PictureId::TrayRun,
                                       keldo::art::PictureId::TrayStop,
                                       keldo::art::PictureId::TrayPause};
  QDir().mkpath(dir);
  for (int i = 0; i < 3; ++i) {
    const QImage image = keldo::ui::qt::ToImage(keldo::art::GetPicture(ids[i]));
    if (!image.save(dir + QString("/tray-%1.png").arg(i))) {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  QString pictureDir;
  bool exitAfterPaint = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--save-tray-pictures") == 0 && i + 1 < argc) {
      pictureDir = QString::fromLocal8Bit(argv[++i]);
    } else if (std::strcmp(argv[i], "--exit-after-paint") == 0) {
      exitAfterPaint = true;
    } else {
      std::fprintf(stderr, "usage: %s [--save-tray-pictures DIR] [--exit-after-paint]\n", argv[0]);
      return 2;
    }
  }
  if (!pictureDir.isEmpty() && !SaveTrayPictures(pictureDir)) {
    std::fprintf(stderr, "cannot write the tray pictures to %s\n", qPrintable(pictureDir));
    return 1;
  }

  auto loop = keldo::CreatePlatformEventLoop();
  auto toolkit = keldo::ui::CreatePlatformToolkit(*loop);
  keldo::ui::Application& app = toolkit->App();
  loop->SetErrorReport([&app](const std::exception& error) { app.HandleException(error); });
  loop->QuitOnTerminationRequest();
  app.SetTitle(keldo::demo::WidgetDemo::kCaption);

  {
    keldo::demo::WidgetDemo demo(*toolkit, Say);
    FirstPaint watch(demo.Form(), exitAfterPaint);
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window->windowTitle() == keldo::demo::WidgetDemo::kCaption) {
        window->installEventFilter(&watch);
      }
    }
    demo.Show();
    app.Run();
    Say("ended");
  }
  return 0;
}

// A picture of the main window at work, for the user guide and for looking at the program: starts
// the viewer in the current folder (series.ini and data files), presses Start, waits for the first
// drawing of the chosen view and saves the whole window, controls included, as an image.
//   window_picture OUT.png [--size WxH] [--parameter 0..3] [--interval 0|1] [--differences 0|1]
//                          [--lang ru|en]
// Runs on any platform Qt has, also offscreen; exits 1 when the data cannot be shown.
#include <QApplication>
#include <QCheckBox>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <cstdio>

#include "Unit_Orbelon.h"
#include "ui/Interaction.h"
#include "ui/Language.h"
#include "ui/chart/Chart.h"

namespace {

// No boxes in a run nobody watches: an error ends the program with its message.
class ExitOnError final : public erp::ui::Interaction {
 public:
  void ShowError(const QString& message) override { Fail(message); }
  void ShowMessage(const QString& message) override { Fail(message); }
  bool AskYesNo(const QString&) override { return false; }
  std::optional<QString> ChooseDirectory(const QString&) override { Fail("no data files here"); }
  void ShowModal(QDialog&) override {}

 private:
  [[noreturn]] static void Fail(const QString& message) {
    std::fprintf(stderr, "window_picture: %s\n", qPrintable(message));
    std::exit(1);
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() < 2 || args[1].startsWith('-')) {
    std::fprintf(stderr, "usage: window_picture OUT.png [--size WxH] [--parameter 0..3] [--interval 0|1]\n");
    return 2;
  }
  const QString out = args[1];
  QSize size(1280, 800);
  int parameter = 1;
  int interval = 0;
  bool differences = false;
  for (int i = 2; i + 1 < args.size(); i += 2) {
    if (args[i] == "--size") {
      const QStringList wh = args[i + 1].split('x');
      if (wh.size() == 2) size = QSize(wh[0].toInt(), wh[1].toInt());
    } else if (args[i] == "--parameter") {
      parameter = args[i + 1].toInt();
    } else if (args[i] == "--interval") {
      interval = args[i + 1].toInt();
    } else if (args[i] == "--differences") {
      differences = args[i + 1] == QLatin1String("1");
    }
  }
  // The window in the language asked for (the desktop's by default), as the program starts it.
  erp::ui::InstallTranslations(app, erp::ui::ChooseLanguage(QLocale::system().uiLanguages(), erp::ui::LanguageOption(args)));

  ExitOnError interaction;
  TForm1 window(interaction, ReadLocalClock, {"window_picture"});
  window.setWindowState(Qt::WindowNoState);
  window.resize(size);
  window.show();

  // Inside the viewer loop: choose the view, wait for its drawing, take the picture, close.
  int step = 0;
  int passes = 0;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (window.RefreshCount() == 0 || window.View().RecomputeRequested || window.Chart().RedrawPending()) return;
    if (step == 0) {
      window.findChild<QRadioButton*>(QStringLiteral("RadioGroupPVZ%1").arg(parameter))->click();
      window.findChild<QRadioButton*>(QStringLiteral("RadioGroupInterval%1").arg(interval))->click();
      if (differences) window.findChild<QCheckBox*>(QStringLiteral("CheckBoxDifferences"))->click();
      passes = window.RefreshCount();
      step = 1;
    } else if (window.RefreshCount() > passes || (parameter == 0 && interval == 0 && !differences)) {
      poll.stop();
      if (!window.grab().save(out)) {
        std::fprintf(stderr, "window_picture: cannot write %s\n", qPrintable(out));
        std::exit(1);
      }
      std::printf("%s\n", qPrintable(out));
      window.close();
    }
  });
  QTimer::singleShot(0, [&] {
    poll.start(20);
    window.findChild<QPushButton*>(QStringLiteral("BitBtnStart"))->click();
  });
  return QApplication::exec();
}

// The program: creates the main window, the about box and the series dialog, and runs the GUI loop;
// or, given --export, --help or --version, runs the command line and exits.
#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "BatchExport.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit_Orbelon.h"
#include "ui/Interaction.h"
#include "ui/Language.h"
#include "ui/chart/PictureMemory.h"

namespace {

// The command line of a run without a window: usage, version or the batch export.
int RunCommandLine(const QStringList& arguments) {
  QTextStream out(stdout);
  QTextStream err(stderr);
  const erp::batch::Command command = erp::batch::ParseCommandLine(arguments);
  switch (command.Kind) {
    case erp::batch::CommandKind::Help:
    case erp::batch::CommandKind::Version:
      out << command.Output;
      return erp::batch::ExitSuccess;
    case erp::batch::CommandKind::Error:
      err << "orbelon: " << command.Output << " (see orbelon --help)\n";
      return erp::batch::ExitUsage;
    case erp::batch::CommandKind::Batch:
      return erp::batch::RunBatchExport(command.Options, ReadLocalClock, out, err);
    case erp::batch::CommandKind::Window: break;
  }
  return erp::batch::ExitUsage;
}

// Messages of Qt itself in a run without a window, and in the automatic export: its warnings (a
// missing runtime folder of the offscreen platform, for one) would add lines to the one-line
// report and to every cron mail, so only its critical and fatal messages are passed on.
void BatchMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
}

}  // namespace

int main(int argc, char** argv) {
  erp::ui::KeepPictureMemory();
  // The command line as the user typed it: Qt takes its own options (-platform, -style, ...) out
  // of argv when the application is constructed, and "-a" counts only as the very first argument.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QFile::decodeName(argv[i]);

  // A file-size limit (ulimit -f) makes a write fail with "File too large", reported like a full
  // disk, instead of killing the process in the middle of it.
  std::signal(SIGXFSZ, SIG_IGN);

  // The automatic export runs from cron on machines without a display: there it draws offscreen
  // instead of failing to connect to one, unless the user names a platform. The batch export
  // never needs a display and always draws offscreen, whatever platform the environment names
  // (QT_QPA_PLATFORM=xcb without a display would abort it).
  const bool automatic = argc > 1 && std::strcmp(argv[1], "-a") == 0;
  const bool batch = erp::batch::IsBatchCommandLine(arguments);
  const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
  if (batch || (automatic && noDisplay && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }

  const std::optional<QString> language = erp::ui::LanguageOption(arguments);
  if (language && !erp::ui::WindowLanguages().contains(*language)) {
    std::fprintf(stderr, "orbelon: invalid value '%s' for --lang: expected ru or en (see orbelon --help)\n",
                 qPrintable(*language));
    return erp::batch::ExitUsage;
  }
  // The window needs a display (unless a platform is named, by QT_QPA_PLATFORM or Qt's -platform):
  // said in one line instead of Qt's abort.
  const bool platformNamed =
      !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || arguments.contains(QStringLiteral("-platform"));
  if (!batch && !automatic && noDisplay && !platformNamed) {
    std::fprintf(stderr, "orbelon: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset); "
                         "--export and -a work without one (see orbelon --help)\n");
    return erp::batch::ExitFailure;
  }

  if (batch || automatic) qInstallMessageHandler(BatchMessages);
  QApplication app(argc, argv);

  // The language of the texts, and of Qt's own dialogs (the folder chooser, the file chooser of
  // the statistics): the desktop's, unless --lang says otherwise.
  erp::ui::InstallTranslations(app, erp::ui::ChooseLanguage(QLocale::system().uiLanguages(), language));
  if (batch) {
    // Everything the run does is done on return: its files are written, flushed and renamed, its
    // threads joined and its report flushed. Taking down Qt and the chart's memory object by object
    // would add a few milliseconds to every run that nothing needs.
    const int exitCode = RunCommandLine(QApplication::arguments());
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(exitCode);
  }

  erp::ui::QtInteraction boxes;
  // The automatic export also reports on standard error, and without a display ends with exit
  // code 1 at the first error instead of waiting for ever on a box nobody sees.
  const QString platform = QGuiApplication::platformName();
  erp::ui::UnattendedInteraction unattended(
      boxes, platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"), [](int exitCode) {
        std::fflush(stderr);
        std::_Exit(exitCode);
      });
  erp::ui::Interaction* const chosen = automatic ? static_cast<erp::ui::Interaction*>(&unattended) : &boxes;
  erp::ui::Interaction& interaction = *chosen;

  TForm1 Form1(interaction, ReadLocalClock, arguments);
  boxes.SetParent(&Form1);
  TfmABOUT fmABOUT(&Form1);
  TfmFormat fmFormat(interaction, &Form1);
  Form1.SetWindows(&fmABOUT, &fmFormat);

  Form1.show();
  return QApplication::exec();
}

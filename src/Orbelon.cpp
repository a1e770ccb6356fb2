// The program: creates the main window, the about box and the series dialog, and runs the GUI loop.
#include <QApplication>
#include <QFile>

#include <cstdlib>
#include <cstring>

#include "Unit2.h"
#include "Unit3.h"
#include "Unit_Orbelon.h"
#include "ui/Interaction.h"

int main(int argc, char** argv) {
  // The command line as the user typed it: Qt takes its own options (-platform, -style, ...) out
  // of argv when the application is constructed, and "-a" counts only as the very first argument.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QFile::decodeName(argv[i]);

  // The automatic export runs from cron on machines without a display: there it draws offscreen
  // instead of failing to connect to one. A platform the user asked for is kept.
  const bool automatic = argc > 1 && std::strcmp(argv[1], "-a") == 0;
  const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
  if (automatic && noDisplay && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }

  QApplication app(argc, argv);
  erp::ui::QtInteraction interaction;

  TForm1 Form1(interaction, ReadLocalClock, arguments);
  interaction.SetParent(&Form1);
  TfmABOUT fmABOUT(&Form1);
  TfmFormat fmFormat(interaction, &Form1);
  Form1.SetWindows(&fmABOUT, &fmFormat);

  Form1.show();
  return QApplication::exec();
}

// The window's start as the program runs it, up to its first painted frame: the main window, the
// about box and the series dialog are created and the window is shown, as in the program's main();
// when the chart's surface has been painted for the first time the process ends at once (exit
// code 0), so that whoever started it can take the time and the page faults of the whole run.
//   window_start            (in the folder with series.ini and the data files)
// Without a display it draws offscreen.
#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include "Unit2.h"
#include "Unit3.h"
#include "Unit_Orbelon.h"
#include "ui/Interaction.h"
#include "ui/chart/PictureMemory.h"

namespace {

// Ends the process once the event that painted the chart's surface is through.
class FirstFrame final : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && watched->objectName() == QLatin1String("ChartSurface")) {
      QTimer::singleShot(0, [] {
        std::fflush(stdout);
        std::_Exit(0);
      });
    }
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  erp::ui::KeepPictureMemory();
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
      qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  QApplication app(argc, argv);
  FirstFrame firstFrame;
  app.installEventFilter(&firstFrame);

  erp::ui::QtInteraction boxes;
  TForm1 Form1(boxes, ReadLocalClock, arguments);
  boxes.SetParent(&Form1);
  TfmABOUT fmABOUT(&Form1);
  TfmFormat fmFormat(boxes, &Form1);
  Form1.SetWindows(&fmABOUT, &fmFormat);
  Form1.show();
  return QApplication::exec();
}

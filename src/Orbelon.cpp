// The program: creates the main window, the about box and the series dialog, and runs the GUI loop.
#include <QApplication>

#include "Unit2.h"
#include "Unit3.h"
#include "Unit_Orbelon.h"
#include "ui/Interaction.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  erp::ui::QtInteraction interaction;

  TForm1 Form1(interaction, ReadLocalClock, QApplication::arguments());
  interaction.SetParent(&Form1);
  TfmABOUT fmABOUT(&Form1);
  TfmFormat fmFormat(interaction, &Form1);
  Form1.SetWindows(&fmABOUT, &fmFormat);

  Form1.show();
  return QApplication::exec();
}

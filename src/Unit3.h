// The about box "О программе".
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class TfmABOUT : public QDialog {
  Q_OBJECT

 public:
  explicit TfmABOUT(QWidget* parent = nullptr);

  // The picture as decoded from the stored JPEG (null if it could not be decoded).
  const QImage& Picture() const { return picture_; }

 private:
  // Reacting to the user
  void Button1Click();

  QImage picture_;
  QLabel* Image1 = nullptr;
  QLabel* Label6 = nullptr;
  QPushButton* Button1 = nullptr;
};

// The JPEG bytes of the about box's picture, as stored in the program.
QByteArray AboutPictureJpeg();

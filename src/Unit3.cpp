#include "Unit3.h"

#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "ui/JpegImage.h"

namespace {
constexpr int kClientWidth = 421;
constexpr int kClientHeight = 196;
}  // namespace

QByteArray AboutPictureJpeg() {
  QFile file(QStringLiteral(":/orbelon/about.jpg"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

TfmABOUT::TfmABOUT(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("fmABOUT"));
  setWindowTitle(tr("О программе"));
  setFixedSize(kClientWidth, kClientHeight);
  move(470, 222);
  QFont f = font();
  f.setPointSize(8);
  setFont(f);

  picture_ = erp::ui::DecodeJpeg(AboutPictureJpeg());
  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(0, 0, 193, 129);
  Image1->setPixmap(QPixmap::fromImage(picture_));

  Label6 = new QLabel(QStringLiteral("Software ver.1.01 /30-Nov-2012"), this);
  Label6->setObjectName(QStringLiteral("Label6"));
  Label6->move(199, 38);
  Label6->adjustSize();

  Button1 = new QPushButton(QStringLiteral("Ok"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(184, 163, 73, 25);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &TfmABOUT::Button1Click);
}

void TfmABOUT::Button1Click() { close(); }

#include "Unit2.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>

#include <array>
#include <limits>

#include "core/Cp1251.h"
#include "core/FileIo.h"
#include "ui/ColorPicker.h"
#include "ui/EditableList.h"
#include "ui/Interaction.h"

namespace {

constexpr int kClientWidth = 763;
constexpr int kClientHeight = 317;

// Columns of a row: left and width of each control; all share the row's top.
constexpr int kTitleLeft = 8, kTitleWidth = 121;
constexpr int kFileLeft = 135, kFileWidth = 121;
// The symbol list takes 30 pixels of the format field (which still shows its 30 characters), so
// that "треугольник" is not cut.
constexpr int kFormatLeft = 262, kFormatWidth = 280;
constexpr int kSymbolLeft = 548, kSymbolWidth = 119;
constexpr int kColorLeft = 673, kColorWidth = 41;
constexpr int kEditHeight = 21;   // edit fields and the symbol list
constexpr int kColorHeight = 22;  // the colour picker

// Top of each row inside the scroll box, rows 1..15.
constexpr int kRowTop[erp::SeriesCount] = {8, 35, 64, 91, 118, 145, 172, 199, 228, 255, 282, 309, 336, 363, 390};
// The rows reach down to the bottom of the last one; the scroll box scrolls over that height.
constexpr int kRowsHeight = 390 + kColorHeight;
constexpr int kRowsWidth = kColorLeft + kColorWidth;

QString Text(const std::string& cp1251) { return QString::fromStdString(erp::Cp1251ToUtf8(cp1251)); }
std::string Bytes(const QString& text) { return erp::Utf8ToCp1251(text.toStdString()); }

QString Numbered(const char* prefix, int slot) { return QLatin1String(prefix) + QString::number(slot); }

}  // namespace

TfmFormat::TfmFormat(erp::ui::Interaction& interaction, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      interaction_(interaction) {
  setObjectName(QStringLiteral("fmFormat"));
  setWindowTitle(tr("Изменение рядов данных"));
  setFixedSize(kClientWidth, kClientHeight);
  move(293, 165);
  QFont f = font();
  f.setPointSize(8);
  setFont(f);

  struct Heading {
    const char* name;
    QString text;
    int left;
  };
  const Heading headings[] = {
      {"Label1", tr("Название ряда"), 40},
      {"Label2", tr("Имя файла"), 176},
      {"Label3", tr("Формат"), 405},
      {"Label4", tr("Значок"), 608},
      {"Label5", tr("Цвет"), 688},
  };
  for (const Heading& h : headings) {
    auto* label = new QLabel(h.text, this);
    label->setObjectName(QLatin1String(h.name));
    label->move(h.left, 16);
    label->adjustSize();
  }

  // The buttons come first in the focus chain, so that "Отмена" has the focus when the dialog
  // first opens.
  Cancel = new QPushButton(tr("Отмена"), this);
  Cancel->setObjectName(QStringLiteral("Cancel"));
  Cancel->setGeometry(356, 272, 75, 25);
  Save = new QPushButton(tr("Ок"), this);
  Save->setObjectName(QStringLiteral("Save"));
  Save->setGeometry(256, 272, 75, 25);
  // Enter in a row's field must not press a button: it would close the dialog, saving or
  // dropping the rows, while the operator is still typing.
  Save->setAutoDefault(false);
  Cancel->setAutoDefault(false);

  ScrollBox1 = new QScrollArea(this);
  ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
  ScrollBox1->setGeometry(8, 35, 747, 186);
  ScrollBox1->setFrameShape(QFrame::NoFrame);
  ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  ScrollBox1->setFocusPolicy(Qt::NoFocus);  // not a tab stop itself; its rows are
  auto* rows = new QWidget;
  rows->setObjectName(QStringLiteral("ScrollBox1Rows"));
  rows->resize(kRowsWidth, kRowsHeight);

  const QStringList symbols = {tr("линия"), tr("квадрат"), tr("круг"),
                               tr("треугольник")};
  for (int i = 1; i <= erp::SeriesCount; ++i) {
    const int top = kRowTop[i - 1];
    Row& row = rows_[i];
    row.Edita = new QLineEdit(rows);
    row.Edita->setObjectName(Numbered("Edita", i));
    row.Edita->setGeometry(kTitleLeft, top, kTitleWidth, kEditHeight);
    row.Editc = new QLineEdit(rows);
    row.Editc->setObjectName(Numbered("Editc", i));
    row.Editc->setGeometry(kFileLeft, top, kFileWidth, kEditHeight);
    row.Editb = new QLineEdit(rows);
    row.Editb->setObjectName(Numbered("Editb", i));
    row.Editb->setGeometry(kFormatLeft, top, kFormatWidth, kEditHeight);
    // No length limit (Qt's default would cut a field at 32767 characters).
    for (QLineEdit* edit : {row.Edita, row.Editc, row.Editb}) edit->setMaxLength(std::numeric_limits<int>::max());
    row.ComboBox = new erp::ui::EditableList(symbols, rows);
    row.ComboBox->setObjectName(Numbered("ComboBox", i));
    row.ComboBox->setGeometry(kSymbolLeft, top, kSymbolWidth, kEditHeight);
    row.ComboBox->SetItemIndex(0);
    row.ColorBox = new erp::ui::ColorPicker(rows);
    row.ColorBox->setObjectName(Numbered("ColorBox", i));
    row.ColorBox->setGeometry(kColorLeft, top, kColorWidth, kColorHeight);
    row.ColorBox->SetItemIndex(0);
  }
  ScrollBox1->setWidget(rows);

  // "Отмена", "Ок", then the rows from left to right and top to bottom.
  QWidget* previous = Cancel;
  const auto chain = [&previous](QWidget* next) {
    QWidget::setTabOrder(previous, next);
    previous = next;
  };
  chain(Save);
  for (const Row& row : rows_) {
    const std::array<QWidget*, 5> controls = {row.Edita, row.Editc, row.Editb, row.ComboBox, row.ColorBox};
    for (QWidget* control : controls) chain(control);
  }

  connect(Save, &QPushButton::clicked, this, [this] { erp::ui::Guarded(interaction_, [this] { SaveClick(); }); });
  connect(Cancel, &QPushButton::clicked, this, [this] { erp::ui::Guarded(interaction_, [this] { CancelClick(); }); });
}

void TfmFormat::setVisible(bool visible) {
  if (visible && !isVisible()) erp::ui::Guarded(interaction_, [this] { FormActivate(); });
  QDialog::setVisible(visible);
}

void TfmFormat::FormActivate() {
  // The same check as at start-up: a regular file is read, nothing there leads to the question,
  // and anything else (a folder, FIFO, link loop) is reported with the system's message.
  if (erp::FileExists(erp::SeriesConfigFileName)) {
    erp::ReadSeriesConfig([this](int slot, const erp::SeriesConfig& row) { ShowRow(slot, row); });
  } else if (interaction_.AskYesNo(tr("Инициализационный файл не найден. Создать новый?"))) {
    erp::CreateEmptyFileIfMissing(erp::SeriesConfigFileName);
  }
}

void TfmFormat::SaveClick() {
  erp::SlotArray<erp::SeriesConfig, erp::SeriesCount> config;
  for (int i = 1; i <= erp::SeriesCount; ++i) config[i] = RowShown(i);
  erp::WriteSeriesConfig(config);  // on failure the dialog stays open and the old file whole
  accept();
}

void TfmFormat::CancelClick() { reject(); }

void TfmFormat::ShowRow(int slot, const erp::SeriesConfig& row) {
  const Row& controls = rows_[slot];
  controls.ColorBox->SetItemIndex(row.ColorIndex);
  controls.ComboBox->SetItemIndex(row.SymbolIndex);
  controls.Edita->setText(Text(row.Title));
  controls.Editc->setText(Text(row.FileName));
  controls.Editb->setText(Text(row.FormatSpec));
  // A text longer than its field shows its beginning.
  for (QLineEdit* edit : {controls.Edita, controls.Editc, controls.Editb}) edit->home(false);
}

erp::SeriesConfig TfmFormat::RowShown(int slot) const {
  const Row& controls = rows_[slot];
  return {controls.ColorBox->ItemIndex(), controls.ComboBox->ItemIndex(), Bytes(controls.Edita->text()),
          Bytes(controls.Editc->text()), Bytes(controls.Editb->text())};
}

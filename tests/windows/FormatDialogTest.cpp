// The series configuration dialog TfmFormat, driven through its controls in a temporary working
// folder; modal boxes are answered by a scripted fake.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "../core/SettingsTestSupport.h"
#include "Unit2.h"
#include "core/Cp1251.h"
#include "core/SeriesConfig.h"
#include "ui/ColorPicker.h"
#include "ui/Controls.h"
#include "ui/EditableList.h"
#include "FakeInteraction.h"
#include "ui/Interaction.h"

using erp::SeriesConfig;
using erp::ui::ColorPicker;
using erp::ui::EditableList;

namespace {

const QString kQuestion = QStringLiteral("Инициализационный файл не найден. Создать новый?");

SeriesConfig Row(int color, int symbol, const std::string& title, const std::string& file, const std::string& spec) {
  return {color, symbol, title, file, spec};
}

void WriteFile(const QByteArray& bytes) {
  QFile file(QStringLiteral("series.ini"));
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray FileBytes() {
  QFile file(QStringLiteral("series.ini"));
  if (!file.open(QIODevice::ReadOnly)) return "<no file>";
  return file.readAll();
}

QByteArray Bytes(const std::string& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

// The fifteen rows of a file, padded with empty rows.
QByteArray FileOf(std::vector<SeriesConfig> first) {
  erp::SlotArray<SeriesConfig, erp::SeriesCount> rows{};
  for (std::size_t i = 0; i < first.size(); ++i) rows[static_cast<int>(i) + 1] = first[i];
  return Bytes(erp::SeriesConfigText(rows));
}

// Fifteen distinct rows, `tag` telling one set from another.
QByteArray DistinctFile(const std::string& tag) {
  std::vector<SeriesConfig> rows;
  for (int i = 1; i <= erp::SeriesCount; ++i) {
    const std::string n = std::to_string(i);
    rows.push_back(Row(i, i % 4, tag + "T" + n, tag + n + ".dat", tag + "j_u_" + n));
  }
  return FileOf(rows);
}

template <class T>
T* Control(const TfmFormat& dialog, const char* prefix, int slot) {
  T* control = dialog.findChild<T*>(QLatin1String(prefix) + QString::number(slot));
  if (!control) qFatal("no control %s%d", prefix, slot);
  return control;
}

// What row `slot` of the dialog stands for, with its texts as CP1251 bytes like the file's.
SeriesConfig Shown(const TfmFormat& dialog, int slot) {
  const auto bytes = [&](const char* prefix) {
    return erp::Utf8ToCp1251(Control<QLineEdit>(dialog, prefix, slot)->text().toStdString());
  };
  return {Control<ColorPicker>(dialog, "ColorBox", slot)->ItemIndex(),
          Control<EditableList>(dialog, "ComboBox", slot)->ItemIndex(), bytes("Edita"), bytes("Editc"),
          bytes("Editb")};
}

std::vector<SeriesConfig> AllShown(const TfmFormat& dialog) {
  std::vector<SeriesConfig> rows;
  for (int i = 1; i <= erp::SeriesCount; ++i) rows.push_back(Shown(dialog, i));
  return rows;
}

// The rows that reading the file hands over, and the error that ends the reading.
std::vector<SeriesConfig> RowsRead(std::string* error = nullptr) {
  std::vector<SeriesConfig> rows;
  try {
    erp::ReadSeriesConfig([&](int, const SeriesConfig& row) { rows.push_back(row); });
  } catch (const std::exception& e) {
    if (error) *error = e.what();
  }
  return rows;
}

char* Describe(const SeriesConfig& r) {
  return QTest::toString(QStringLiteral("{%1, %2, \"%3\", \"%4\", \"%5\"}")
                             .arg(r.ColorIndex)
                             .arg(r.SymbolIndex)
                             .arg(QString::fromStdString(erp::Cp1251ToUtf8(r.Title)),
                                  QString::fromStdString(erp::Cp1251ToUtf8(r.FileName)),
                                  QString::fromStdString(erp::Cp1251ToUtf8(r.FormatSpec))));
}

enum class CloseBy { CancelButton, CloseBox, EscapeKey };

void CloseWithoutSaving(TfmFormat& dialog, CloseBy how) {
  switch (how) {
    case CloseBy::CancelButton: QTest::mouseClick(dialog.findChild<QPushButton*>("Cancel"), Qt::LeftButton); break;
    case CloseBy::CloseBox: dialog.close(); break;
    case CloseBy::EscapeKey: QTest::keyClick(&dialog, Qt::Key_Escape); break;
  }
}

// Types `text` into `field` key by key (also letters that QTest::keyClicks cannot send).
void Type(QWidget* field, const QString& text) {
  for (const QChar c : text) QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void PressOk(TfmFormat& dialog) { QTest::mouseClick(dialog.findChild<QPushButton*>("Save"), Qt::LeftButton); }

}  // namespace

namespace QTest {
template <>
char* toString(const SeriesConfig& r) {
  return Describe(r);
}
}  // namespace QTest

Q_DECLARE_METATYPE(CloseBy)
Q_DECLARE_METATYPE(erp::SeriesConfig)

class FormatDialogTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> folder_;
  QString previousFolder_;
  FakeInteraction interaction_;

 private slots:
  void init() {
    interaction_ = FakeInteraction();
    interaction_.modalLoop = true;
    previousFolder_ = QDir::currentPath();
    folder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(folder_->isValid());
    QVERIFY(QDir::setCurrent(folder_->path()));
  }

  void cleanup() {
    QDir::setCurrent(previousFolder_);
    folder_.reset();
  }

  void layout() {
    TfmFormat dialog(interaction_);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Изменение рядов данных"));
    QCOMPARE(dialog.size(), QSize(763, 317));
    QCOMPARE(dialog.pos(), QPoint(293, 165));
    QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(dialog.font().pointSize(), 8);

    const std::pair<QString, int> headings[] = {{"Название ряда", 40}, {"Имя файла", 176}, {"Формат", 405},
                                                {"Значок", 608},       {"Цвет", 688}};
    for (const auto& [text, left] : headings) {
      QLabel* label = nullptr;
      for (QLabel* l : dialog.findChildren<QLabel*>()) label = l->text() == text ? l : label;
      QVERIFY2(label, qPrintable(text));
      QCOMPARE(label->pos(), QPoint(left, 16));
    }

    auto* scroll = dialog.findChild<QScrollArea*>("ScrollBox1");
    QVERIFY(scroll);
    QCOMPARE(scroll->geometry(), QRect(8, 35, 747, 186));
    QCOMPARE(scroll->frameShape(), QFrame::NoFrame);
    const int tops[] = {8, 35, 64, 91, 118, 145, 172, 199, 228, 255, 282, 309, 336, 363, 390};
    for (int i = 1; i <= erp::SeriesCount; ++i) {
      const int top = tops[i - 1];
      QCOMPARE(Control<QLineEdit>(dialog, "Edita", i)->geometry(), QRect(8, top, 121, 21));
      QCOMPARE(Control<QLineEdit>(dialog, "Editc", i)->geometry(), QRect(135, top, 121, 21));
      QCOMPARE(Control<QLineEdit>(dialog, "Editb", i)->geometry(), QRect(262, top, 280, 21));
      QCOMPARE(Control<EditableList>(dialog, "ComboBox", i)->geometry(), QRect(548, top, 119, 21));
      // Every symbol name fits, "треугольник" too.
      QVERIFY(Control<EditableList>(dialog, "ComboBox", i)->sizeHint().width() <= 119);
      QCOMPARE(Control<ColorPicker>(dialog, "ColorBox", i)->geometry(), QRect(673, top, 41, 22));
      QCOMPARE(Control<QLineEdit>(dialog, "Edita", i)->parentWidget(), scroll->widget());
    }
    auto* save = dialog.findChild<QPushButton*>("Save");
    auto* cancel = dialog.findChild<QPushButton*>("Cancel");
    QVERIFY(save && cancel);
    QCOMPARE(save->text(), QStringLiteral("Ок"));
    QCOMPARE(save->geometry(), QRect(256, 272, 75, 25));
    QCOMPARE(cancel->text(), QStringLiteral("Отмена"));
    QCOMPARE(cancel->geometry(), QRect(356, 272, 75, 25));

    // The lists: four symbols, fifty colours with their names, in ColorList order.
    auto* symbols = Control<EditableList>(dialog, "ComboBox", 1);
    QCOMPARE(symbols->count(), 4);
    QCOMPARE(symbols->itemText(0), QStringLiteral("линия"));
    QCOMPARE(symbols->itemText(3), QStringLiteral("треугольник"));
    auto* colors = Control<ColorPicker>(dialog, "ColorBox", 1);
    QCOMPARE(colors->count(), 50);
    QCOMPARE(colors->itemText(9), QStringLiteral("clRed"));
    QCOMPARE(colors->itemText(49), QStringLiteral("clWindowText"));
    QCOMPARE(ColorPicker::SwatchColor(9), QColor(0xFF, 0, 0));
    QCOMPARE(ColorPicker::SwatchColor(12), QColor(0, 0, 0xFF));
    QCOMPARE(ColorPicker::SwatchColor(47), erp::ui::SystemColor(5));
    QCOMPARE(colors->itemIcon(9).pixmap(16, 12).toImage().pixelColor(8, 6), QColor(0xFF, 0, 0));

    // Before any reading: empty fields, "линия" and black in every row.
    for (int i = 1; i <= erp::SeriesCount; ++i) QCOMPARE(Shown(dialog, i), Row(0, 0, "", "", ""));
    QCOMPARE(symbols->currentText(), QStringLiteral("линия"));

    // Tab order: "Отмена", "Ок", then the rows from left to right and top to bottom.
    WriteFile(QByteArray());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(QApplication::focusWidget(), cancel);
    QStringList expected = {"Cancel", "Save"};
    for (int i = 1; i <= erp::SeriesCount; ++i)
      for (const char* prefix : {"Edita", "Editc", "Editb", "ComboBox", "ColorBox"})
        expected << QLatin1String(prefix) + QString::number(i);
    QStringList visited;
    for (int step = 0; step < expected.size(); ++step) {
      QWidget* focus = QApplication::focusWidget();
      QVERIFY(focus);
      // The symbol list's text field takes the focus for its list.
      const bool inList = qobject_cast<EditableList*>(focus->parentWidget()) != nullptr;
      visited << (inList ? focus->parentWidget() : focus)->objectName();
      QTest::keyClick(focus, Qt::Key_Tab);
    }
    QCOMPARE(visited, expected);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Cancel"));  // round again
    // Tabbing through the rows below the visible ones scrolled them into view.
    QVERIFY(scroll->verticalScrollBar()->value() > 0);
  }

  void missingFileAsksAtEveryOpeningUntilItExists_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes creates an empty file") << true;
    QTest::newRow("No creates nothing") << false;
  }
  void missingFileAsksAtEveryOpeningUntilItExists() {
    QFETCH(bool, yes);
    TfmFormat dialog(interaction_);
    Control<QLineEdit>(dialog, "Edita", 2)->setText(QStringLiteral("Пулково"));
    Control<ColorPicker>(dialog, "ColorBox", 2)->SetItemIndex(12);
    const auto before = AllShown(dialog);

    interaction_.answers = {yes};
    dialog.show();
    QCOMPARE(interaction_.questions, QStringList{kQuestion});
    QCOMPARE(QFile::exists("series.ini"), yes);
    if (yes) QCOMPARE(QFileInfo("series.ini").size(), 0);
    QCOMPARE(AllShown(dialog), before);  // the rows keep what they show

    // The dialog is activated again (as when the question box closes): no second question.
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&dialog, &activate);
    QCOMPARE(interaction_.questions.size(), 1);

    CloseWithoutSaving(dialog, CloseBy::CancelButton);
    QVERIFY(!dialog.isVisible());
    dialog.show();
    if (yes) {
      // The empty file reads as fifteen empty rows: black, "линия", empty fields.
      QCOMPARE(interaction_.questions.size(), 1);
      for (int i = 1; i <= erp::SeriesCount; ++i) QCOMPARE(Shown(dialog, i), Row(0, 0, "", "", ""));
      QCOMPARE(Control<EditableList>(dialog, "ComboBox", 2)->currentText(), QStringLiteral("линия"));
    } else {
      QCOMPARE(interaction_.questions, (QStringList{kQuestion, kQuestion}));
      QVERIFY(!QFile::exists("series.ini"));
      QCOMPARE(AllShown(dialog), before);
    }
    QVERIFY(interaction_.errors.isEmpty());
  }

  // A folder, FIFO or link loop in the file's place is neither read (a FIFO would block the
  // opening for ever) nor taken for a missing file (the question would offer to create a file
  // that cannot be created): the error box shows the system's message, as at start-up.
  void whatIsNoFileIsReportedWithoutAQuestion_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("error");
    QTest::newRow("folder") << "folder" << EISDIR;
    QTest::newRow("FIFO") << "fifo" << EINVAL;
    QTest::newRow("symbolic-link loop") << "loop" << ELOOP;
  }
  void whatIsNoFileIsReportedWithoutAQuestion() {
    QFETCH(QString, kind);
    QFETCH(int, error);
    if (kind == "folder") QVERIFY(QDir().mkdir("series.ini"));
    if (kind == "fifo") QVERIFY(erp::testing::MakeFifo("series.ini"));
    if (kind == "loop") {
      QVERIFY(QFile::link("loop.ini", "series.ini"));
      QVERIFY(QFile::link("series.ini", "loop.ini"));
    }
    const auto before = QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    TfmFormat dialog(interaction_);
    const auto shown = AllShown(dialog);
    dialog.show();
    QCOMPARE(interaction_.errors, QStringList{QString::fromUtf8(std::strerror(error))});
    QVERIFY(interaction_.questions.isEmpty());
    QVERIFY(dialog.isVisible());
    QCOMPARE(AllShown(dialog), shown);
    QCOMPARE(QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), before);
    CloseWithoutSaving(dialog, CloseBy::CancelButton);
  }

  void okWritesBackAnUnchangedFileByteForByte() {
    const QByteArray file = FileOf({
        Row(9, 2, "Alpha", "alpha.dat", "yy_mm_dd_u_xp_yp"),
        Row(44, 3, erp::Utf8ToCp1251("Пулково"), erp::Utf8ToCp1251("ПЗ.dat"), "j_xp_yp_u_rrr_rrr_rrr_rrr_rrr_"),  // 30 characters
        Row(0, 0, "", "", ""),
        Row(49, 1, "\x98\xB9", "f", ""),  // the undefined CP1251 byte and "№"
    });
    WriteFile(file);
    TfmFormat dialog(interaction_);
    dialog.show();
    QCOMPARE(Control<QLineEdit>(dialog, "Edita", 2)->text(), QStringLiteral("Пулково"));
    PressOk(dialog);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(FileBytes(), file);
    QVERIFY(interaction_.errors.isEmpty());
    QVERIFY(interaction_.questions.isEmpty());
  }

  // A line of the file, the row the dialog shows for it, and the line "Ок" writes back.
  void rowsAreShownAndSavedAsTheyStand_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<SeriesConfig>("shown");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("colour 50") << QByteArray("50 1 T f F") << Row(-1, 1, "T", "f", "F") << QByteArray("-1 1 T f F");
    QTest::newRow("colour -1") << QByteArray("-1 1 T f F") << Row(-1, 1, "T", "f", "F") << QByteArray("-1 1 T f F");
    QTest::newRow("symbol 4") << QByteArray("3 4 T f F") << Row(3, -1, "T", "f", "F") << QByteArray("3 -1 T f F");
    QTest::newRow("symbol -1") << QByteArray("3 -1 T f F") << Row(3, -1, "T", "f", "F") << QByteArray("3 -1 T f F");
    QTest::newRow("blank in the title") << QByteArray("0 0 A B f.dat F") << Row(0, 0, "A", "B", "f.dat F")
                                        << QByteArray("0 0 A B f.dat F");
    QTest::newRow("35-character format") << QByteArray("0 0 T f j_xp_yp_u_rrr_rrr_rrr_rrr_rrr_yy_mm")
                                         << Row(0, 0, "T", "f", "j_xp_yp_u_rrr_rrr_rrr_rrr_rrr_")
                                         << QByteArray("0 0 T f j_xp_yp_u_rrr_rrr_rrr_rrr_rrr_");
    QTest::newRow("integers only") << QByteArray("7 2") << Row(7, 2, "", "", "") << QByteArray("7 2   ");
  }
  void rowsAreShownAndSavedAsTheyStand() {
    QFETCH(QByteArray, line);
    QFETCH(SeriesConfig, shown);
    QFETCH(QByteArray, saved);
    WriteFile(line + "\r\n9 2 Next n.dat j_u\r\n");
    TfmFormat dialog(interaction_);
    dialog.show();
    QCOMPARE(Shown(dialog, 1), shown);
    QCOMPARE(Shown(dialog, 2), Row(9, 2, "Next", "n.dat", "j_u"));
    if (shown.ColorIndex < 0) QCOMPARE(Control<ColorPicker>(dialog, "ColorBox", 1)->currentText(), QString());
    if (shown.SymbolIndex < 0) QCOMPARE(Control<EditableList>(dialog, "ComboBox", 1)->currentText(), QString());
    PressOk(dialog);
    QVERIFY(!dialog.isVisible());
    QVERIFY(FileBytes().startsWith(saved + "\r\n9 2 Next n.dat j_u\r\n"));
    QVERIFY(interaction_.errors.isEmpty());
  }

  // What the operator types is written without checking; only the symbol's index is stored.
  void typedValuesAreSavedUnchecked() {
    const QString spec35 = QStringLiteral("j_xp_yp_u_rrr_rrr_rrr_rrr_rrr_yy_mm");
    WriteFile(QByteArray());
    TfmFormat dialog(interaction_);
    dialog.show();
    struct Typed {
      QString title, file, spec, symbolText;
      int color;
      QByteArray saved;
    } const typed[] = {
        {"A B", "f.dat", "F", "круг", 9, "9 2 A B f.dat F"},
        {"Т", "f", spec35, "КРУГ", 0, "0 2 \xD2 f " + spec35.toLatin1()},
        {"", "", "", "xyz", 12, "12 -1   "},  // text of no item: no symbol
        {"", "no such file", "nonsense", "", 1, "1 -1  no such file nonsense"},
        {"ё", "", "", "треугольник", 3, "3 3 \xB8  "},
    };
    for (int i = 1; i <= int(std::size(typed)); ++i) {
      const Typed& t = typed[i - 1];
      Type(Control<QLineEdit>(dialog, "Edita", i), t.title);
      Type(Control<QLineEdit>(dialog, "Editc", i), t.file);
      Type(Control<QLineEdit>(dialog, "Editb", i), t.spec);
      auto* symbol = Control<EditableList>(dialog, "ComboBox", i);
      symbol->lineEdit()->selectAll();
      QTest::keyClick(symbol->lineEdit(), Qt::Key_Backspace);
      Type(symbol->lineEdit(), t.symbolText);
      Control<ColorPicker>(dialog, "ColorBox", i)->SetItemIndex(t.color);
    }
    // Return adds no typed text to the list and presses no button.
    auto* typedSymbol = Control<EditableList>(dialog, "ComboBox", 3);
    QTest::keyClick(typedSymbol->lineEdit(), Qt::Key_Return);
    QCOMPARE(typedSymbol->count(), 4);
    QCOMPARE(typedSymbol->currentText(), QStringLiteral("xyz"));
    QTest::keyClick(Control<QLineEdit>(dialog, "Edita", 1), Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QVERIFY(FileBytes().isEmpty());

    PressOk(dialog);
    QVERIFY(!dialog.isVisible());
    const QList<QByteArray> lines = FileBytes().split('\n');
    QCOMPARE(lines.size(), 16);  // fifteen lines ended by CR LF
    for (int i = 1; i <= int(std::size(typed)); ++i) QCOMPARE(lines[i - 1], typed[i - 1].saved + "\r");

    // The next opening reads back the whole format as 30 characters.
    dialog.show();
    QCOMPARE(Control<QLineEdit>(dialog, "Editb", 2)->text(), spec35.left(30));
    QCOMPARE(Shown(dialog, 1), Row(9, 2, "A", "B", "f.dat F"));
  }

  void closingWithoutOkWritesNothing_data() {
    QTest::addColumn<CloseBy>("how");
    QTest::newRow("Отмена") << CloseBy::CancelButton;
    QTest::newRow("close box") << CloseBy::CloseBox;
    QTest::newRow("Escape") << CloseBy::EscapeKey;
  }
  void closingWithoutOkWritesNothing() {
    QFETCH(CloseBy, how);
    const QByteArray file = DistinctFile("");
    WriteFile(file);
    TfmFormat dialog(interaction_);
    dialog.show();
    const auto fromFile = AllShown(dialog);
    QCOMPARE(fromFile, RowsRead());

    Control<QLineEdit>(dialog, "Edita", 1)->setText("changed");
    Control<QLineEdit>(dialog, "Editb", 15)->clear();
    Control<ColorPicker>(dialog, "ColorBox", 3)->SetItemIndex(-1);
    auto* symbol = Control<EditableList>(dialog, "ComboBox", 4);
    symbol->lineEdit()->selectAll();
    Type(symbol->lineEdit(), "typed");
    CloseWithoutSaving(dialog, how);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(FileBytes(), file);
    QCOMPARE(QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"series.ini"});

    // The next opening shows the file again, typed symbol text included.
    dialog.show();
    QCOMPARE(AllShown(dialog), fromFile);
    QCOMPARE(symbol->currentText(), symbol->itemText(fromFile[3].SymbolIndex));
    QVERIFY(interaction_.errors.isEmpty());
  }

  void failingRowKeepsTheRowsFromItOn() {
    WriteFile(DistinctFile("old"));
    TfmFormat dialog(interaction_);
    dialog.show();
    const auto old = AllShown(dialog);
    CloseWithoutSaving(dialog, CloseBy::CancelButton);

    WriteFile("1 1 A a.dat F\r\n2 2 B b.dat G\r\n3 x C c.dat H\r\n4 3 D d.dat I\r\n");
    dialog.show();
    QCOMPARE(interaction_.errors, QStringList{"Invalid numeric input"});
    QVERIFY(dialog.isVisible());
    const auto shown = AllShown(dialog);
    QCOMPARE(shown[0], Row(1, 1, "A", "a.dat", "F"));
    QCOMPARE(shown[1], Row(2, 2, "B", "b.dat", "G"));
    for (int i = 3; i <= erp::SeriesCount; ++i) QCOMPARE(shown[i - 1], old[i - 1]);

    // The dialog can still be used and saved: what it shows is written.
    PressOk(dialog);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(RowsRead(), shown);
  }

  void failedSaveKeepsTheDialogOpen_data() {
    QTest::addColumn<bool>("folderInTheWay");
    QTest::newRow("series.ini is a folder") << true;
    QTest::newRow("file size limit (like a full disk)") << false;
  }
  void failedSaveKeepsTheDialogOpen() {
    QFETCH(bool, folderInTheWay);
    const QByteArray file = DistinctFile("old");
    WriteFile(file);
    TfmFormat dialog(interaction_);
    dialog.show();
    Control<QLineEdit>(dialog, "Edita", 1)->setText("new");

    if (folderInTheWay) {
      QVERIFY(QFile::remove("series.ini"));
      QVERIFY(QDir().mkdir("series.ini"));
      PressOk(dialog);
      QCOMPARE(interaction_.errors, QStringList{QString::fromUtf8(std::strerror(EISDIR))});
      QVERIFY(QFileInfo("series.ini").isDir());
      QVERIFY(QDir().rmdir("series.ini"));
    } else {
      {
        erp::testing::FileSizeLimit limit(64);
        PressOk(dialog);
      }
      QCOMPARE(interaction_.errors, QStringList{QString::fromUtf8(std::strerror(EFBIG))});
      QCOMPARE(FileBytes(), file);  // the old file stays whole
      QCOMPARE(QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"series.ini"});
    }
    QVERIFY(dialog.isVisible());
    QCOMPARE(Control<QLineEdit>(dialog, "Edita", 1)->text(), QStringLiteral("new"));

    // Once the obstacle is gone, "Ок" saves and closes.
    PressOk(dialog);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(RowsRead().front().Title, std::string("new"));
    QCOMPARE(interaction_.errors.size(), 1);
  }

  // Start-up reads the same file with ReadSeriesConfig and turns each row into a look with
  // LookOfSeries: the dialog must show the same row for every line.
  void showsWhatStartUpReads() {
    const QByteArray file =
        "9 2 Alpha alpha.dat yy_mm_dd_u_xp_yp\r\n"
        "\r\n"                                         // an empty line is not a row
        "0 0 A B f.dat F\r\n"                          // blank in the title
        "1 1 T f.dat\n"                                // no blank after the file name; LF alone
        "2 3  T f.dat F\r\n"                           // two blanks before the title
        "3 0\tT\tU f F\r\n"                            // tab after the symbol index, tab in the title
        "4 1 T f j_xp_yp_u_rrr_rrr_rrr_rrr_rrr_yy_mm\r\n"  // 35-character format
        "50 4 U g G\r\n"                               // no colour, no symbol
        "-1 -1 V h H\r\n"
        "+12 -0002 \xCF\xF3\xEB\xEA\xEE\xE2\xEE p.dat j_u\r\n"  // signs, zeros, CP1251 title
        "44 1\r\n"                                     // integers only
        "7\r\n  2 W w W\r\n"                           // integers on two lines
        "49 3   \r\n"
        "15 2 X x X\r";                                // CR alone, 13 rows: two rows past the end
    WriteFile(file);
    const auto rows = RowsRead();
    QCOMPARE(int(rows.size()), erp::SeriesCount);

    TfmFormat dialog(interaction_);
    dialog.show();
    QVERIFY(interaction_.errors.isEmpty());
    for (int i = 1; i <= erp::SeriesCount; ++i) {
      const SeriesConfig& row = rows[static_cast<std::size_t>(i) - 1];
      const SeriesConfig shown = Shown(dialog, i);
      const erp::SeriesLook look = erp::LookOfSeries(row);
      QCOMPARE(shown.ColorIndex, look.Color.value_or(-1));
      QCOMPARE(shown.SymbolIndex, look.Symbol == erp::SymbolChange::None ? -1 : row.SymbolIndex);
      QCOMPARE(shown.Title, row.Title);
      QCOMPARE(shown.FileName, row.FileName);
      QCOMPARE(shown.FormatSpec, row.FormatSpec);
    }
    QCOMPARE(Control<QLineEdit>(dialog, "Edita", 9)->text(), QStringLiteral("Пулково"));
    QCOMPARE(Control<QLineEdit>(dialog, "Edita", 5)->text(), QStringLiteral("T\tU"));
  }

  // Opened modally as the menu opens it: the rows are there before the first event reaches it.
  void modalOpeningLoadsBeforeTheOperatorActs() {
    WriteFile(FileOf({Row(5, 1, "Alpha", "a.dat", "j_u")}));
    TfmFormat dialog(interaction_);
    SeriesConfig seen;
    QTimer::singleShot(0, &dialog, [&] {
      seen = Shown(dialog, 1);
      PressOk(dialog);
    });
    interaction_.ShowModal(dialog);
    QCOMPARE(seen, Row(5, 1, "Alpha", "a.dat", "j_u"));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(RowsRead().front(), seen);
  }
};

QTEST_MAIN(FormatDialogTest)
#include "FormatDialogTest.moc"

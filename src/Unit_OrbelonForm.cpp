#include "Unit_OrbelonForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/ScaleTables.h"
#include "ui/ButtonGlyphs.h"
#include "ui/Controls.h"
#include "ui/Language.h"
#include "ui/chart/Chart.h"

namespace {

QString FromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QFont BoldFont(QFont font) {
  font.setBold(true);
  return font;
}

QFont PlainFont(QFont font) {
  font.setBold(false);
  return font;
}

QTimer* MakeTimer(QMainWindow& window, const char* name, int milliseconds) {
  auto* timer = new QTimer(&window);
  timer->setObjectName(QString::fromLatin1(name));
  timer->setInterval(milliseconds);
  return timer;
}

}  // namespace

void TForm1Form::SetupUi(QMainWindow& window) {
  window.setObjectName(QStringLiteral("Form1"));
  window.setWindowTitle(QCoreApplication::translate("TForm1", "Просмотр графиков"));
  QFont windowFont = window.font();
  windowFont.setPointSize(8);
  window.setFont(windowFont);

  auto* MainMenu1 = window.menuBar();
  MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
  About1 = MainMenu1->addAction(QCoreApplication::translate("TForm1", "О программе"));
  About1->setObjectName(QStringLiteral("About1"));
  Options1 = MainMenu1->addMenu(QCoreApplication::translate("TForm1", "Настройки"));
  Options1->setObjectName(QStringLiteral("Options1"));
  Options2 = Options1->addAction(QCoreApplication::translate("TForm1", "Изменение рядов данных"));
  Options2->setObjectName(QStringLiteral("Options2"));
  Options3 = Options1->addAction(QCoreApplication::translate("TForm1", "Статистика рядов"));
  Options3->setObjectName(QStringLiteral("Options3"));
  ChartMenu = MainMenu1->addMenu(QCoreApplication::translate("TForm1", "График"));
  ChartMenu->setObjectName(QStringLiteral("ChartMenu"));
  const auto addChartAction = [&](const char* name, const QString& text, const QKeySequence& keys) {
    QAction* action = ChartMenu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(keys);
    action->setEnabled(false);  // until the data are loaded
    return action;
  };
  SaveChart = addChartAction("SaveChart", QCoreApplication::translate("TForm1", "Сохранить график…"), QKeySequence::Save);
  CopyChart = addChartAction("CopyChart", QCoreApplication::translate("TForm1", "Копировать график"), QKeySequence::Copy);
  ChartMenu->addSeparator();
  FitValueAxis = addChartAction("FitValueAxis", QCoreApplication::translate("TForm1", "Шкала по данным"), QKeySequence(Qt::Key_F));
  ReloadData = addChartAction("ReloadData", QCoreApplication::translate("TForm1", "Перечитать данные"), QKeySequence::Refresh);
  ChartMenu->addSeparator();
  ShowDifferences = addChartAction("ShowDifferences", QCoreApplication::translate("TForm1", "Разности от опорного ряда"),
                                   QKeySequence(Qt::Key_D));
  ShowDifferences->setCheckable(true);

  auto* StatusBar1 = window.statusBar();
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setFixedHeight(19);
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->setToolTip(QCoreApplication::translate("TForm1", "Панель состояния"));
  StatusBar1Text = new QLabel(QCoreApplication::translate("TForm1", "  Нажмите кнопку \"Старт\""), StatusBar1);
  StatusBar1Text->setObjectName(QStringLiteral("StatusBar1Text"));
  StatusBar1->addWidget(StatusBar1Text, 1);

  // The chart fills the client area; the Start button lies over it but belongs to the window.
  ClientArea = new QWidget(&window);
  ClientArea->setObjectName(QStringLiteral("ClientArea"));
  auto* fill = new QVBoxLayout(ClientArea);
  fill->setContentsMargins(0, 0, 0, 0);
  Chart = new erp::ui::Chart(ClientArea);
  Chart->setObjectName(QStringLiteral("Chart"));
  fill->addWidget(Chart);
  window.setCentralWidget(ClientArea);
  window.resize(882, 634 + window.menuBar()->sizeHint().height() + 19);

  BitBtnStart = new QPushButton(QCoreApplication::translate("TForm1", "Старт"), ClientArea);
  BitBtnStart->setObjectName(QStringLiteral("BitBtnStart"));
  BitBtnStart->setGeometry(301, 40, 62, 23);
  BitBtnStart->setFont(BoldFont(BitBtnStart->font()));
  ColorStartButton(false);
  BitBtnStart->setEnabled(false);
  BitBtnStart->raise();

  // The chart's look, as laid out: the left axis until the first rescale.
  auto& left = Chart->LeftAxis();
  left.SetMaximum(10000000.0);
  left.SetMinimum(-0.0015);
  left.SetMaximum(0.0085);
  left.SetIncrement(0.001);
  left.SetMinorTickCount(9);

  // Controls laid on the chart, in this order: the series checkboxes, then the three group boxes.
  for (int i = 1; i <= static_cast<int>(CheckBox.size()); ++i) {
    auto* box = new QCheckBox(Chart);
    box->setObjectName(QStringLiteral("CheckBox%1").arg(i));
    erp::ui::SetTag(box, i);
    box->setFixedSize(17, 17);
    box->setCursor(Qt::PointingHandCursor);
    box->setChecked(true);
    box->setEnabled(false);
    CheckBox[static_cast<std::size_t>(i - 1)] = box;
  }
  SetupScaleGroup(window);
  SetupViewGroup(window);
  SetupNavigationGroup();
  SetupDifferencesGroup(window);

  // A click on a radio button or checkbox leaves the keyboard where it was, so that the arrow
  // keys go on moving the chart; Tab still reaches them (and then the arrows are theirs).
  for (QAbstractButton* button : Chart->findChildren<QAbstractButton*>()) {
    if (qobject_cast<QRadioButton*>(button) || qobject_cast<QCheckBox*>(button)) button->setFocusPolicy(Qt::TabFocus);
  }
}

// Above the plot beside the Start button: the differences view's switch, its reference and the
// removal of each series' bias and rate. It is laid out like the navigation buttons (Tag 3).
void TForm1Form::SetupDifferencesGroup(QMainWindow& window) {
  GroupBoxDifferences = new QGroupBox(QCoreApplication::translate("TForm1", "Разности:"), Chart);
  GroupBoxDifferences->setObjectName(QStringLiteral("GroupBoxDifferences"));
  erp::ui::SetTag(GroupBoxDifferences, 3);
  GroupBoxDifferences->setFont(BoldFont(window.font()));
  GroupBoxDifferences->setEnabled(false);
  const QFont plain = PlainFont(window.font());
  CheckBoxDifferences = new QCheckBox(QCoreApplication::translate("TForm1", "от ряда"), GroupBoxDifferences);
  CheckBoxDifferences->setObjectName(QStringLiteral("CheckBoxDifferences"));
  ComboBoxReference = new QComboBox(GroupBoxDifferences);
  ComboBoxReference->setObjectName(QStringLiteral("ComboBoxReference"));
  for (int slot = 1; slot <= static_cast<int>(CheckBox.size()); ++slot) ComboBoxReference->addItem(QString::number(slot));
  CheckBoxBiasRate = new QCheckBox(QCoreApplication::translate("TForm1", "без сдвига и наклона"), GroupBoxDifferences);
  CheckBoxBiasRate->setObjectName(QStringLiteral("CheckBoxBiasRate"));
  int x = 6;
  for (QWidget* control : std::initializer_list<QWidget*>{CheckBoxDifferences, ComboBoxReference, CheckBoxBiasRate}) {
    control->setFont(plain);
    control->setCursor(Qt::PointingHandCursor);
    control->resize(control->sizeHint());
    control->move(x, 26 - control->height() / 2);
    x += control->width() + 6;
  }
  ComboBoxReference->setToolTip(QCoreApplication::translate("TForm1", "Опорный ряд"));
  CheckBoxBiasRate->setToolTip(
      QCoreApplication::translate("TForm1", "Убрать из разностей каждого ряда его собственные сдвиг и наклон"));
  GroupBoxDifferences->resize(x, 40);
}

void TForm1Form::ColorStartButton(bool exit) {
  QPalette palette = BitBtnStart->palette();
  palette.setColor(QPalette::ButtonText, exit ? QColor(0xff, 0x00, 0x00) : QColor(0x00, 0x80, 0x00));
  BitBtnStart->setPalette(palette);
}

void TForm1Form::SetupTimers(QMainWindow& window) {
  Timer1 = MakeTimer(window, "Timer1", 70);
  Timer2 = MakeTimer(window, "Timer2", 210);
  Timer3 = MakeTimer(window, "Timer3", 100);
  // The automatic Start press comes 100 ms after the window's creation, not up to 5 ms later as
  // a coarse timer's tick may.
  Timer3->setTimerType(Qt::PreciseTimer);
}

void TForm1Form::SetupScaleGroup(QMainWindow& window) {
  GroupBoxScales = new QGroupBox(QCoreApplication::translate("TForm1", "Масштабы UT"), Chart);
  GroupBoxScales->setObjectName(QStringLiteral("GroupBoxScales"));
  erp::ui::SetTag(GroupBoxScales, 1);
  GroupBoxScales->resize(97, 127);
  GroupBoxScales->setFont(BoldFont(window.font()));
  GroupBoxScales->setEnabled(false);
  const QFont plain = PlainFont(window.font());

  ComboBoxScaleY = new QComboBox(GroupBoxScales);
  ComboBoxScaleY->setObjectName(QStringLiteral("ComboBoxScaleY"));
  ComboBoxScaleY->setFont(plain);
  for (std::string_view label : erp::InitialScaleLabels) ComboBoxScaleY->addItem(erp::ui::CoreText(label));
  ComboBoxScaleY->setGeometry(5, 29, 85, ComboBoxScaleY->sizeHint().height());
  ComboBoxScaleY->setCurrentIndex(0);
  ComboBoxScaleY->setCursor(Qt::PointingHandCursor);

  StaticText5 = new QLabel(QStringLiteral("Grid density:"), GroupBoxScales);
  StaticText5->setObjectName(QStringLiteral("StaticText5"));
  StaticText5->setFont(plain);
  StaticText5->move(7, 64);
  StaticText5->adjustSize();
  StaticText5->setToolTip(QCoreApplication::translate("TForm1", "Колич-во клеток сетки по вертикали"));

  ComboBoxGrid = new QComboBox(GroupBoxScales);
  ComboBoxGrid->setObjectName(QStringLiteral("ComboBoxGrid"));
  ComboBoxGrid->setFont(plain);
  ComboBoxGrid->setEditable(true);
  ComboBoxGrid->setInsertPolicy(QComboBox::NoInsert);
  for (std::string_view label : erp::GridDensityLabels) ComboBoxGrid->addItem(FromView(label));
  ComboBoxGrid->setGeometry(8, 88, 49, ComboBoxGrid->sizeHint().height());
  ComboBoxGrid->setCurrentIndex(0);

  // Below the box's visible height: they carry state only.
  StaticText3 = new QLabel(QCoreApplication::translate("TForm1", "Текущий:"), GroupBoxScales);
  StaticText3->setObjectName(QStringLiteral("StaticText3"));
  StaticText3->setFont(plain);
  StaticText3->move(3, 187);
  EditScale = new QLineEdit(QStringLiteral("EditScale"), GroupBoxScales);
  EditScale->setObjectName(QStringLiteral("EditScale"));
  EditScale->setFont(plain);
  EditScale->setReadOnly(true);
  EditScale->move(3, 207);
  CheckBoxChoise = new QCheckBox(QCoreApplication::translate("TForm1", "Выбрать:"), GroupBoxScales);
  CheckBoxChoise->setObjectName(QStringLiteral("CheckBoxChoise"));
  CheckBoxChoise->setFont(plain);
  CheckBoxChoise->setLayoutDirection(Qt::RightToLeft);  // caption left of the box
  CheckBoxChoise->move(6, 242);
  CheckBoxChoise->setChecked(true);
}

void TForm1Form::SetupViewGroup(QMainWindow& window) {
  GroupBox2 = new QGroupBox(Chart);
  GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
  erp::ui::SetTag(GroupBox2, 2);
  GroupBox2->setGeometry(48, 0, 745, 57);
  GroupBox2->setEnabled(false);

  const QFont plain = PlainFont(window.font());
  const auto makeGroup = [&](const char* name, const QString& caption, const QStringList& items, QRect geometry) {
    auto* group = new erp::ui::RadioGroup(QString::fromLatin1(name), caption, items,
                                          static_cast<int>(items.size()), GroupBox2);
    group->setGeometry(geometry);
    group->setFont(BoldFont(window.font()));
    for (QWidget* button : group->findChildren<QWidget*>()) button->setFont(plain);
    group->setCursor(Qt::PointingHandCursor);
    group->SetItemIndex(0);
    return group;
  };
  RadioGroupPVZ = makeGroup("RadioGroupPVZ", QCoreApplication::translate("TForm1", "ПВЗ:"),
                            {QStringLiteral("UT1       "), QStringLiteral("UT1R    "), QStringLiteral("Xp   "),
                             QStringLiteral("Yp   ")},
                            QRect(8, 10, 241, 41));
  RadioGroupInterval = makeGroup("RadioGroupInterval", QCoreApplication::translate("TForm1", "Интервал:"),
                                 {QCoreApplication::translate("TForm1", "Месяц"), QCoreApplication::translate("TForm1", "Год")}, QRect(253, 10, 133, 41));
  RadioGroupTrend = makeGroup("RadioGroupTrend", QCoreApplication::translate("TForm1", "Тренд:"),
                              {QCoreApplication::translate("TForm1", "Нет"), QCoreApplication::translate("TForm1", "Есть")}, QRect(389, 10, 129, 41));

  GroupBox3 = new QGroupBox(QCoreApplication::translate("TForm1", "Визиры:"), GroupBox2);
  GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
  GroupBox3->setGeometry(521, 10, 205, 41);
  GroupBox3->setFont(BoldFont(window.font()));
  CheckBoxViz = new QCheckBox(GroupBox3);
  CheckBoxViz->setObjectName(QStringLiteral("CheckBoxViz"));
  CheckBoxViz->move(4, 16);
  CheckBoxViz->setCursor(Qt::PointingHandCursor);
  const auto makeLabel = [&](const char* name, const QString& text, QPoint at, bool enabled) {
    auto* label = new QLabel(text, GroupBox3);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(plain);
    label->move(at);
    label->adjustSize();
    label->setEnabled(enabled);
    return label;
  };
  Label1 = makeLabel("Label1", QStringLiteral("X="), {30, 17}, false);
  Label2 = makeLabel("Label2", QStringLiteral("Y="), {120, 17}, false);
  StaticTextX = makeLabel("StaticTextX", QString(), {51, 17}, true);
  StaticTextY = makeLabel("StaticTextY", QString(), {141, 17}, true);
}

void TForm1Form::SetupNavigationGroup() {
  GroupBox1 = new QGroupBox(Chart);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  erp::ui::SetTag(GroupBox1, 3);
  GroupBox1->setGeometry(59, 0, 225, 40);
  GroupBox1->setAutoFillBackground(true);
  QPalette palette = GroupBox1->palette();
  palette.setColor(QPalette::Window, erp::ui::SystemColor(11));  // inactive border
  GroupBox1->setPalette(palette);
  GroupBox1->setEnabled(false);

  struct Button {
    const char* name;
    int tag;
    erp::ui::Glyph glyph;
    const char* hint;
  };
  const Button buttons[7] = {
      {"SpeedButton1", 1, erp::ui::Glyph::Left, QT_TRANSLATE_NOOP("TForm1", "Сдвиг по времени назад")},
      {"SpeedButton2", 2, erp::ui::Glyph::Right, QT_TRANSLATE_NOOP("TForm1", "Сдвиг по времени вперед")},
      {"SpeedButton3", 3, erp::ui::Glyph::Up, QT_TRANSLATE_NOOP("TForm1", "Сдвиг вверх")},
      {"SpeedButton4", 4, erp::ui::Glyph::Down, QT_TRANSLATE_NOOP("TForm1", "Сдвиг вниз")},
      {"SpeedButton5", 5, erp::ui::Glyph::Apart, QT_TRANSLATE_NOOP("TForm1", "Растянуть по вертикали")},
      {"SpeedButton6", 6, erp::ui::Glyph::Together, QT_TRANSLATE_NOOP("TForm1", "Сжать по вертикали")},
      {"SpeedButtonUndo", 0, erp::ui::Glyph::Back, QT_TRANSLATE_NOOP("TForm1", "Возврат к текущей дате")},
  };
  for (int i = 0; i < 7; ++i) {
    auto* button = new QToolButton(GroupBox1);
    button->setObjectName(QString::fromLatin1(buttons[i].name));
    erp::ui::SetTag(button, buttons[i].tag);
    button->setGeometry(6 + 30 * i, 9, 27, 27);
    button->setIcon(erp::ui::GlyphIcon(buttons[i].glyph));
    button->setIconSize(QSize(18, 18));
    button->setAutoRaise(true);
    button->setToolTip(QCoreApplication::translate("TForm1", buttons[i].hint));
    if (i < 6) {
      SpeedButton[static_cast<std::size_t>(i)] = button;
    } else {
      SpeedButtonUndo = button;
    }
  }
}

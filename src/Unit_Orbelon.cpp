#include "Unit_Orbelon.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <clocale>
#include <filesystem>

#include "core/Cp1251.h"
#include "core/ScaleTables.h"
#include "ui/ButtonGlyphs.h"
#include "ui/Controls.h"
#include "ui/Interaction.h"
#include "ui/OverlayLayout.h"
#include "ui/chart/Chart.h"

using erp::ui::Guarded;

namespace {

constexpr int kSeriesCount = erp::SeriesCount;
constexpr double kBottomAxisFarMaximum = 1000000.0;  // lifts the time axis out of the way (date-time days)
constexpr double kLeftAxisFarMaximum = 10000000.0;   // lifts the value axis out of the way

QString FromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QFont BoldFont(QFont font) {
  font.setBold(true);
  return font;
}

QFont PlainFont(QFont font) {
  font.setBold(false);
  return font;
}

}  // namespace

double ReadLocalClock() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  return erp::EncodeDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec());
}

TForm1::TForm1(erp::ui::Interaction& interaction, LocalClock clock, const QStringList& arguments,
               QWidget* parent)
    : QMainWindow(parent),
      interaction_(interaction),
      clock_(std::move(clock)),
      seriesSlots_(erp::DefaultSeriesSlots()) {
  CreateControls();
  Guarded(interaction_, [&] { FormCreate(arguments); });
}

TForm1::~TForm1() = default;

void TForm1::SetWindows(QDialog* about, QDialog* format) {
  fmABOUT = about;
  fmFormat = format;
}

// ---------------------------------------------------------------------------------------------
// The window as laid out: every control with its caption, size and initial state.

void TForm1::CreateControls() {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Просмотр графиков"));
  QFont windowFont = font();
  windowFont.setPointSize(8);
  setFont(windowFont);

  auto* MainMenu1 = menuBar();
  MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
  About1 = MainMenu1->addAction(QStringLiteral("О программе"));
  About1->setObjectName(QStringLiteral("About1"));
  Options1 = MainMenu1->addMenu(QStringLiteral("Настройки"));
  Options1->setObjectName(QStringLiteral("Options1"));
  Options2 = Options1->addAction(QStringLiteral("Изменение рядов данных"));
  Options2->setObjectName(QStringLiteral("Options2"));
  connect(About1, &QAction::triggered, this, &TForm1::About1Click);
  connect(Options2, &QAction::triggered, this, &TForm1::Options2Click);

  auto* StatusBar1 = statusBar();
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setFixedHeight(19);
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->setToolTip(QStringLiteral("Панель состояния"));
  StatusBar1Text = new QLabel(QStringLiteral("  Нажмите кнопку \"Старт\""), StatusBar1);
  StatusBar1Text->setObjectName(QStringLiteral("StatusBar1Text"));
  StatusBar1->addWidget(StatusBar1Text, 1);

  // The chart fills the client area; the Start button lies over it but belongs to the window.
  ClientArea = new QWidget(this);
  ClientArea->setObjectName(QStringLiteral("ClientArea"));
  auto* fill = new QVBoxLayout(ClientArea);
  fill->setContentsMargins(0, 0, 0, 0);
  Chart_ = new erp::ui::Chart(ClientArea);
  Chart_->setObjectName(QStringLiteral("Chart"));
  fill->addWidget(Chart_);
  setCentralWidget(ClientArea);
  resize(882, 634 + menuBar()->sizeHint().height() + 19);

  BitBtnStart = new QPushButton(QStringLiteral("Старт"), ClientArea);
  BitBtnStart->setObjectName(QStringLiteral("BitBtnStart"));
  BitBtnStart->setGeometry(301, 40, 62, 23);
  BitBtnStart->setFont(BoldFont(BitBtnStart->font()));
  BitBtnStart->setStyleSheet(QStringLiteral("color: #008000;"));
  BitBtnStart->setEnabled(false);
  BitBtnStart->raise();

  // The chart's look, as laid out: the left axis until the first rescale.
  auto& left = Chart_->LeftAxis();
  left.SetMaximum(kLeftAxisFarMaximum);
  left.SetMinimum(-0.0015);
  left.SetMaximum(0.0085);
  left.SetIncrement(0.001);
  left.SetMinorTickCount(9);

  // Controls laid on the chart, in this order: the series checkboxes, then the three group boxes.
  for (int i = 1; i <= kSeriesCount; ++i) {
    auto* box = new QCheckBox(Chart_);
    box->setObjectName(QStringLiteral("CheckBox%1").arg(i));
    erp::ui::SetTag(box, i);
    box->setFixedSize(17, 17);
    box->setCursor(Qt::PointingHandCursor);
    box->setChecked(true);
    box->setEnabled(false);
    CheckBox[static_cast<std::size_t>(i - 1)] = box;
  }
  CreateScaleGroup();
  CreateViewGroup();
  CreateNavigationGroup();

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(70);
  Timer2 = new QTimer(this);
  Timer2->setObjectName(QStringLiteral("Timer2"));
  Timer2->setInterval(210);
  Timer3 = new QTimer(this);
  Timer3->setObjectName(QStringLiteral("Timer3"));
  Timer3->setInterval(100);
  connect(Timer3, &QTimer::timeout, this, &TForm1::Timer3Timer);
  Timer1->start();
  Timer2->start();
  Timer3->start();

  Chart_->SetOnAfterDraw([this] { Guarded(interaction_, [this] { ChartAfterDraw(); }); });
}

void TForm1::CreateScaleGroup() {
  GroupBoxScales = new QGroupBox(QStringLiteral("Масштабы UT"), Chart_);
  GroupBoxScales->setObjectName(QStringLiteral("GroupBoxScales"));
  erp::ui::SetTag(GroupBoxScales, 1);
  GroupBoxScales->resize(97, 127);
  GroupBoxScales->setFont(BoldFont(font()));
  GroupBoxScales->setEnabled(false);
  const QFont plain = PlainFont(font());

  ComboBoxScaleY = new QComboBox(GroupBoxScales);
  ComboBoxScaleY->setObjectName(QStringLiteral("ComboBoxScaleY"));
  ComboBoxScaleY->setFont(plain);
  for (std::string_view label : erp::InitialScaleLabels) ComboBoxScaleY->addItem(FromView(label));
  ComboBoxScaleY->setGeometry(5, 29, 85, ComboBoxScaleY->sizeHint().height());
  ComboBoxScaleY->setCurrentIndex(0);
  ComboBoxScaleY->setCursor(Qt::PointingHandCursor);

  StaticText5 = new QLabel(QStringLiteral("Grid density:"), GroupBoxScales);
  StaticText5->setObjectName(QStringLiteral("StaticText5"));
  StaticText5->setFont(plain);
  StaticText5->move(7, 64);
  StaticText5->adjustSize();
  StaticText5->setToolTip(QStringLiteral("Колич-во клеток сетки по вертикали"));

  ComboBoxGrid = new QComboBox(GroupBoxScales);
  ComboBoxGrid->setObjectName(QStringLiteral("ComboBoxGrid"));
  ComboBoxGrid->setFont(plain);
  ComboBoxGrid->setEditable(true);
  ComboBoxGrid->setInsertPolicy(QComboBox::NoInsert);
  for (std::string_view label : erp::GridDensityLabels) ComboBoxGrid->addItem(FromView(label));
  ComboBoxGrid->setGeometry(8, 88, 49, ComboBoxGrid->sizeHint().height());
  ComboBoxGrid->setCurrentIndex(0);

  // Below the box's visible height: they carry state only.
  StaticText3 = new QLabel(QStringLiteral("Текущий:"), GroupBoxScales);
  StaticText3->setObjectName(QStringLiteral("StaticText3"));
  StaticText3->setFont(plain);
  StaticText3->move(3, 187);
  EditScale = new QLineEdit(QStringLiteral("EditScale"), GroupBoxScales);
  EditScale->setObjectName(QStringLiteral("EditScale"));
  EditScale->setFont(plain);
  EditScale->setReadOnly(true);
  EditScale->move(3, 207);
  CheckBoxChoise = new QCheckBox(QStringLiteral("Выбрать:"), GroupBoxScales);
  CheckBoxChoise->setObjectName(QStringLiteral("CheckBoxChoise"));
  CheckBoxChoise->setFont(plain);
  CheckBoxChoise->setLayoutDirection(Qt::RightToLeft);  // caption left of the box
  CheckBoxChoise->move(6, 242);
  CheckBoxChoise->setChecked(true);
}

void TForm1::CreateViewGroup() {
  GroupBox2 = new QGroupBox(Chart_);
  GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
  erp::ui::SetTag(GroupBox2, 2);
  GroupBox2->setGeometry(48, 0, 745, 57);
  GroupBox2->setEnabled(false);

  const auto makeGroup = [this](const char* name, const QString& caption, const QStringList& items,
                                QRect geometry) {
    auto* group = new erp::ui::RadioGroup(caption, items, static_cast<int>(items.size()), GroupBox2);
    group->setObjectName(QString::fromLatin1(name));
    group->setGeometry(geometry);
    group->setFont(BoldFont(font()));
    for (QWidget* button : group->findChildren<QWidget*>()) button->setFont(PlainFont(font()));
    group->setCursor(Qt::PointingHandCursor);
    group->SetItemIndex(0);
    return group;
  };
  RadioGroupPVZ = makeGroup("RadioGroupPVZ", QStringLiteral("ПВЗ:"),
                            {QStringLiteral("UT1       "), QStringLiteral("UT1R    "), QStringLiteral("Xp   "),
                             QStringLiteral("Yp   ")},
                            QRect(8, 10, 241, 41));
  RadioGroupInterval = makeGroup("RadioGroupInterval", QStringLiteral("Интервал:"),
                                 {QStringLiteral("Месяц"), QStringLiteral("Год")}, QRect(253, 10, 133, 41));
  RadioGroupTrend = makeGroup("RadioGroupTrend", QStringLiteral("Тренд:"),
                              {QStringLiteral("Нет"), QStringLiteral("Есть")}, QRect(389, 10, 129, 41));

  GroupBox3 = new QGroupBox(QStringLiteral("Визиры:"), GroupBox2);
  GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
  GroupBox3->setGeometry(521, 10, 205, 41);
  GroupBox3->setFont(BoldFont(font()));
  const QFont plain = PlainFont(font());
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

void TForm1::CreateNavigationGroup() {
  GroupBox1 = new QGroupBox(Chart_);
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
      {"SpeedButton1", 1, erp::ui::Glyph::Left, "Сдвиг по времени назад"},
      {"SpeedButton2", 2, erp::ui::Glyph::Right, "Сдвиг по времени вперед"},
      {"SpeedButton3", 3, erp::ui::Glyph::Up, "Сдвиг вверх"},
      {"SpeedButton4", 4, erp::ui::Glyph::Down, "Сдвиг вниз"},
      {"SpeedButton5", 5, erp::ui::Glyph::Apart, "Растянуть по вертикали"},
      {"SpeedButton6", 6, erp::ui::Glyph::Together, "Сжать по вертикали"},
      {"SpeedButtonUndo", 0, erp::ui::Glyph::Back, "Возврат к текущей дате"},
  };
  for (int i = 0; i < 7; ++i) {
    auto* button = new QToolButton(GroupBox1);
    button->setObjectName(QString::fromLatin1(buttons[i].name));
    erp::ui::SetTag(button, buttons[i].tag);
    button->setGeometry(6 + 30 * i, 9, 27, 27);
    button->setIcon(erp::ui::GlyphIcon(buttons[i].glyph));
    button->setIconSize(QSize(18, 18));
    button->setAutoRaise(true);
    button->setToolTip(QString::fromUtf8(buttons[i].hint));
    if (i < 6) {
      SpeedButton[static_cast<std::size_t>(i)] = button;
    } else {
      SpeedButtonUndo = button;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Start-up and closing

void TForm1::FormCreate(const QStringList& arguments) {
  setWindowState(windowState() | Qt::WindowMaximized);

  // Number conversions use "." whatever the desktop's regional settings; the core's conversions
  // do so anyway, this covers anything that goes through the C library.
  std::setlocale(LC_NUMERIC, "C");

  timeBase_ = erp::InitTimeBase(clock_());

  auto& bottom = Chart_->BottomAxis();
  bottom.SetAutomatic(false);
  bottom.SetLabels(true);
  bottom.SetLabelsMultiLine(true);
  bottom.SetIncrement(7);
  bottom.SetMinorTickCount(6);
  bottom.SetMaximum(kBottomAxisFarMaximum);
  bottom.SetMinimum(timeBase_.AxisStartMJD + timeBase_.DateTimeOffset);
  bottom.SetMaximum(timeBase_.AxisEndMJD + timeBase_.DateTimeOffset);
  bottom.SetDateTimeFormat(QStringLiteral("mmm/dd yyyy"));

  BitBtnStart->setEnabled(true);
  Chart_->LeftAxis().SetAutomatic(false);

  const int k = ComboBoxScaleY->currentIndex();
  if (k >= 0 && k < erp::ScaleCount) EditScale->setText(FromView(erp::ScaleLabelsUT[static_cast<std::size_t>(k)]));

  erp::LoadScaleMemory(scaleMemory_);
  ComboBoxScaleY->setCurrentIndex(scaleMemory_[1]);  // by code: no change handler; outside 0..4 selects nothing

  if (erp::FileExists(erp::SeriesConfigFileName)) {
    erp::ReadSeriesConfig([this](int slot, const erp::SeriesConfig& row) { ApplySeriesConfig(slot, row); });
  }

  if (arguments.size() > 1 && arguments[1] == QLatin1String("-a")) {
    view_.AutoStartPending = true;
    view_.ExportStart = true;
  }
}

void TForm1::ApplySeriesConfig(int slot, const erp::SeriesConfig& row) {
  erp::ui::ChartSeries& series = Chart_->SeriesList(slot - 1);
  const erp::SeriesLook look = erp::LookOfSeries(row);
  series.SetSeriesColor(erp::ui::ColorListColor(look.Color.value_or(-1)));
  switch (look.Symbol) {
    case erp::SymbolChange::None: break;
    case erp::SymbolChange::HideMarkers: series.Pointer().SetVisible(false); break;
    case erp::SymbolChange::Squares:
      series.Pointer().SetStyle(erp::ui::PointerStyle::Rectangle);
      series.LinePen().SetVisible(false);
      break;
    case erp::SymbolChange::Circles:
      series.Pointer().SetStyle(erp::ui::PointerStyle::Circle);
      series.LinePen().SetVisible(false);
      break;
    case erp::SymbolChange::Triangles:
      series.Pointer().SetStyle(erp::ui::PointerStyle::Triangle);
      series.LinePen().SetVisible(false);
      break;
  }
  series.SetTitle(QString::fromStdString(erp::Cp1251ToUtf8(row.Title)));
  erp::ApplySeriesSlots(seriesSlots_, slot, row);
}

void TForm1::closeEvent(QCloseEvent* event) {
  const bool wasRunning = view_.Running;
  view_.Running = false;
  bool saved = false;
  Guarded(interaction_, [&] {
    erp::SaveScaleMemory(scaleMemory_);
    saved = true;
  });
  if (!saved) {
    // The remembered scales could not be written: the window stays and the loop goes on.
    view_.Running = wasRunning;
    event->ignore();
    return;
  }
  event->accept();
  QCoreApplication::quit();
}

void TForm1::Timer3Timer() {
  Guarded(interaction_, [this] {
    if (!view_.AutoStartPending) return;
    view_.AutoStartPending = false;
    BitBtnStart->click();
  });
}

// ---------------------------------------------------------------------------------------------
// Menu

void TForm1::About1Click() {
  Guarded(interaction_, [this] {
    if (fmABOUT) interaction_.ShowModal(*fmABOUT);
  });
}

void TForm1::Options2Click() {
  Guarded(interaction_, [this] {
    if (fmFormat) interaction_.ShowModal(*fmFormat);
  });
}

// ---------------------------------------------------------------------------------------------
// After every drawing of the chart

void TForm1::ChartAfterDraw() {
  // 1. Later drawings start the time axis at the first point, so the markers fit.
  Chart_->BottomAxis().SetAutomaticMinimum(true);
  // 2. The scale readout into EditScale comes here with the crosshair work.
  // 3. The overlay controls follow the legend rows and the plot edges.
  erp::ui::LayoutOverlay(Chart_->OverlayControls(), Chart_->Legend().GetRectLegend().ToQRect(),
                         Chart_->ChartRect().ToQRect(), Chart_->height(), CheckBox[0]);
  // 4. The crosshair is redrawn here with the crosshair work.
}

// ---------------------------------------------------------------------------------------------

QString TForm1::StatusText() const { return StatusBar1Text->text(); }

void TForm1::SetStatusText(const QString& text) { StatusBar1Text->setText(text); }

QCheckBox* TForm1::SeriesCheckBox(int slot) const {
  return Chart_->findChild<QCheckBox*>(QStringLiteral("CheckBox%1").arg(slot), Qt::FindDirectChildrenOnly);
}

#include "StatsWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "core/FileIo.h"
#include "ui/Language.h"

TfmStats::TfmStats(erp::ui::Interaction& interaction, QWidget* parent)
    : QDialog(parent), interaction_(interaction), plot_(std::make_unique<erp::PlotArrays>()) {
  setObjectName(QStringLiteral("fmStats"));
  setWindowTitle(tr("Статистика рядов"));
  setModal(false);
  // An ordinary window of its own beside the chart, not a dialog held above it.
  setWindowFlags(Qt::Window);
  plot_->SeriesEmpty.Fill(true);

  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(tr("Опорный ряд:"), this));
  ComboBoxReference = new QComboBox(this);
  ComboBoxReference->setObjectName(QStringLiteral("ComboBoxReference"));
  for (int slot = 1; slot <= erp::SeriesCount; ++slot) ComboBoxReference->addItem(QString::number(slot));
  top->addWidget(ComboBoxReference);
  top->addStretch();
  layout->addLayout(top);

  TableStats = new QTableWidget(0, erp::StatisticsColumns, this);
  TableStats->setObjectName(QStringLiteral("TableStats"));
  TableStats->setEditTriggers(QAbstractItemView::NoEditTriggers);
  TableStats->verticalHeader()->hide();
  layout->addWidget(TableStats);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  ButtonCopy = new QPushButton(tr("Копировать"), this);
  ButtonCopy->setObjectName(QStringLiteral("ButtonCopy"));
  ButtonSave = new QPushButton(tr("Сохранить…"), this);
  ButtonSave->setObjectName(QStringLiteral("ButtonSave"));
  ButtonCopy->setAutoDefault(false);
  ButtonSave->setAutoDefault(false);
  buttons->addWidget(ButtonCopy);
  buttons->addWidget(ButtonSave);
  layout->addLayout(buttons);
  resize(820, 360);

  chooseSaveFile_ = [this]() -> std::optional<QString> {
    const QString name = QFileDialog::getSaveFileName(this, tr("Сохранить статистику"), QString(),
                                                      QStringLiteral("CSV (*.csv)"));
    if (name.isEmpty()) return std::nullopt;
    return name;
  };

  const auto guard = [this](void (TfmStats::*method)()) {
    return [this, method] { erp::ui::Guarded(interaction_, [this, method] { (this->*method)(); }); };
  };
  connect(ComboBoxReference, &QComboBox::activated, this, guard(&TfmStats::ComboBoxReferenceChange));
  connect(ButtonCopy, &QPushButton::clicked, this, guard(&TfmStats::ButtonCopyClick));
  connect(ButtonSave, &QPushButton::clicked, this, guard(&TfmStats::ButtonSaveClick));
  Recompute();
}

TfmStats::~TfmStats() = default;

void TfmStats::ShowPass(const erp::PlotArrays& plot, const erp::SlotArray<bool, erp::SeriesCount>& drawn,
                        int parameter, const erp::SlotArray<std::string, erp::SeriesCount>& titles,
                        bool differences) {
  *plot_ = plot;
  differences_ = differences;
  drawn_ = drawn;
  parameter_ = parameter;
  titles_ = titles;
  for (int slot = 1; slot <= erp::SeriesCount; ++slot) {
    const QString title = QString::fromStdString(titles[slot]);
    ComboBoxReference->setItemText(slot - 1, title.isEmpty() ? QString::number(slot)
                                                             : QStringLiteral("%1  %2").arg(slot).arg(title));
  }
  Recompute();
}

int TfmStats::ReferenceSlot() const { return ComboBoxReference->currentIndex() + 1; }

std::string TfmStats::TableText(char separator) const { return erp::SeriesStatisticsText(table_, titles_, separator); }

void TfmStats::Recompute() {
  table_ = erp::ComputeSeriesStatistics(*plot_, drawn_, parameter_, ReferenceSlot(), differences_);
  const auto header = erp::SeriesStatisticsHeader(parameter_);
  QStringList labels;
  // "Среднее (мс)": the word and the unit in the window's language.
  for (const std::string& h : header) {
    const std::size_t unit = h.find(" (");
    labels << erp::ui::CoreText(std::string_view(h).substr(0, unit)) +
                  (unit == std::string::npos ? QString() : erp::ui::WithUnits(QString::fromStdString(h.substr(unit))));
  }
  // The differences are taken against the reference's points also while its series is hidden on
  // the chart: the header says so, instead of comparing against an invisible series silently.
  if (parameter_ != 0 && !drawn_[ReferenceSlot()]) {
    labels[0] += tr(" (опорный ряд %1 скрыт)").arg(ReferenceSlot());
  }
  TableStats->setHorizontalHeaderLabels(labels);
  TableStats->setRowCount(table_.RowCount);
  for (int i = 0; i < table_.RowCount; ++i) {
    const erp::SeriesStatisticsRow& row = table_.Rows[static_cast<std::size_t>(i)];
    const auto fields = erp::SeriesStatisticsFields(row, titles_[row.Slot]);
    for (int c = 0; c < erp::StatisticsColumns; ++c) {
      auto* item = new QTableWidgetItem(QString::fromStdString(fields[static_cast<std::size_t>(c)]));
      if (c > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      TableStats->setItem(i, c, item);
    }
  }
  TableStats->resizeColumnsToContents();
}

void TfmStats::ComboBoxReferenceChange() { Recompute(); }

void TfmStats::ButtonCopyClick() { QApplication::clipboard()->setText(QString::fromStdString(TableText('\t'))); }

void TfmStats::ButtonSaveClick() {
  std::optional<QString> name = chooseSaveFile_();
  if (!name) return;
  // A name typed without an extension gets ".csv", as the file type chosen says.
  if (QFileInfo(*name).suffix().isEmpty()) *name += QStringLiteral(".csv");
  erp::WriteFileReplacing(QFile::encodeName(*name).toStdString(), TableText(','));
}

void TfmStats::PlaceBeside(const QWidget& window) {
  const QScreen* screen = window.screen();
  if (screen == nullptr) return;
  const QRect available = screen->availableGeometry();
  const QRect main = window.frameGeometry();
  // The desktop's title bar and borders, as the main window has them (this one has none before
  // it is first shown).
  const QSize frame = main.size() - window.geometry().size();
  resize(size().boundedTo(available.size() - frame));
  const QSize own = size() + frame;
  // Right of the main window, else left of it, else over its right edge (the legend's side),
  // within the screen.
  int x = main.right() + 1;
  if (x + own.width() > available.right() + 1) x = main.left() - own.width();
  if (x < available.left()) x = available.right() + 1 - own.width();
  const int y = std::clamp(main.top(), available.top(), std::max(available.top(), available.bottom() + 1 - own.height()));
  move(std::max(x, available.left()), y);
}

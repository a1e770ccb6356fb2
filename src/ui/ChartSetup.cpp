#include "ui/ChartSetup.h"

#include "core/Cp1251.h"
#include "ui/AxisRange.h"
#include "ui/Controls.h"

namespace erp::ui {

void SetUpChartAxes(Chart& chart, const TimeBase& timeBase) {
  ChartAxis& bottom = chart.BottomAxis();
  bottom.SetAutomatic(false);
  bottom.SetLabels(true);
  bottom.SetLabelsMultiLine(true);
  bottom.SetIncrement(7);
  bottom.SetMinorTickCount(6);
  SetAxisRange(bottom, BottomAxisFarMaximum, timeBase.AxisStartMJD + timeBase.DateTimeOffset,
               timeBase.AxisEndMJD + timeBase.DateTimeOffset);
  bottom.SetDateTimeFormat(QStringLiteral("mmm/dd yyyy"));
  chart.LeftAxis().SetAutomatic(false);
}

void ApplySeriesLook(ChartSeries& series, const SeriesConfig& row) {
  const SeriesLook look = LookOfSeries(row);
  series.SetSeriesColor(ColorListColor(look.Color.value_or(-1)));
  switch (look.Symbol) {
    case SymbolChange::None: break;
    case SymbolChange::HideMarkers: series.Pointer().SetVisible(false); break;
    case SymbolChange::Squares:
      series.Pointer().SetStyle(PointerStyle::Rectangle);
      series.LinePen().SetVisible(false);
      break;
    case SymbolChange::Circles:
      series.Pointer().SetStyle(PointerStyle::Circle);
      series.LinePen().SetVisible(false);
      break;
    case SymbolChange::Triangles:
      series.Pointer().SetStyle(PointerStyle::Triangle);
      series.LinePen().SetVisible(false);
      break;
  }
  series.SetTitle(QString::fromStdString(Cp1251ToUtf8(row.Title)));
}

}  // namespace erp::ui

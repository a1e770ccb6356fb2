#include "ui/chart/ChartModel.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace erp::ui {

namespace {

// Sets `field` to `value`; true when that changed it.
template <class T>
bool Assign(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// AxisModel

AxisModel::AxisModel(const Look& look, double minimum, double maximum, double increment, int minorTickCount)
    : look_(look), minimum_(minimum), maximum_(maximum), increment_(increment), minorTickCount_(minorTickCount) {}

bool AxisModel::SetMinimum(double value) {
  if (value > maximum_) throw std::runtime_error("Axis Minimum Value must be <= Maximum");
  return Assign(minimum_, value);
}

bool AxisModel::SetMaximum(double value) {
  if (value < minimum_) throw std::runtime_error("Axis Maximum Value must be >= Minimum");
  return Assign(maximum_, value);
}

bool AxisModel::SetIncrement(double value) {
  if (value < 0.0) throw std::runtime_error("Axis Increment must be >= 0");
  return Assign(increment_, value);
}

bool AxisModel::SetMinorTickCount(int count) { return Assign(minorTickCount_, std::max(0, count)); }

bool AxisModel::SetAutomatic(bool value) {
  const bool automatic = Assign(automatic_, value);
  const bool minimum = Assign(automaticMinimum_, value);
  const bool maximum = Assign(automaticMaximum_, value);
  return automatic || minimum || maximum;
}

bool AxisModel::SetAutomaticMinimum(bool value) { return Assign(automaticMinimum_, value); }
bool AxisModel::SetAutomaticMaximum(bool value) { return Assign(automaticMaximum_, value); }
bool AxisModel::SetLabels(bool value) { return Assign(labels_, value); }
bool AxisModel::SetLabelsMultiLine(bool value) { return Assign(labelsMultiLine_, value); }
bool AxisModel::SetDateTimeFormat(const QString& format) { return Assign(dateTimeFormat_, format); }

void AxisModel::SetDrawnRange(double minimum, double maximum) {
  minimum_ = drawnMinimum_ = minimum;
  maximum_ = drawnMaximum_ = maximum;
}

// ---------------------------------------------------------------------------------------------
// SeriesModel

bool SeriesModel::Clear() {
  if (points_.empty()) return false;
  points_.clear();
  minY_ = maxY_ = 0.0;
  pointsChanged_ = true;
  return true;
}

bool SeriesModel::Add(double x, double y) {
  const Point point{x, y};
  if (points_.empty()) {
    minY_ = maxY_ = y;
  } else {
    minY_ = std::min(minY_, y);
    maxY_ = std::max(maxY_, y);
  }
  if (points_.empty() || !(x < points_.back().x)) {
    points_.push_back(point);
  } else {
    const auto at = std::upper_bound(points_.begin(), points_.end(), x,
                                     [](double key, const Point& p) { return key < p.x; });
    points_.insert(at, point);
  }
  pointsChanged_ = true;
  return true;
}

bool SeriesModel::SetColor(const QColor& color) { return Assign(color_, color); }
bool SeriesModel::SetTitle(const QString& title) { return Assign(title_, title); }
bool SeriesModel::SetPointer(PointerStyle style) { return Assign(pointerStyle_, style); }
bool SeriesModel::SetPointerVisible(bool value) { return Assign(pointerVisible_, value); }
bool SeriesModel::SetLineVisible(bool value) { return Assign(lineVisible_, value); }

bool SeriesModel::TakePointsChanged() { return std::exchange(pointsChanged_, false); }

// ---------------------------------------------------------------------------------------------
// CanvasModel

void CanvasModel::SetPenWidth(int width) { penWidth_ = std::max(1, width); }

}  // namespace erp::ui

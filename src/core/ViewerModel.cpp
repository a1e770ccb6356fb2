#include "core/ViewerModel.h"

#include <stdexcept>

#include "core/FileIo.h"

namespace erp {

ViewerModel::ViewerModel(double localNow) : time_(InitTimeBase(localNow)) {}

std::vector<int> ViewerModel::ReadScaleMemoryKeepingDefaults() { return LoadScaleMemoryKeepingDefaults(scales_); }

void ViewerModel::ReadScaleMemoryIfPresent() {
  try {
    if (FileExists(ScaleMemoryFileName)) LoadScaleMemory(scales_);
  } catch (const std::exception& e) {
    throw PlacedError(e.what(), ScaleMemoryFileName, 0);
  }
}

bool ViewerModel::ReadSeriesConfig(const std::function<void(int slot, const SeriesConfig& row)>& look) {
  bool present = false;
  try {
    present = FileExists(SeriesConfigFileName);
  } catch (const std::exception& e) {
    throw PlacedError(e.what(), SeriesConfigFileName, 0);
  }
  if (!present) return false;
  erp::ReadSeriesConfig([&](int slot, const SeriesConfig& row) {
    look(slot, row);
    ApplySeriesSlots(slots_, slot, row);
  });
  return true;
}

void ViewerModel::AdoptStore(std::unique_ptr<ObservationStore> store) {
  if (!store_) store_ = std::move(store);
}

LoadOutcome ViewerModel::LoadInto(ObservationStore& store, const LoadProgress& progress,
                                  const std::optional<std::string>& dataDirectory, ThreadStart secondThread) {
  if (dataDirectory) store.DataDirectory = *dataDirectory;
  const DayCorrections* ahead = dayCorrections_ ? &*dayCorrections_ : nullptr;
  return LoadObservations(time_.BaseMJD, slots_, store, progress, ahead, secondThread);
}

LoadOutcome ViewerModel::Load(const LoadProgress& progress, const std::optional<std::string>& dataDirectory,
                              ThreadStart secondThread) {
  if (!store_) store_ = std::make_unique<ObservationStore>();
  view_.SeriesVisible.Fill(false);
  const LoadOutcome outcome = LoadInto(*store_, progress, dataDirectory, secondThread);
  if (outcome == LoadOutcome::Loaded) {
    view_.RescaleOnChange = true;
    view_.TimeShiftDays = 0.0;
  }
  return outcome;
}

LoadOutcome ViewerModel::Reload(const LoadProgress& progress, const std::optional<std::string>& dataDirectory) {
  auto store = std::make_unique<ObservationStore>();
  store->DataDirectory = store_ ? store_->DataDirectory : std::string();
  const LoadOutcome outcome = LoadInto(*store, progress, dataDirectory, ThreadStart::Elsewhere);
  if (outcome == LoadOutcome::Loaded) {
    store_ = std::move(store);
    view_.RecomputeRequested = true;
  }
  return outcome;
}

const RefreshResult& ViewerModel::Refresh(const ViewControls& controls) {
  if (!store_) throw std::logic_error("a refresh pass before the data are loaded");
  if (!plot_) plot_ = std::make_unique<PlotArrays>();
  lastRefresh_ = RefreshPass(time_, *store_, view_, controls, *plot_);
  lastDifferences_ = controls.Differences.has_value();
  ++refreshCount_;
  return lastRefresh_;
}

SeriesStatisticsTable ViewerModel::Statistics(int referenceSlot) const {
  if (!plot_) throw std::logic_error("statistics before a refresh pass");
  SlotArray<bool, SeriesCount> drawn{};
  if (lastRefresh_.Exit == RefreshExit::Drawn) drawn = lastRefresh_.SeriesDrawn;
  return ComputeSeriesStatistics(*plot_, drawn, view_.SelectedParameter, referenceSlot, lastDifferences_);
}

std::vector<ReadFile> ViewerModel::FilesRead() const {
  return ViewerFilesRead(slots_, store_ ? store_->DataDirectory : std::string());
}

}  // namespace erp

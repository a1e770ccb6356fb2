// The viewer without a window: the state of one run and its flow. The window, the batch export
// and any later page run the same steps on it:
//   1. the time base of the moment the run starts (the constructor);
//   2. the settings: the remembered scales of scale.ini, what the differences view remembers
//      (differences.ini), the slots of series.ini;
//   3. a loading pass over the data files into the store;
//   4. refresh passes, one for each view asked for: the display window, the extraction into the
//      plot arrays, alignment and trend, in the differences view every series minus the reference,
//      and the vertical scale;
//   5. the statistics of the last pass.
// The model asks nobody anything and shows nothing: what a step needs from a person (a data folder
// where none was found) or shows (the loading statuses, the drawn points) goes through its return
// values and its parts, which the caller maps onto its controls or files.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/DifferenceSettings.h"
#include "core/ObservationStore.h"
#include "core/OutputFiles.h"
#include "core/PlotArrays.h"
#include "core/RefreshPass.h"
#include "core/ScaleMemory.h"
#include "core/SeriesConfig.h"
#include "core/SeriesStatistics.h"
#include "core/TimeBase.h"
#include "core/ViewState.h"

namespace erp {

class ViewerModel {
 public:
  // The run's time base for the local date-time `localNow` (days from 30 December 1899).
  explicit ViewerModel(double localNow);

  // --- Settings ------------------------------------------------------------------------------

  // scale.ini as the window reads it: created empty when missing; an entry that is no number
  // keeps 0 and the numbers of such lines are returned. Throws the system's message.
  std::vector<int> ReadScaleMemoryKeepingDefaults();
  // scale.ini as the batch export reads it: only when present (never created); the first entry
  // that is no number fails. Throws PlacedError naming scale.ini (line 0).
  void ReadScaleMemoryIfPresent();
  // differences.ini, when present: what the differences view remembers; the lines that are no
  // entry (their defaults kept) are returned. Throws the system's message.
  std::vector<int> ReadDifferenceSettings() { return LoadDifferenceSettings(differences_); }
  // series.ini, when present: each row goes into the slots, and to `look` (the legend's colour,
  // symbol and title) as soon as it is read. False when there is no series.ini. Throws
  // PlacedError with the row that failed; the rows before it are applied.
  bool ReadSeriesConfig(const std::function<void(int slot, const SeriesConfig& row)>& look);

  // --- Loading -------------------------------------------------------------------------------

  // The UT1 corrections of the window's days, worked out ahead of the first pass (elsewhere);
  // and a store made ahead of it, taken unless the model has one.
  void UseDayCorrections(DayCorrections corrections) { dayCorrections_.emplace(corrections); }
  void AdoptStore(std::unique_ptr<ObservationStore> store);

  // The first loading pass of the run, into the store, from `dataDirectory` when given (a folder
  // the operator chose, see DataDirectoryOf): no series counts as visible until the next refresh
  // pass, and once the data are in, the next pass rescales and the window stands on the current
  // weeks. NoDataFiles when no data file is found (nothing else changes but the data folder).
  // Throws PlacedError as LoadObservations does; what was read stays.
  LoadOutcome Load(const LoadProgress& progress, const std::optional<std::string>& dataDirectory = std::nullopt,
                   ThreadStart secondThread = ThreadStart::Elsewhere);
  // The data files read again (new records), into a store of their own that takes the place of
  // the old one only when the pass loads: a failure, or no data file, keeps the data as they are.
  // The view stays as it is; a refresh pass is asked for.
  LoadOutcome Reload(const LoadProgress& progress, const std::optional<std::string>& dataDirectory = std::nullopt);

  // --- Refresh and statistics ------------------------------------------------------------------

  // One refresh pass with the controls as they stand (see RefreshPass). Needs a loaded store.
  const RefreshResult& Refresh(const ViewControls& controls);
  // The comparison of the series drawn by the last refresh pass with `referenceSlot` (in the
  // differences view, the differences drawn, which are from the view's reference).
  SeriesStatisticsTable Statistics(int referenceSlot) const;

  // The files the viewer reads, which nothing it writes may replace (see CheckOutputs).
  std::vector<ReadFile> FilesRead() const;

  // --- Parts ---------------------------------------------------------------------------------

  const TimeBase& Time() const { return time_; }
  SeriesSlots& Slots() { return slots_; }
  const SeriesSlots& Slots() const { return slots_; }
  ScaleMemory& Scales() { return scales_; }
  DifferenceSettings& Differences() { return differences_; }
  const DifferenceSettings& Differences() const { return differences_; }
  const ScaleMemory& Scales() const { return scales_; }
  ViewState& View() { return view_; }
  const ViewState& View() const { return view_; }
  // The store and the plot arrays are made by the first pass that needs them (600 kB and more
  // that a window start does not touch); null before.
  ObservationStore* Store() { return store_.get(); }
  const ObservationStore* Store() const { return store_.get(); }
  const PlotArrays* Plot() const { return plot_.get(); }
  const RefreshResult& LastRefresh() const { return lastRefresh_; }
  int RefreshCount() const { return refreshCount_; }
  bool LastPassDifferences() const { return lastDifferences_; }  // the last pass drew the differences view

 private:
  LoadOutcome LoadInto(ObservationStore& store, const LoadProgress& progress,
                       const std::optional<std::string>& dataDirectory, ThreadStart secondThread);

  TimeBase time_;
  SeriesSlots slots_ = DefaultSeriesSlots();
  ScaleMemory scales_{};
  DifferenceSettings differences_;
  ViewState view_;
  std::unique_ptr<ObservationStore> store_;
  std::unique_ptr<PlotArrays> plot_;
  std::optional<DayCorrections> dayCorrections_;
  RefreshResult lastRefresh_;
  bool lastDifferences_ = false;  // the last refresh pass drew the differences view
  int refreshCount_ = 0;
};

}  // namespace erp

// The viewer's flow on the model alone, in a working folder: settings, the first loading pass,
// refresh passes and statistics, and a reload that replaces the data only when it loads.
#include "core/ViewerModel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "SettingsTestSupport.h"
#include "core/FileIo.h"

namespace erp {
namespace {

using testing::TempDir;
using testing::WriteBytes;
namespace fs = std::filesystem;

const double kMonday = EncodeDateTime(2013, 8, 5, 10, 0, 0, 0);  // MJD 56509, week of 5 August 2013

// The working folder of a test, for its lifetime.
class WorkingFolder {
 public:
  explicit WorkingFolder(const fs::path& folder) : before_(fs::current_path()) { fs::current_path(folder); }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;
  ~WorkingFolder() { fs::current_path(before_); }

 private:
  fs::path before_;
};

// Daily records "MJD UT1 Xp Yp" from MJD 56480 to `last`, with Xp = 0.1 + offset.
std::string Daily(double offset, int last = 56509) {
  std::string text;
  for (int mjd = 56480; mjd <= last; ++mjd) text += std::to_string(mjd) + " 0.1 " + std::to_string(0.1 + offset) + " 0.3\r\n";
  return text;
}

ViewControls Xp() {
  ViewControls controls;
  controls.ParameterIndex = 2;
  controls.SeriesChecked.Fill(true);
  return controls;
}

TEST(ViewerModel, RunsTheViewersFlowInItsWorkingFolder) {
  TempDir dir;
  const WorkingFolder in(dir.path());
  WriteBytes("series.ini", "9 1 Alpha a.dat j_u_xp_yp\r\n12 2 Beta b.dat j_u_xp_yp\r\n");
  WriteBytes("scale.ini", "2\r\n");
  WriteBytes("a.dat", Daily(0.0));
  WriteBytes("b.dat", Daily(0.001));

  ViewerModel model(kMonday);
  EXPECT_TRUE(model.ReadScaleMemoryKeepingDefaults().empty());
  EXPECT_EQ(model.Scales()[1], 2);
  std::vector<std::string> titles;
  ASSERT_TRUE(model.ReadSeriesConfig([&](int, const SeriesConfig& row) { titles.push_back(row.Title); }));
  EXPECT_EQ(titles.size(), 15U);
  EXPECT_EQ(titles[1], "Beta");
  EXPECT_EQ(model.Slots().SeriesFileName[2], "b.dat");
  EXPECT_EQ(model.Slots().SeriesFileName[3], "");  // rows without a file name no longer take the defaults

  std::vector<std::string> statuses;
  const auto progress = [&](const LoadStatus& s) {
    statuses.push_back(s.Now == LoadStatus::Step::Ready ? "ready" : s.Path);
  };
  ASSERT_EQ(model.Load(progress), LoadOutcome::Loaded);
  EXPECT_EQ(statuses, (std::vector<std::string>{"a.dat", "b.dat", "ready"}));
  EXPECT_TRUE(model.View().RescaleOnChange);

  const RefreshResult& result = model.Refresh(Xp());
  ASSERT_EQ(result.Exit, RefreshExit::Drawn);
  EXPECT_EQ(model.RefreshCount(), 1);
  EXPECT_EQ(model.Plot()->PlotCount[2], 29);  // the four weeks, both bounding Mondays
  const SeriesStatisticsTable table = model.Statistics(1);
  ASSERT_EQ(table.RowCount, 2);
  EXPECT_NEAR(*table.Rows[1].Mean, 1.0, 1e-9);  // Beta lies 1 mas above Alpha

  // A reload that fails (or finds no file) keeps the data shown; one that loads takes the new
  // records and asks for a refresh pass, the view as it was.
  WriteBytes("b.dat", "56480 x 0.1 0.3\r\n");
  EXPECT_THROW(model.Reload({}), PlacedError);
  EXPECT_EQ(model.Store()->At(30, 2, StoreParameter::EpochMJD), 56509.0);
  WriteBytes("b.dat", Daily(0.002, 56510));
  model.View().RecomputeRequested = false;
  model.View().TimeShiftDays = -7.0;
  ASSERT_EQ(model.Reload({}), LoadOutcome::Loaded);
  EXPECT_EQ(model.Store()->At(31, 2, StoreParameter::EpochMJD), 56510.0);
  EXPECT_TRUE(model.View().RecomputeRequested);
  EXPECT_EQ(model.View().TimeShiftDays, -7.0);
}

// Where the working folder holds no data file the model says so and asks nobody; the folder that
// the operator then chooses is where the next pass looks.
TEST(ViewerModel, LooksInTheFolderChosenWhenTheWorkingFolderHasNoData) {
  TempDir dir;
  const WorkingFolder in(dir.path());
  fs::create_directory("data");
  WriteBytes("series.ini", "9 1 Alpha a.dat j_u_xp_yp\r\n");
  WriteBytes("data/a.dat", Daily(0.0));
  ViewerModel model(kMonday);
  ASSERT_TRUE(model.ReadSeriesConfig([](int, const SeriesConfig&) {}));
  EXPECT_EQ(model.Load({}), LoadOutcome::NoDataFiles);
  EXPECT_FALSE(model.View().RescaleOnChange);
  ASSERT_EQ(model.Load({}, DataDirectoryOf("data")), LoadOutcome::Loaded);
  EXPECT_EQ(model.Store()->DataDirectory, "data/");
  EXPECT_EQ(model.FilesRead().back().Path, "data/a.dat");
  EXPECT_EQ(model.Refresh(Xp()).Exit, RefreshExit::Drawn);
}

}  // namespace
}  // namespace erp

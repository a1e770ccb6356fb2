// The automatic export (-a): once Start has loaded the data, UT1R, Xp and Yp are selected in turn,
// each drawn by the viewer loop's refresh pass and wait, and saved as utr.bmp, xp.bmp and yp.bmp.
// The stages are flags of the view state (ExportStart, ExportUtr, ExportXp, ExportYp); the loop
// advances them once an iteration, and during its wait the image of the next stage is written
// ahead beside its name, so that the stage only renames it into place.
#pragma once

#include <QtGlobal>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/FileIo.h"
#include "core/OutputFiles.h"
#include "core/ViewState.h"

namespace erp::ui {
class Chart;
}

class AutomaticExport {
 public:
  using SelectParameter = std::function<void(int itemIndex)>;     // RadioGroupPVZ, as by a click
  using FilesRead = std::function<std::vector<erp::ReadFile>()>;  // what no image may replace

  AutomaticExport(erp::ui::Chart& chart, SelectParameter selectParameter, FilesRead filesRead)
      : chart_(chart), selectParameter_(std::move(selectParameter)), filesRead_(std::move(filesRead)) {}

  // The stage due at the end of a loop iteration, tested from the last to the first, so that a
  // stage set in this iteration waits for the next one: the refresh pass for the parameter just
  // selected and a wait in which the chart is drawn, then the save. Throws what a save or the
  // check before the first image throws (one line naming the file).
  void Advance(erp::ViewState& view);
  // During the loop's wait, once the chart has drawn what the next stage saves: that image written
  // in full and flushed beside its name. The name written, if one was; a failure is left to the
  // stage, which writes the image itself and reports it.
  std::optional<const char*> WriteAhead(const erp::ViewState& view);
  // Flushes to disk the folder of the image renamed into place last, when that is not done yet.
  void SyncFolder();
  // The loop or the program ends: an image written ahead goes, the folder is flushed and let go.
  void End();

 private:
  void Begin();
  void SaveImage(const char* fileName);

  erp::ui::Chart& chart_;
  SelectParameter selectParameter_;
  FilesRead filesRead_;
  // The image of the next stage, written during the wait before it, and the picture it holds
  // (QImage::cacheKey).
  struct ImageAhead {
    const char* FileName;
    qint64 PictureKey;
    erp::PreparedFile File;
  };
  std::optional<ImageAhead> ahead_;
  std::optional<std::string> unsynced_;  // an image renamed into place, its folder not yet flushed
  std::vector<erp::FolderLock> folder_;  // the export's folder, from its start to its last image
};

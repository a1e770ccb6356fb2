#include "AutomaticExport.h"

#include <QCoreApplication>
#include <QImage>

#include <stdexcept>
#include <string_view>
#include <utility>

#include "ui/chart/Chart.h"

namespace {
constexpr const char* kImages[] = {"utr.bmp", "xp.bmp", "yp.bmp"};
}

void AutomaticExport::Advance(erp::ViewState& view) {
  if (view.ExportYp) {
    SaveImage("yp.bmp");
    view.ExportYp = false;
    folder_.clear();  // the last image is in place
    QCoreApplication::processEvents();
  }
  if (view.ExportXp) {
    SaveImage("xp.bmp");
    view.ExportXp = false;
    selectParameter_(3);
    view.ExportYp = true;
    QCoreApplication::processEvents();
  }
  if (view.ExportUtr) {
    SaveImage("utr.bmp");
    view.ExportUtr = false;
    selectParameter_(2);
    view.ExportXp = true;
    QCoreApplication::processEvents();
  }
  if (view.ExportStart) {
    view.ExportStart = false;
    Begin();
    selectParameter_(1);
    view.ExportUtr = true;
    QCoreApplication::processEvents();
  }
  ahead_.reset();  // one written for a stage that did not use it
}

// Before the export writes anything: none of its images may replace a file the viewer reads or
// another of its images (links put there by mistake), and its folder is held against another run
// writing there at the same time; temporary images of earlier runs killed on the way are removed.
// Each failure is one line, and nothing has been written.
void AutomaticExport::Begin() {
  const std::vector<std::string> images(std::begin(kImages), std::end(kImages));
  erp::CheckOutputs(images, filesRead_());
  folder_ = erp::TakeOutputFolders(images);
}

void AutomaticExport::SyncFolder() {
  if (!unsynced_) return;
  erp::SyncFolderOf(*unsynced_);
  unsynced_.reset();
}

void AutomaticExport::End() {
  ahead_.reset();
  SyncFolder();
  folder_.clear();
}

// Writes the chart as one of the images; a failure names the file. An image written ahead of the
// stage is only renamed into place, when it holds the picture the chart shows now and its name
// still stands for what it stood for then.
void AutomaticExport::SaveImage(const char* fileName) {
  std::optional<ImageAhead> ahead = std::exchange(ahead_, std::nullopt);
  try {
    if (ahead && std::string_view(ahead->FileName) == fileName && !chart_.RedrawPending() &&
        chart_.Picture().cacheKey() == ahead->PictureKey && erp::FollowLinks(fileName) == ahead->File.Target()) {
      const erp::FileKind kind = erp::FileStateOf(ahead->File.Target()).Kind;
      if (kind == erp::FileKind::Regular || kind == erp::FileKind::Missing) {
        // The image is in place; its folder is flushed to disk at the start of the next wait, out
        // of the stage's way (or when the loop or the program ends before it).
        ahead->File.Commit(erp::PreparedFile::FolderSync::Later);
        unsynced_ = ahead->File.Target();
        return;
      }
    }
    ahead.reset();
    chart_.SaveToBitmapFile(QString::fromLatin1(fileName));
  } catch (const std::exception& e) {
    throw std::runtime_error(erp::WriteFailureText(fileName, e.what()));
  }
}

std::optional<const char*> AutomaticExport::WriteAhead(const erp::ViewState& view) {
  const char* fileName = view.ExportYp ? "yp.bmp" : view.ExportXp ? "xp.bmp" : view.ExportUtr ? "utr.bmp" : nullptr;
  if (fileName == nullptr || ahead_ || chart_.RedrawPending()) return std::nullopt;
  const QImage picture = chart_.Picture();
  if (picture.isNull()) return std::nullopt;
  try {
    const QByteArray bytes = erp::ui::Chart::EncodePicture(picture, erp::ui::ChartImageFormat::Bmp);
    ahead_.emplace(ImageAhead{fileName, picture.cacheKey(),
                              erp::PrepareFileReplacing(fileName, std::string_view(bytes.constData(), bytes.size()))});
  } catch (const std::exception&) {
    return std::nullopt;
  }
  return fileName;
}

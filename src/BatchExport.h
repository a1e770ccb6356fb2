// The batch export: charts written to a folder by the same model, refresh pass and chart as the
// window's, without a window, and the program exits.
#pragma once

#include <QTextStream>

#include <functional>

#include "CommandLine.h"

namespace erp::batch {

// Runs the batch export in the working folder and returns the exit code:
//   1. series.ini (if present) gives the looks, titles, file names and formats of the slots;
//      scale.ini (if present) the remembered scales; neither is written;
//   2. the loading pass reads the data files; where the window would show the "no data" box and
//      the folder chooser, the run fails instead;
//   3. for each parameter a refresh pass with all series checked and a rescale from the view's
//      remembered scale goes into the chart, which is drawn at the size asked for;
//   4. the images (and the statistics of the first parameter, when asked for) are written to
//      temporary files beside their names and, when every one is complete, renamed into place.
// The paths written go to `out`, one a line. A failure writes one line naming its cause (and the
// file and line where there is one) to `err`, returns ExitFailure and leaves no file written.
// `localNow` is the clock (local date-time), read only without --date.
int RunBatchExport(const BatchOptions& options, const std::function<double()>& localNow, QTextStream& out,
                   QTextStream& err);

}  // namespace erp::batch

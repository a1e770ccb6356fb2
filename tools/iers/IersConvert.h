// Conversion of IERS Earth-orientation products into data files the viewer reads: blank-separated
// columns with a format specification, one record a day.
//
// Layouts read (recognised from the lines themselves):
//   - IERS finals (finals.all, finals2000A.all, .data, .daily): fixed-width, 187 columns; year,
//     month and day in columns 1-6 (two digits each, blank-padded, so month and day run together
//     when both have two digits), MJD in 8-15; Bulletin A Xp, Yp in 19-27, 38-46 and UT1 - UTC
//     in 59-68 with the flags I (observed) or P (predicted) in 17 and 58; Bulletin B Xp, Yp and
//     UT1 - UTC in 135-144, 145-154 and 155-165. Days with no value yet (the end of the file)
//     have blank columns.
//   - EOP C04, the layout of 14 C04 and earlier: a text header, then records of 16 columns:
//     year, month, day, MJD, Xp, Yp, UT1 - UTC, LOD, dX, dY and six formal errors.
//   - EOP 20 C04 ("20u24"): header lines starting with "#", then records of 21 columns: year,
//     month, day, hour, MJD, Xp, Yp, UT1 - UTC, dX, dY, rates of Xp and Yp, LOD and eight errors.
// Xp and Yp are taken in arcseconds and UT1 - UTC in seconds, as all three products give them.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/FileIo.h"

namespace erp::iers {

// A line the converter does not recognise: "<file>:<line>: <reason>".
class ConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Bulletin { A, B };          // which values of a finals file
enum class Values { All, Pole, UT };   // which values go to the output

// The products read. Finals and C04 as above; further:
//   - IVS EOP format 2.x (.eops, .eoxy, .eopi, .eob): free format, "#" comment lines; fields MJD
//     (session mid-time, at least 5 decimals), x, y (arcseconds), UT1 - UTC (seconds), then
//     nutation, uncertainties, correlations, session code and more, which are not read.
//   - the IERS "universal" operational format: free format, fields MJD, x, y (arcseconds), UT1 -
//     UTC or UT1 - TAI (seconds), ...; a header line that starts with MJD names the quantities.
//   - IGS ERP version 2: first line "version 2", comment lines, a column header naming UT1-UTC,
//     UT1R-UTC, UT1-TAI or UT1R-TAI, a units line, then rows MJD, x, y (1e-6 arcseconds), UT
//     (1e-7 seconds), LOD, uncertainties and more.
enum class Product { Finals, C04, Ivs, Universal, Erp };

// The name of a product for --type ("finals", "c04", "ivs", "universal", "erp").
const char* ProductName(Product product);
std::optional<Product> ProductOfName(std::string_view name);

// The leap-second table of leap-seconds.list (the NTP-era list that tzdata installs): TAI - UTC
// from each date on, and the date after which the table says nothing.
class LeapSeconds {
 public:
  // Reads the text of a leap-seconds.list named `name`; throws ConvertError "<name>:<line>: ..."
  // for a line that is neither a comment nor "<NTP seconds> <TAI - UTC>", or when the expiry line
  // ("#@") or the entries are missing.
  static LeapSeconds Parse(std::string_view name, std::string_view text);

  // TAI - UTC (whole seconds) at an epoch given as MJD of UTC; empty before the first entry
  // (1972-01-01) or after the expiry date.
  std::optional<int> TaiMinusUtc(double mjd) const;
  double ExpiryMJD() const { return expiryMjd_; }
  double FirstMJD() const { return steps_.empty() ? 0.0 : steps_.front().first; }
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
  std::vector<std::pair<double, int>> steps_;  // (MJD from which, TAI - UTC), ascending
  double expiryMjd_ = 0.0;
};

constexpr const char* SystemLeapSeconds = "/usr/share/zoneinfo/leap-seconds.list";

struct ConvertOptions {
  Bulletin FinalsBulletin = Bulletin::A;
  Values Take = Values::All;
  std::optional<double> FromMJD;  // first day kept (MJD of its 00:00); empty: from the first record
  std::optional<double> ToMJD;    // last day kept (MJD of its 00:00); empty: to the last record
  bool Predictions = true;        // keep finals values flagged P
  std::optional<Product> Type;    // the product, when not recognised from the content
  // The leap-second table, asked for only when a product gives UT1 - TAI; may throw ConvertError.
  std::function<const LeapSeconds&()> Leaps;
};

struct EopRecord {
  int Line = 0;         // line of the input file
  double MJD = 0.0;     // epoch (days)
  double Xp = 0.0;      // arcseconds; 0 when not asked for
  double Yp = 0.0;      // arcseconds; 0 when not asked for
  double UT1 = 0.0;     // UT1 - UTC (seconds); 0 when not asked for
  bool Predicted = false;
  // Decimals written: those of the input, at most 6 for Xp and Yp and 7 for UT1 - UTC (what
  // the last column of a data file holds), so the output never claims more than the input.
  int XpDecimals = 6;
  int YpDecimals = 6;
  int UT1Decimals = 7;
};

struct Conversion {
  std::string Source;               // the input's name, for messages
  Product Kind = Product::Finals;   // the product recognised
  Values Take = Values::All;        // the values written: as asked, or Xp and Yp of a UT1R product
  std::string Warning;              // one line for the user (a UT1R product), or empty
  std::string Layout;               // the layout recognised, for the report
  std::vector<EopRecord> Records;   // the records kept, in file order (ascending MJD)
  int WithoutValues = 0;            // finals days without the values asked for (left out)
  int PredictedLeftOut = 0;         // finals days with predicted values, left out on request
  int OutsideDates = 0;             // records before FromMJD or after ToMJD
};

// No line of an EOP product is longer than a few hundred bytes; a longer one is not such a
// product (a binary file, a file without line ends) and stops the reading at once.
constexpr std::size_t MaxLineLength = 4096;

// The lines of an input, one at a time, without their ends (LF or CR LF). A line longer than
// MaxLineLength comes back cut to MaxLineLength + 1 bytes, so the reader never holds more.
class LineInput {
 public:
  virtual ~LineInput() = default;
  // The next line, or empty at the end of the input. The text stays valid until the next call.
  // Throws ConvertError "<name>: <system's message>" when the input cannot be read.
  virtual std::optional<std::string_view> Next() = 0;
};

// The lines of a text in memory.
class TextLines : public LineInput {
 public:
  explicit TextLines(std::string_view text) : text_(text) {}
  std::optional<std::string_view> Next() override;

 private:
  std::string_view text_;
};

// The lines of a file, read in blocks: a file of any size costs a block and a line of memory.
class FileLines : public LineInput {
 public:
  // Opens a regular file (see OpenForReading); throws std::runtime_error with the system's message.
  explicit FileLines(const std::string& path);
  std::optional<std::string_view> Next() override;

 private:
  bool Fill();  // reads the next block; false at the end of the file

  std::string path_;
  FileHandle file_;
  std::string block_;
  std::size_t at_ = 0;  // first byte of block_ not handed out yet
  std::string line_;
};

// Reads the lines of an IERS file named `name` (the name goes into error messages). Every line is
// checked: dates and MJD must agree, numbers must be numbers and complete, epochs must ascend.
// Throws ConvertError "<name>:<line>: <reason>" at the first line that does not fit the layout.
Conversion ConvertEop(std::string_view name, LineInput& lines, const ConvertOptions& options);

// The same for a text in memory.
Conversion ConvertEop(std::string_view name, std::string_view text, const ConvertOptions& options);

// The format specification of the output: "j_xp_yp_u", "j_xp_yp" or "j_u".
std::string FormatSpecOf(Values values);

// The output file: one line per record, the MJD and the values asked for, separated by one blank,
// "." as decimal point, CR LF. Xp and Yp with 6 decimals, UT1 - UTC with 7. Throws ConvertError
// "<source>:<line>: ..." for a value too long for the last column of a data file.
std::string DataFileText(const Conversion& conversion, Values values);

// The program eop_import: INPUT... (--into FOLDER [--slot N] [--colour C] [--symbol S] [--force]
// | --output FILE) [--type NAME] [--leap-seconds FILE] and the options of convert_iers, or --help.
// Returns the exit status (0 done, 1 an input was not recognised or a file could not be read or
// written, 2 wrong arguments).
int RunEopImport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The program convert_iers: INPUT OUTPUT [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--bulletin A|B]
// [--values all|pole|ut] [--no-predictions] [--title TEXT], or --help. Prints the series.ini line
// of the new file to `out`, a summary and errors to `err`; returns the exit status (0 done, 1 the
// input was not recognised or a file could not be read or written, 2 wrong arguments).
int RunConvertIers(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace erp::iers

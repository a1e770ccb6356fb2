// Reading of the settings files (series.ini, scale.ini) token by token and line by line.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "core/ByteReader.h"

namespace erp {

// Reads an open 8-bit text stream the way the settings files are read: integers are blank-
// separated tokens that may stand on any line, texts run to the end of their line. A line ends at
// LF, CR LF or a lone CR. Bytes are characters; nothing is decoded. The stream stays owned by the
// caller. A read error throws std::runtime_error with the system's message (strerror).
class SettingsScanner {
 public:
  static constexpr std::size_t MaxIntegerLength = 32;  // characters of one integer token

  explicit SettingsScanner(std::FILE* stream) : bytes_(stream) {}

  // Skips every character with a code up to 32 (blanks, tabs, line ends, NUL). At the end of the
  // data the result is 0 and nothing more is consumed. Otherwise takes the following characters
  // above code 32, at most MaxIntegerLength of them (the character after them stays unread), and
  // converts them as a decimal integer with optional sign. Throws std::runtime_error
  // "Invalid numeric input" when they are not one (or are out of the 32-bit range).
  std::int32_t ReadInteger();

  // The next line that is not blank (nothing but blanks and tabs): its integer when the whole line
  // is one (blanks and tabs around it allowed), nothing for a line that holds anything else. Its
  // line end stays unread, so that Line() names it. `atEnd` is set when the data end before such
  // a line.
  std::optional<std::int32_t> ReadIntegerLine(bool& atEnd);

  // True once every byte has been read.
  bool AtEnd() { return bytes_.Peek() < 0; }

  // The rest of the current line up to its line end, which stays unread; empty at the end.
  std::string ReadRestOfLine();

  // Passes over the rest of the current line and its line end.
  void SkipLine();

  // Passes over one line end (CR LF, LF or CR) if one stands at the current position.
  void SkipLineEnd();

  // The number (from 1) of the line the next character stands on; CR LF, LF and a lone CR each
  // end one line.
  int Line() const { return line_; }

 private:
  // Consumes one byte `c` of the stream, counting the line ends.
  void ConsumeByte(int c);
  // Consumes the bytes up to the next CR or LF, which stays unread, appending them to `text`
  // unless it is null.
  void PassLine(std::string* text);

  ByteReader bytes_;
  int line_ = 1;
  bool afterCr_ = false;  // the last byte consumed was a CR: an LF now ends no further line
};

}  // namespace erp

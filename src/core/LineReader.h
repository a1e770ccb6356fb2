// Line-by-line reading of an 8-bit text file, as the data files are read.
#pragma once

#include <array>
#include <cstdio>
#include <string_view>

#include "core/ByteReader.h"

namespace erp {

// Reads lines from an open stream: a line feed ends a line, carriage returns are dropped wherever
// they stand, a byte 26 (Ctrl-Z) ends the file, and only the first MaxLineLength bytes of a line
// are kept (the rest of the line is skipped). Bytes are characters; nothing is decoded.
// The stream stays owned by the caller. A read error throws std::runtime_error with the system's
// message (strerror).
class LineReader {
 public:
  static constexpr std::size_t MaxLineLength = 200;

  explicit LineReader(std::FILE* stream) : bytes_(stream) {}

  // True at the end of the data or before a byte 26.
  bool AtEnd();

  // The next line, without its line end; valid until the next call. Empty at the end.
  std::string_view ReadLine();

 private:
  // ReadLine for any line: its bytes gathered into line_, across blocks.
  std::string_view CopyLine();

  ByteReader bytes_;
  std::array<char, MaxLineLength> line_{};
};

}  // namespace erp

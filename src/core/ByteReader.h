// Buffered reading of an open 8-bit stream, shared by the data-file and settings-file readers.
#pragma once

#include <array>
#include <cstdio>
#include <string_view>

namespace erp {

// Reads a stream ahead in blocks and hands out what it holds. The stream stays owned by the
// caller. A read error throws std::runtime_error with the system's message (strerror).
class ByteReader {
 public:
  explicit ByteReader(std::FILE* stream) : stream_(stream) {}

  // The bytes read ahead and not consumed yet, refilled from the stream when none are left.
  // Empty only at the end of the data. Valid until the next call.
  std::string_view Pending();

  // Consumes the first n bytes of Pending() (n at most its size).
  void Consume(std::size_t n) { pos_ += n; }

  // The next byte (0..255) without consuming it; -1 at the end of the data.
  int Peek() {
    const std::string_view pending = Pending();
    return pending.empty() ? -1 : static_cast<unsigned char>(pending.front());
  }

 private:
  std::FILE* stream_;
  std::array<char, 1 << 16> buffer_{};
  std::size_t pos_ = 0;
  std::size_t size_ = 0;
};

}  // namespace erp

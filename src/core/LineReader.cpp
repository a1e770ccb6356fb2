#include "core/LineReader.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace erp {
namespace {
constexpr char kEndOfFile = 26;  // Ctrl-Z
}

LineReader::LineReader(std::FILE* stream) : stream_(stream) {}

bool LineReader::Fill() {
  if (pos_ < size_) return true;
  errno = 0;
  size_ = std::fread(buffer_.data(), 1, buffer_.size(), stream_);
  pos_ = 0;
  if (size_ == 0 && std::ferror(stream_)) {
    const int err = errno != 0 ? errno : EIO;
    throw std::runtime_error(std::strerror(err));
  }
  return size_ > 0;
}

bool LineReader::AtEnd() { return !Fill() || buffer_[pos_] == kEndOfFile; }

std::string_view LineReader::ReadLine() {
  std::size_t length = 0;
  while (Fill()) {
    const char c = buffer_[pos_];
    if (c == kEndOfFile) break;  // stays unread: the file ends here
    ++pos_;
    if (c == '\n') break;
    if (c == '\r') continue;
    if (length < line_.size()) line_[length++] = c;
  }
  return {line_.data(), length};
}

}  // namespace erp

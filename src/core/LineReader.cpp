#include "core/LineReader.h"

namespace erp {
namespace {
constexpr char kEndOfFile = 26;  // Ctrl-Z
}

bool LineReader::AtEnd() {
  const std::string_view pending = bytes_.Pending();
  return pending.empty() || pending.front() == kEndOfFile;
}

std::string_view LineReader::ReadLine() {
  // Most lines lie whole in the block read ahead and hold no carriage return but the one before
  // their line feed, and no byte 26: they are handed out where they lie, without a copy.
  const std::string_view pending = bytes_.Pending();
  const std::size_t feed = pending.find('\n');
  if (feed != std::string_view::npos) {
    std::string_view line = pending.substr(0, feed);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find('\r') == std::string_view::npos && line.find(kEndOfFile) == std::string_view::npos) {
      bytes_.Consume(feed + 1);
      return line.substr(0, MaxLineLength);
    }
  }
  return CopyLine();
}

std::string_view LineReader::CopyLine() {
  std::size_t length = 0;
  for (std::string_view chunk = bytes_.Pending(); !chunk.empty(); chunk = bytes_.Pending()) {
    for (std::size_t i = 0; i < chunk.size(); ++i) {
      const char c = chunk[i];
      if (c == kEndOfFile) {  // stays unread: the file ends here
        bytes_.Consume(i);
        return {line_.data(), length};
      }
      if (c == '\n') {
        bytes_.Consume(i + 1);
        return {line_.data(), length};
      }
      if (c != '\r' && length < line_.size()) line_[length++] = c;
    }
    bytes_.Consume(chunk.size());
  }
  return {line_.data(), length};
}

}  // namespace erp

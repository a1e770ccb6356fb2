#include "core/SettingsScanner.h"

#include <cerrno>
#include <stdexcept>
#include <string_view>

#include "core/FileIo.h"
#include "core/NumberText.h"

namespace erp {
namespace {
constexpr int kLastBlankCode = 32;  // codes up to this separate integer tokens
}

SettingsScanner::SettingsScanner(std::FILE* stream) : stream_(stream) {}

bool SettingsScanner::Fill() {
  if (pos_ < size_) return true;
  errno = 0;
  size_ = std::fread(buffer_.data(), 1, buffer_.size(), stream_);
  pos_ = 0;
  if (size_ == 0 && std::ferror(stream_)) ThrowSystemError(errno != 0 ? errno : EIO);
  return size_ > 0;
}

int SettingsScanner::Peek() { return Fill() ? static_cast<unsigned char>(buffer_[pos_]) : -1; }

std::int32_t SettingsScanner::ReadInteger() {
  int c = Peek();
  while (c >= 0 && c <= kLastBlankCode) {
    ++pos_;
    c = Peek();
  }
  if (c < 0) return 0;

  std::array<char, MaxIntegerLength> token{};
  std::size_t length = 0;
  while (c > kLastBlankCode && length < token.size()) {
    token[length++] = static_cast<char>(c);
    ++pos_;
    c = Peek();
  }
  const auto value = ParseInt32(std::string_view(token.data(), length));
  if (!value) throw std::runtime_error("Invalid numeric input");
  return *value;
}

std::string SettingsScanner::ReadRestOfLine() {
  std::string text;
  while (Fill()) {
    const std::string_view chunk(buffer_.data() + pos_, size_ - pos_);
    const std::size_t end = chunk.find_first_of("\r\n");
    text.append(chunk.substr(0, end));
    if (end != std::string_view::npos) {
      pos_ += end;
      break;
    }
    pos_ = size_;
  }
  return text;
}

void SettingsScanner::SkipLine() {
  for (int c = Peek(); c >= 0 && c != '\r' && c != '\n'; c = Peek()) ++pos_;
  SkipLineEnd();
}

void SettingsScanner::SkipLineEnd() {
  const int c = Peek();
  if (c == '\n') {
    ++pos_;
  } else if (c == '\r') {
    ++pos_;
    if (Peek() == '\n') ++pos_;
  }
}

}  // namespace erp

#include "core/SettingsScanner.h"

#include <array>
#include <stdexcept>
#include <string_view>

#include "core/NumberText.h"

namespace erp {
namespace {
constexpr int kLastBlankCode = 32;  // codes up to this separate integer tokens
}

std::int32_t SettingsScanner::ReadInteger() {
  int c = bytes_.Peek();
  while (c >= 0 && c <= kLastBlankCode) {
    bytes_.Consume(1);
    c = bytes_.Peek();
  }
  if (c < 0) return 0;

  std::array<char, MaxIntegerLength> token{};
  std::size_t length = 0;
  while (c > kLastBlankCode && length < token.size()) {
    token[length++] = static_cast<char>(c);
    bytes_.Consume(1);
    c = bytes_.Peek();
  }
  const auto value = ParseInt32(std::string_view(token.data(), length));
  if (!value) throw std::runtime_error("Invalid numeric input");
  return *value;
}

void SettingsScanner::PassLine(std::string* text) {
  for (std::string_view chunk = bytes_.Pending(); !chunk.empty(); chunk = bytes_.Pending()) {
    const std::size_t end = chunk.find_first_of("\r\n");
    if (text != nullptr) text->append(chunk.substr(0, end));
    if (end != std::string_view::npos) {
      bytes_.Consume(end);
      return;
    }
    bytes_.Consume(chunk.size());
  }
}

std::string SettingsScanner::ReadRestOfLine() {
  std::string text;
  PassLine(&text);
  return text;
}

void SettingsScanner::SkipLine() {
  PassLine(nullptr);
  SkipLineEnd();
}

void SettingsScanner::SkipLineEnd() {
  const int c = bytes_.Peek();
  if (c == '\n') {
    bytes_.Consume(1);
  } else if (c == '\r') {
    bytes_.Consume(1);
    if (bytes_.Peek() == '\n') bytes_.Consume(1);
  }
}

}  // namespace erp

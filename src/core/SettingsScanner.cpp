#include "core/SettingsScanner.h"

#include <array>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "core/NumberText.h"

namespace erp {
namespace {
constexpr int kLastBlankCode = 32;  // codes up to this separate integer tokens
}

void SettingsScanner::ConsumeByte(int c) {
  if (c == '\r' || (c == '\n' && !afterCr_)) ++line_;
  afterCr_ = c == '\r';
  bytes_.Consume(1);
}

std::int32_t SettingsScanner::ReadInteger() {
  int c = bytes_.Peek();
  while (c >= 0 && c <= kLastBlankCode) {
    ConsumeByte(c);
    c = bytes_.Peek();
  }
  if (c < 0) return 0;

  std::array<char, MaxIntegerLength> token{};
  std::size_t length = 0;
  while (c > kLastBlankCode && length < token.size()) {
    token[length++] = static_cast<char>(c);
    ConsumeByte(c);
    c = bytes_.Peek();
  }
  const auto value = ParseInt32(std::string_view(token.data(), length));
  if (!value) throw std::runtime_error("Invalid numeric input");
  return *value;
}

std::optional<std::int32_t> SettingsScanner::ReadIntegerLine(bool& atEnd) {
  atEnd = false;
  while (!AtEnd()) {
    const std::string text = ReadRestOfLine();
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
      SkipLineEnd();
      continue;
    }
    const std::size_t last = text.find_last_not_of(" \t");
    return ParseInt32(std::string_view(text).substr(first, last + 1 - first));
  }
  atEnd = true;
  return std::nullopt;
}

void SettingsScanner::PassLine(std::string* text) {
  for (std::string_view chunk = bytes_.Pending(); !chunk.empty(); chunk = bytes_.Pending()) {
    const std::size_t end = chunk.find_first_of("\r\n");
    if (text != nullptr) text->append(chunk.substr(0, end));
    const std::size_t taken = end != std::string_view::npos ? end : chunk.size();
    if (taken > 0) afterCr_ = false;
    bytes_.Consume(taken);
    if (end != std::string_view::npos) return;
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
    ConsumeByte(c);
  } else if (c == '\r') {
    ConsumeByte(c);
    if (bytes_.Peek() == '\n') ConsumeByte('\n');
  }
}

}  // namespace erp

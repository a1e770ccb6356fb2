#include "core/LineReader.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace erp {
namespace {
constexpr char kEndOfFile = 26;  // Ctrl-Z

bool EndsOrBreaks(char c) { return c == '\n' || c == '\r' || c == kEndOfFile; }

// Where the first line feed, carriage return or byte 26 of `bytes` stands; npos when none does.
// One pass over the bytes, sixteen at a time where the processor can.
std::size_t FindLineEnd(std::string_view bytes) {
  const char* const begin = bytes.data();
  const char* p = begin;
  const char* const end = begin + bytes.size();
#if defined(__SSE2__)
  const __m128i feed = _mm_set1_epi8('\n');
  const __m128i carriage = _mm_set1_epi8('\r');
  const __m128i endOfFile = _mm_set1_epi8(kEndOfFile);
  for (; end - p >= 16; p += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, feed), _mm_cmpeq_epi8(chunk, carriage)),
                                      _mm_cmpeq_epi8(chunk, endOfFile));
    if (const int mask = _mm_movemask_epi8(hits); mask != 0) {
      return static_cast<std::size_t>(p - begin) + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
  }
#endif
  for (; p < end; ++p) {
    if (EndsOrBreaks(*p)) return static_cast<std::size_t>(p - begin);
  }
  return std::string_view::npos;
}

}  // namespace

bool LineReader::AtEnd() {
  const std::string_view pending = bytes_.Pending();
  return pending.empty() || pending.front() == kEndOfFile;
}

std::string_view LineReader::ReadLine() {
  // Most lines lie whole in the block read ahead and hold no carriage return but the one before
  // their line feed, and no byte 26: they are handed out where they lie, without a copy.
  const std::string_view pending = bytes_.Pending();
  const std::size_t stop = FindLineEnd(pending);
  if (stop != std::string_view::npos) {
    std::size_t feed = stop;
    if (pending[stop] == '\r' && stop + 1 < pending.size() && pending[stop + 1] == '\n') feed = stop + 1;
    if (pending[feed] == '\n') {
      bytes_.Consume(feed + 1);
      return pending.substr(0, std::min(stop, MaxLineLength));
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

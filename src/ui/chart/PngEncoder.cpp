#include "ui/chart/PngEncoder.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <future>
#include <stdexcept>
#include <vector>

namespace erp::ui {
namespace {

constexpr int kLevel = 1;            // zlib's fastest level
constexpr int kRowsPerStep = 16;     // rows filtered before they go to the compressor
constexpr std::size_t kChunk = 1 << 16;  // bytes of compressed data per IDAT chunk at most

// True when every pixel of a Format_ARGB32_Premultiplied image is opaque: its bytes are then
// those of the same image in Format_RGB32 (0xffRRGGBB).
bool Opaque(const QImage& image) {
  const int width = image.width();
  const int height = image.height();
  for (int y = 0; y < height; ++y) {
    const auto* pixel = reinterpret_cast<const quint32*>(image.constScanLine(y));
    quint32 all = 0xffffffffU;
    for (int x = 0; x < width; ++x) all &= pixel[x];
    if ((all & 0xff000000U) != 0xff000000U) return false;
  }
  return true;
}

void AppendBigEndian(QByteArray& bytes, std::uint32_t value) {
  const char b[4] = {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
                     static_cast<char>(value)};
  bytes.append(b, 4);
}

// A PNG chunk: length, type, data and the CRC of type and data.
void AppendChunk(QByteArray& bytes, const char (&type)[5], const unsigned char* data, std::size_t length) {
  AppendBigEndian(bytes, static_cast<std::uint32_t>(length));
  bytes.append(type, 4);
  if (length > 0) bytes.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(length));
  uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(type), 4);
  if (length > 0) crc = crc32(crc, data, static_cast<uInt>(length));
  AppendBigEndian(bytes, static_cast<std::uint32_t>(crc));
}

// The image data of rows first..end-1 (each filtered against the row above, "up"), compressed as
// raw deflate: the compressed bytes, the Adler-32 of the rows' data and its length. A part that
// is not the last ends on a byte boundary without closing the stream (a sync flush), so that the
// next part's compressed bytes follow it in one stream.
struct CompressedRows {
  std::vector<unsigned char> bytes;
  uLong adler = adler32(0L, nullptr, 0);
  std::size_t length = 0;
};

CompressedRows CompressRows(const QImage& image, int first, int end, bool last) {
  const int width = image.width();
  const std::size_t rgbBytes = 3 * static_cast<std::size_t>(width);
  CompressedRows part;
  z_stream stream{};
  if (deflateInit2(&stream, kLevel, Z_DEFLATED, -15, 8, Z_RLE) != Z_OK) {
    throw std::runtime_error("The PNG encoder cannot start");
  }
  struct End {
    z_stream& stream;
    ~End() { deflateEnd(&stream); }
  } endStream{stream};

  std::vector<unsigned char> out(kChunk);
  const auto compress = [&](const unsigned char* data, std::size_t length, int flush) {
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(length);
    do {
      stream.next_out = out.data();
      stream.avail_out = static_cast<uInt>(out.size());
      const int result = deflate(&stream, flush);
      if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
        throw std::runtime_error("The PNG image cannot be encoded");
      }
      part.bytes.insert(part.bytes.end(), out.data(), out.data() + (out.size() - stream.avail_out));
    } while (stream.avail_out == 0);
  };

  const std::vector<quint32> none(static_cast<std::size_t>(width), 0);  // the row above the first
  std::vector<unsigned char> filtered((rgbBytes + 1) * kRowsPerStep);
  std::size_t pending = 0;
  for (int y = first; y < end; ++y) {
    const auto* pixel = reinterpret_cast<const quint32*>(image.constScanLine(y));
    const quint32* above = y > 0 ? reinterpret_cast<const quint32*>(image.constScanLine(y - 1)) : none.data();
    unsigned char* row = filtered.data() + pending;
    *row++ = 2;  // filter type "up"
    for (int x = 0; x < width; ++x) {
      // The four byte differences of the two words at once, each modulo 256.
      constexpr quint32 kHigh = 0x80808080U;
      const quint32 p = pixel[x];
      const quint32 q = above[x];
      const quint32 d = ((p | kHigh) - (q & ~kHigh)) ^ ((p ^ ~q) & kHigh);
      row[0] = static_cast<unsigned char>(d >> 16);  // red
      row[1] = static_cast<unsigned char>(d >> 8);   // green
      row[2] = static_cast<unsigned char>(d);        // blue
      row += 3;
    }
    pending += rgbBytes + 1;
    if (pending == filtered.size() || y + 1 == end) {
      part.adler = adler32(part.adler, filtered.data(), static_cast<uInt>(pending));
      part.length += pending;
      compress(filtered.data(), pending, y + 1 < end ? Z_NO_FLUSH : last ? Z_FINISH : Z_SYNC_FLUSH);
      pending = 0;
    }
  }
  return part;
}

// Below this many rows a picture is compressed in one part.
constexpr int kRowsForTwoParts = 128;

// The PNG file of an image whose pixels lie as Format_RGB32's do (0xffRRGGBB in a 32-bit word).
// Rows are 8-bit RGB, each filtered against the row above ("up"): charts are mostly flat areas and
// thin lines, so that nearly every filtered byte is 0 and runs compress fast. The upper and lower
// half of a picture are compressed at the same time, on this thread and another: the two parts of
// one zlib stream, its checksum combined from theirs.
QByteArray EncodeRgb32(const QImage& image) {
  const int width = image.width();
  const int height = image.height();
  const int split = height >= kRowsForTwoParts ? height / 2 : height;
  std::future<CompressedRows> lower;
  if (split < height) lower = std::async(std::launch::async, [&] { return CompressRows(image, split, height, true); });
  const CompressedRows upper = CompressRows(image, 0, split, split == height);
  const CompressedRows below = lower.valid() ? lower.get() : CompressedRows{};

  // The zlib stream: its header (deflate, 32 KiB window, fastest level), the parts, the checksum.
  std::vector<unsigned char> data;
  data.reserve(2 + upper.bytes.size() + below.bytes.size() + 4);
  data.push_back(0x78);
  data.push_back(0x01);
  data.insert(data.end(), upper.bytes.begin(), upper.bytes.end());
  data.insert(data.end(), below.bytes.begin(), below.bytes.end());
  const uLong adler =
      split < height ? adler32_combine(upper.adler, below.adler, static_cast<z_off_t>(below.length)) : upper.adler;
  for (int shift = 24; shift >= 0; shift -= 8) data.push_back(static_cast<unsigned char>(adler >> shift));

  QByteArray bytes;
  bytes.reserve(static_cast<qsizetype>(data.size() + data.size() / kChunk * 12 + 64));
  bytes.append("\x89PNG\r\n\x1a\n", 8);
  std::array<unsigned char, 13> header{};
  for (int i = 0; i < 4; ++i) {
    header[static_cast<std::size_t>(i)] = static_cast<unsigned char>(static_cast<std::uint32_t>(width) >> (24 - 8 * i));
    header[4 + static_cast<std::size_t>(i)] =
        static_cast<unsigned char>(static_cast<std::uint32_t>(height) >> (24 - 8 * i));
  }
  header[8] = 8;  // bits per sample
  header[9] = 2;  // RGB; compression, filter and interlace methods 0
  AppendChunk(bytes, "IHDR", header.data(), header.size());
  for (std::size_t at = 0; at < data.size(); at += kChunk) {
    AppendChunk(bytes, "IDAT", data.data() + at, std::min(kChunk, data.size() - at));
  }
  AppendChunk(bytes, "IEND", nullptr, 0);
  return bytes;
}

}  // namespace

QImage Rgb32Pixels(const QImage& picture) {
  if (picture.format() == QImage::Format_RGB32) return picture;
  if (picture.format() != QImage::Format_ARGB32_Premultiplied || !Opaque(picture)) {
    return picture.convertToFormat(QImage::Format_RGB32);
  }
  // The same pixels, read only: the image keeps no copy of its own.
  QImage pixels(picture.constBits(), picture.width(), picture.height(), picture.bytesPerLine(), QImage::Format_RGB32);
  pixels.setDotsPerMeterX(picture.dotsPerMeterX());
  pixels.setDotsPerMeterY(picture.dotsPerMeterY());
  return pixels;
}

QByteArray EncodePng(const QImage& picture) {
  if (picture.isNull()) throw std::runtime_error("Not a 32-bit RGB picture");
  return EncodeRgb32(Rgb32Pixels(picture));
}

}  // namespace erp::ui

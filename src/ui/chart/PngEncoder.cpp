#include "ui/chart/PngEncoder.h"

#include <QSysInfo>

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <stdexcept>

namespace erp::ui {
namespace {

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* bytes = static_cast<QByteArray*>(png_get_io_ptr(png));
  bytes->append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(length));
}

void FlushNothing(png_structp) {}

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

// The PNG file of an image whose pixels lie as Format_RGB32's do.
QByteArray EncodeRgb32(const QImage& image) {
  QByteArray bytes;
  bytes.reserve(static_cast<qsizetype>(image.width()) * image.height() / 8);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) throw std::runtime_error("The PNG encoder cannot start");
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    throw std::runtime_error("The PNG encoder cannot start");
  }
  // libpng reports its errors by a jump back here; nothing below allocates outside png and bytes.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("The PNG image cannot be encoded");
  }
  png_set_write_fn(png, &bytes, AppendBytes, FlushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width()), static_cast<png_uint_32>(image.height()), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
  png_set_compression_level(png, 1);
  png_set_compression_strategy(png, Z_RLE);
  png_write_info(png, info);
  // A Format_RGB32 pixel lies in memory as B, G, R and an unused byte (little-endian 0xffRRGGBB)
  // on little-endian machines, as unused, R, G, B on big-endian ones.
  if (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
  } else {
    png_set_filler(png, 0, PNG_FILLER_BEFORE);
  }
  for (int y = 0; y < image.height(); ++y) {
    png_write_row(png, const_cast<png_bytep>(image.constScanLine(y)));
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return bytes;
}

}  // namespace

QByteArray EncodePng(const QImage& picture) {
  const bool premultiplied = picture.format() == QImage::Format_ARGB32_Premultiplied;
  if (picture.isNull() || (picture.format() != QImage::Format_RGB32 && !premultiplied)) {
    throw std::runtime_error("Not a 32-bit RGB picture");
  }
  // A chart's picture is opaque and is encoded as it lies, without a converted copy of 4 MB; a
  // picture with transparent pixels is converted first, as Format_RGB32 shows it.
  if (premultiplied && !Opaque(picture)) return EncodeRgb32(picture.convertToFormat(QImage::Format_RGB32));
  return EncodeRgb32(picture);
}

}  // namespace erp::ui

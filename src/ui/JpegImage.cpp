#include "ui/JpegImage.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>

namespace erp::ui {
namespace {

// libjpeg reports fatal errors through error_exit, which must not return: jump back to the
// decoder. Only trivially destructible objects live between setjmp and the jump.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
  auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::longjmp(manager->jump, 1);
}

void OnMessage(j_common_ptr) {}  // warnings are not shown

// Decodes into `image`, which the caller owns, so no C++ object is skipped by the jump.
bool Decode(const QByteArray& bytes, QImage& image) {
  jpeg_decompress_struct cinfo{};
  ErrorManager errors{};
  cinfo.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = OnError;
  errors.base.output_message = OnMessage;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  image = QImage(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
                 QImage::Format_RGB888);
  if (image.isNull()) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = image.scanLine(static_cast<int>(cinfo.output_scanline));
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& bytes) {
  if (bytes.isEmpty()) return {};
  QImage image;
  if (!Decode(bytes, image)) return {};
  return image;
}

}  // namespace erp::ui

// Renders the about box's picture: the path of the rotation pole over six years (Chandler and
// annual wobbles beating against each other), drawn as Xp against Yp, and writes it as a JPEG.
// Run once by hand when the picture is to change: make_about_picture <out.jpg>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <jpeglib.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWidth = 193;
constexpr int kHeight = 129;

bool WriteJpeg(const QImage& image, const char* path) {
  std::FILE* out = std::fopen(path, "wb");
  if (!out) return false;
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, out);
  cinfo.image_width = static_cast<JDIMENSION>(image.width());
  cinfo.image_height = static_cast<JDIMENSION>(image.height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 92, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(static_cast<int>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s out.jpg\n", argv[0]);
    return 2;
  }
  QGuiApplication app(argc, argv);
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);

  QRadialGradient background(kWidth / 2.0, kHeight / 2.0, kWidth * 0.7);
  background.setColorAt(0.0, QColor(255, 255, 255));
  background.setColorAt(1.0, QColor(192, 192, 192));
  p.fillRect(image.rect(), background);

  // Axes through the mean pole.
  const QPointF centre(kWidth * 0.5, kHeight * 0.5);
  p.setPen(QPen(QColor(128, 128, 128), 1, Qt::DashDotDotLine));
  p.drawLine(QPointF(8, centre.y()), QPointF(kWidth - 8, centre.y()));
  p.drawLine(QPointF(centre.x(), 6), QPointF(centre.x(), kHeight - 6));

  // Pole path (arcseconds): Chandler term, 433 days, 0.18"; annual term 0.09"; slow drift.
  QPainterPath path;
  const double scale = 210.0;  // pixels per arcsecond
  for (int day = 0; day <= 6 * 365; ++day) {
    const double c = 2.0 * M_PI * day / 433.0;
    const double a = 2.0 * M_PI * day / 365.25;
    const double x = 0.18 * std::cos(c) + 0.09 * std::cos(a + 0.6) + 0.000012 * day;
    const double y = 0.18 * std::sin(c) + 0.08 * std::sin(a + 0.6) - 0.000008 * day;
    const QPointF pt(centre.x() + x * scale, centre.y() - y * scale);
    if (day == 0) path.moveTo(pt); else path.lineTo(pt);
  }
  p.setPen(QPen(QColor(0, 0, 128), 1.4));
  p.drawPath(path);
  p.setBrush(QColor(255, 0, 0));
  p.setPen(Qt::NoPen);
  p.drawEllipse(path.currentPosition(), 3.0, 3.0);

  p.setPen(QColor(0, 0, 0));
  QFont font = p.font();
  font.setPixelSize(11);
  font.setBold(true);
  p.setFont(font);
  p.drawText(QRectF(6, 4, 60, 14), Qt::AlignLeft, "Xp, Yp");
  p.end();
  return WriteJpeg(image, argv[1]) ? 0 : 1;
}

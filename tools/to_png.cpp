// Converts images (the viewer's BMP charts) to PNG for viewing:  to_png IN.bmp OUT.png [IN OUT ...]
#include <QCoreApplication>
#include <QImage>

#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);  // no display needed
  if (argc < 3 || argc % 2 == 0) {
    std::fprintf(stderr, "usage: to_png IN OUT.png [IN OUT.png ...]\n");
    return 2;
  }
  for (int i = 1; i + 1 < argc; i += 2) {
    const QImage image(QString::fromLocal8Bit(argv[i]));
    if (image.isNull() || !image.save(QString::fromLocal8Bit(argv[i + 1]), "png")) {
      std::fprintf(stderr, "to_png: cannot convert %s to %s\n", argv[i], argv[i + 1]);
      return 1;
    }
  }
  return 0;
}

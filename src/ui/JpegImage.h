// Decoding of JPEG pictures with libjpeg.
#pragma once

#include <QByteArray>
#include <QImage>

namespace erp::ui {

// The picture held by JPEG bytes, as a 24-bit RGB image; a null image when the bytes are not a
// JPEG libjpeg can decode (the reason is not needed by any caller).
QImage DecodeJpeg(const QByteArray& bytes);

}  // namespace erp::ui

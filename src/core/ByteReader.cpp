#include "core/ByteReader.h"

#include <cerrno>

#include "core/FileIo.h"

namespace erp {

std::string_view ByteReader::Pending() {
  if (pos_ >= size_) {
    errno = 0;
    size_ = std::fread(buffer_.data(), 1, buffer_.size(), stream_);
    pos_ = 0;
    if (size_ == 0 && std::ferror(stream_)) ThrowSystemError(errno != 0 ? errno : EIO);
  }
  return {buffer_.data() + pos_, size_ - pos_};
}

}  // namespace erp

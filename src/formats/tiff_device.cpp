#include "formats/tiff_device.h"

#include <cerrno>
#include <cstdio>

namespace platform {

bool TiffOnDevice::open(QIODevice& device, const char* mode) {
  device_ = &device;
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetErrorHandlerExtR(options, &TiffOnDevice::complain, this);
  TIFFOpenOptionsSetWarningHandlerExtR(options, &TiffOnDevice::ignore, nullptr);
  tiff_ = TIFFClientOpenExt("tintaborra", mode, this, &read, &write, &seek, &close, &size, &map, &unmap, options);
  TIFFOpenOptionsFree(options);
  return tiff_ != nullptr;
}

bool TiffOnDevice::closeTiff() {
  if (!tiff_) return true;
  const bool flushed = TIFFFlush(tiff_) == 1;  // nothing to do for a file read
  TIFFClose(tiff_);
  tiff_ = nullptr;
  return flushed && !failed_;
}

void TiffOnDevice::abandon() {
  // libtiff's cleanup writes out what it holds: nothing more reaches the device.
  device_ = nullptr;
  if (tiff_) TIFFCleanup(tiff_);
  tiff_ = nullptr;
}

tmsize_t TiffOnDevice::read(thandle_t handle, void* buffer, tmsize_t size) {
  QIODevice* device = self(handle)->device_;
  return device ? tmsize_t(device->read(static_cast<char*>(buffer), qint64(size))) : 0;
}

tmsize_t TiffOnDevice::write(thandle_t handle, void* buffer, tmsize_t size) {
  TiffOnDevice* me = self(handle);
  if (!me->device_) return 0;
  errno = 0;
  const qint64 written = me->device_->write(static_cast<const char*>(buffer), qint64(size));
  if (written != qint64(size)) {
    me->failed_ = true;
    if (me->error_ == 0) me->error_ = errno;
  }
  return tmsize_t(written);
}

toff_t TiffOnDevice::seek(thandle_t handle, toff_t offset, int whence) {
  QIODevice* device = self(handle)->device_;
  if (!device) return toff_t(-1);
  const qint64 base = whence == SEEK_CUR ? device->pos() : whence == SEEK_END ? device->size() : 0;
  const qint64 to = base + qint64(offset);
  if (to < 0 || !device->seek(to)) return toff_t(-1);
  return toff_t(to);
}

int TiffOnDevice::complain(TIFF*, void* me, const char*, const char*, va_list) {
  static_cast<TiffOnDevice*>(me)->failed_ = true;
  return 1;
}

}  // namespace platform

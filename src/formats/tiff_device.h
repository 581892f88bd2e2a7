#pragma once
// libtiff's calls on a Qt device, for the writers of TIFF files and of fax
// streams: libtiff reads and writes through the device, and its complaints,
// in English, are noted and not printed.

#include <QIODevice>

#include <tiffio.h>

namespace platform {

class TiffOnDevice {
 public:
  TiffOnDevice() = default;
  TiffOnDevice(const TiffOnDevice&) = delete;
  TiffOnDevice& operator=(const TiffOnDevice&) = delete;
  ~TiffOnDevice() { closeTiff(); }

  // mode as TIFFOpen's ("w", "r"); false when libtiff refuses.
  bool open(QIODevice& device, const char* mode);
  TIFF* get() const { return tiff_; }
  // Writes out what libtiff still holds; false when it could not.
  bool closeTiff();
  // Lets go of the file without writing out anything more.
  void abandon();
  // Whether libtiff complained of an error (its warnings are passed over).
  bool failed() const { return failed_; }
  // The system's error number of the first write that failed, or 0.
  int error() const { return error_; }

 private:
  static TiffOnDevice* self(thandle_t handle) { return static_cast<TiffOnDevice*>(handle); }
  static tmsize_t read(thandle_t handle, void* buffer, tmsize_t size);
  static tmsize_t write(thandle_t handle, void* buffer, tmsize_t size);
  static toff_t seek(thandle_t handle, toff_t offset, int whence);
  static int close(thandle_t) { return 0; }
  static toff_t size(thandle_t handle) { return self(handle)->device_ ? toff_t(self(handle)->device_->size()) : 0; }
  static int map(thandle_t, void**, toff_t*) { return 0; }
  static void unmap(thandle_t, void*, toff_t) {}
  static int complain(TIFF*, void* me, const char*, const char*, va_list);
  static int ignore(TIFF*, void*, const char*, const char*, va_list) { return 1; }

  QIODevice* device_ = nullptr;
  TIFF* tiff_ = nullptr;
  bool failed_ = false;
  int error_ = 0;
};

}  // namespace platform

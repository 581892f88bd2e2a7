#include "formats/jpeg_decoder.h"

#include "core/large_pages.h"
#include "core/numbers.h"
#include "formats/codecs.h"

#include <QColorSpace>
#include <QString>

#include "formats/jpeg_errors.h"
#include "formats/resolution.h"

#include <algorithm>

#include <jerror.h>

namespace platform {

namespace {

// Encoders write ten scans or so. An empty scan takes a few bytes of the file
// and makes the decoder walk every block of the picture once: at 16 megapixels
// each costs 2 to 4 ms, so that a 250 KB file of 20,000 of them would keep it
// busy for a minute. (libjpeg-turbo suggests 500 as the limit; that is still
// one to two seconds at 16 megapixels.)
constexpr int MaxScans = 100;

// Why libjpeg was left (JpegErrors::why): 0 for a fatal error, JpegOutOfMemory, or these.
enum Stop { Warning = 1, TooManyScans };

// Warnings about what surrounds the pixels: a JFIF revision or Adobe
// transform code of a later day, a colour profile segment out of order, and
// stray bytes after the last scan before the end mark (many cameras write
// them). The picture itself decodes whole.
bool harmless(const jpeg_error_mgr& errors) {
  switch (errors.msg_code) {
    case JWRN_JFIF_MAJOR:
    case JWRN_ADOBE_XFORM:
    case JWRN_BOGUS_ICC:
      return true;
    case JWRN_EXTRANEOUS_DATA:
      return errors.msg_parm.i[1] == 0xD9;
    default:
      return false;
  }
}

// Any other warning is the decoder saying it met corrupt or missing data and
// filled the gap itself; trace messages (level 0 and up) say nothing of the sort.
void onMessage(j_common_ptr info, int level) {
  if (level < 0 && !harmless(*info->err)) LeaveJpeg(info, Warning);
}

// Called once a row of blocks while the scans are read.
void onProgress(j_common_ptr info) {
  if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > MaxScans) LeaveJpeg(info, TooManyScans);
}

struct Decoding {
  jpeg_decompress_struct info{};  // destroyed safely even if never created
  JpegErrors errors;
  jpeg_progress_mgr progress{};
  QImage image;

  Decoding() {
    info.err = &errors;
    errors.emit_message = onMessage;
    progress.progress_monitor = onProgress;
  }
  ~Decoding() { jpeg_destroy_decompress(&info); }
  Decoding(const Decoding&) = delete;
  Decoding& operator=(const Decoding&) = delete;
};

// Grey, YCbCr and RGB files decode straight into Qt's 32-bit layout (blue,
// green, red, then 0xFF); CMYK and YCCK files give their inks, one row at a time.
void chooseOutput(jpeg_decompress_struct& info) {
  switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
      info.out_color_space = JCS_EXT_BGRX;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      info.out_color_space = JCS_CMYK;
      break;
    default:
      Fail(FailureKind::Damaged, QStringLiteral("Imagen no válida"));
  }
}

// Big pictures lie in memory the kernel may back with large pages. The decoder
// writes every pixel, so nothing is cleared first, and memory it never reaches
// because the file turns out damaged is never touched.
void allocate(Decoding& d) {
  const int width = int(d.info.output_width), height = int(d.info.output_height);
  const std::size_t bytes = std::size_t(width) * 4 * std::size_t(height);
  if (LargePagesAdvised && bytes >= 4 * LargePageBytes) {
    if (PixelMemory memory = AllocatePixels(bytes))
      d.image = ImageOver(std::move(memory), width, height, qsizetype(width) * 4, QImage::Format_RGB32);
  } else {
    d.image = QImage(width, height, QImage::Format_RGB32);
  }
  if (d.image.isNull()) Fail(FailureKind::OutOfMemory, QStringLiteral("Memoria insuficiente"));
}

void cmykToRgb(const JSAMPLE* in, QRgb* out, int width) {
  for (int x = 0; x < width; ++x, in += 4) {
    const int k = in[3];
    out[x] = qRgb(k * in[0] / 255, k * in[1] / 255, k * in[2] / 255);
  }
}

// The decoding itself, false when libjpeg stopped it. Nothing here holds an
// object with a destructor across a libjpeg call, which a longjmp would skip.
bool run(Decoding& d, const QByteArray& bytes) {
  if (setjmp(d.errors.jump)) return false;
  jpeg_create_decompress(&d.info);
  d.info.progress = &d.progress;
  jpeg_mem_src(&d.info, reinterpret_cast<const unsigned char*>(bytes.constData()), (unsigned long)bytes.size());
  jpeg_save_markers(&d.info, JPEG_COM, 0xFFFF);
  jpeg_save_markers(&d.info, JPEG_APP0 + 2, 0xFFFF);  // colour profile
  jpeg_read_header(&d.info, TRUE);
  chooseOutput(d.info);
  jpeg_calc_output_dimensions(&d.info);
  CheckClaimedSize(QSize(int(d.info.output_width), int(d.info.output_height)), bytes.size());
  jpeg_start_decompress(&d.info);  // a progressive file is read whole here
  allocate(d);
  uchar* const pixels = d.image.bits();
  const qsizetype bytesPerLine = d.image.bytesPerLine();
  const int width = int(d.info.output_width), height = int(d.info.output_height);
  if (d.info.out_color_space == JCS_CMYK) {
    JSAMPARRAY inks =
        d.info.mem->alloc_sarray(reinterpret_cast<j_common_ptr>(&d.info), JPOOL_IMAGE, JDIMENSION(width) * 4, 1);
    while (int(d.info.output_scanline) < height) {
      const int y = int(d.info.output_scanline);
      jpeg_read_scanlines(&d.info, inks, 1);
      cmykToRgb(inks[0], reinterpret_cast<QRgb*>(pixels + y * bytesPerLine), width);
    }
  } else {
    constexpr int Batch = 16;
    JSAMPROW rows[Batch];
    while (int(d.info.output_scanline) < height) {
      const int y = int(d.info.output_scanline), count = std::min(Batch, height - y);
      for (int i = 0; i < count; ++i) rows[i] = pixels + (y + i) * bytesPerLine;
      jpeg_read_scanlines(&d.info, rows, JDIMENSION(count));
    }
  }
  jpeg_finish_decompress(&d.info);  // reads on to the end marker
  return true;
}

// What Qt's reader attaches to a JPEG picture: the resolution of a JFIF
// header, each comment as a text ("Key: value", or a Description), and the
// colour profile carried in APP2 segments.
void attachMetadata(Decoding& d) {
  const jpeg_decompress_struct& info = d.info;
  if (info.density_unit == 1) {
    // Cut to whole dots per metre, as Qt's reader does.
    d.image.setDotsPerMeterX(int(info.X_density / MetresPerInch));
    d.image.setDotsPerMeterY(int(info.Y_density / MetresPerInch));
  } else if (info.density_unit == 2) {
    d.image.setDotsPerMeterX(int(100. * info.X_density));
    d.image.setDotsPerMeterY(int(100. * info.Y_density));
  }
  QByteArray profile;
  for (jpeg_saved_marker_ptr marker = info.marker_list; marker; marker = marker->next) {
    const auto* data = reinterpret_cast<const char*>(marker->data);
    if (marker->marker == JPEG_COM) {
      const QString text = QString::fromUtf8(data, marker->data_length);
      const qsizetype colon = text.indexOf(QLatin1String(": "));
      if (colon == -1 || text.indexOf(u' ') < colon)
        d.image.setText(QStringLiteral("Description"), text);
      else
        d.image.setText(text.left(colon), text.mid(colon + 2));
    } else if (marker->data_length > 128 + 4 + 14 && qstrcmp(data, "ICC_PROFILE") == 0) {
      profile.append(data + 14, marker->data_length - 14);
    }
  }
  if (!profile.isEmpty()) d.image.setColorSpace(QColorSpace::fromIccProfile(profile));
}

}  // namespace

QImage DecodeJpeg(const QByteArray& bytes) {
  Decoding d;
  if (!run(d, bytes)) {
    switch (d.errors.why) {
      case Warning:
        Fail(FailureKind::Damaged,
             d.errors.msg_code == JWRN_JPEG_EOF || d.errors.msg_code == JWRN_HIT_MARKER
                 ? QStringLiteral("Imagen dañada o incompleta: faltan datos de la imagen")
                 : QStringLiteral("Imagen dañada o incompleta: sus datos comprimidos tienen errores"));
      case TooManyScans:
        Fail(FailureKind::Damaged,
             QStringLiteral("Imagen dañada o incompleta: tiene más de %1 pasadas progresivas").arg(MaxScans));
      case JpegOutOfMemory:
        Fail(FailureKind::OutOfMemory, QStringLiteral("Memoria insuficiente"));
      default:
        Fail(FailureKind::Damaged, QStringLiteral("Imagen no válida"));
    }
  }
  attachMetadata(d);
  return std::move(d.image);
}

}  // namespace platform

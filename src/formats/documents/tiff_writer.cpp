// TIFF documents: libtiff writes the header, each page's directory and the
// links between them; each page's stream, already made, is its one strip.
#include "formats/documents/tiff_writer.h"

#include "core/numbers.h"
#include "formats/documents/writer_file.h"
#include "formats/tiff_device.h"

#include <limits>
#include <vector>

namespace documents {

namespace {

class TiffWriter final : public DocumentWriter {
 public:
  explicit TiffWriter(const QString& target) : file_(target) {
    if (!tiff_.open(file_.device(), "w")) fail();
  }

  void addPage(const EncodedPage& page) override {
    if (broken_) fail();  // nothing more is written once a write failed
    // A TIFF's offsets have 32 bits; a page's directory takes a few hundred
    // bytes beside its stream and colour table.
    constexpr qint64 Limit = qint64(std::numeric_limits<std::uint32_t>::max());
    if (file_.device().size() + page.data.size() + 4096 + 6 * 256 > Limit) {
      broken_ = true;
      tiff_.abandon();
      file_.fail(0, QStringLiteral("un TIFF no puede pasar de 4 GB; el PDF no tiene ese límite"));
    }
    TIFF* t = tiff_.get();
    TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, std::uint32_t(page.width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, std::uint32_t(page.height));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, page.bitsPerSample);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, page.components);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, std::uint32_t(page.height));
    TIFFSetField(t, TIFFTAG_XRESOLUTION, float(page.dpiX > 0 ? page.dpiX : 72));
    TIFFSetField(t, TIFFTAG_YRESOLUTION, float(page.dpiY > 0 ? page.dpiY : 72));
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    std::vector<std::uint16_t> map;
    switch (page.storage) {
      case EncodedPage::Storage::Group4:
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        break;
      case EncodedPage::Storage::Palette: {
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
        // Red, green and blue tables of 16 bits an entry, one entry for each
        // value the bits can hold.
        const std::size_t entries = std::size_t(1) << page.bitsPerSample;
        map.assign(3 * entries, 0);
        for (std::size_t i = 0; i < page.palette.size() && i < entries; ++i) {
          const std::uint32_t c = page.palette[i];
          map[i] = std::uint16_t(((c >> 16) & 0xFF) * 257);
          map[entries + i] = std::uint16_t(((c >> 8) & 0xFF) * 257);
          map[2 * entries + i] = std::uint16_t((c & 0xFF) * 257);
        }
        TIFFSetField(t, TIFFTAG_COLORMAP, map.data(), map.data() + entries, map.data() + 2 * entries);
        break;
      }
      case EncodedPage::Storage::Grey:
      case EncodedPage::Storage::Rgb:
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, page.components == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
        break;
      case EncodedPage::Storage::Jpeg:
        // The strip is a whole JPEG stream, tables included; a colour one is
        // YCbCr with the colour halved both ways, as the encoder made it.
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
        if (page.components == 3) {
          TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
          TIFFSetField(t, TIFFTAG_YCBCRSUBSAMPLING, 2, 2);
        } else {
          TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        }
        break;
    }
    if (TIFFWriteRawStrip(t, 0, const_cast<char*>(page.data.constData()), tmsize_t(page.data.size())) < 0 ||
        !TIFFWriteDirectory(t) || tiff_.failed())
      fail();
    ++pages_;
  }

  void finish() override {
    if (broken_) fail();
    if (pages_ == 0) RaiseNoPages();
    if (!tiff_.closeTiff()) fail();
    file_.commit();
  }

 private:
  [[noreturn]] void fail() {
    broken_ = true;
    tiff_.abandon();
    file_.fail(tiff_.error(), QStringLiteral("la biblioteca de TIFF no pudo escribirlo"));
  }

  WriterFile file_;
  platform::TiffOnDevice tiff_;
  int pages_ = 0;
  bool broken_ = false;
};

}  // namespace

std::unique_ptr<DocumentWriter> CreateTiffDocument(const QString& target) {
  return std::make_unique<TiffWriter>(target);
}

}  // namespace documents

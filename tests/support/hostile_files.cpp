#include "support/hostile_files.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QtEndian>

namespace hostile {

quint32 Crc32(const QByteArray& bytes) {
  quint32 crc = 0xFFFFFFFFu;
  for (const char c : bytes) {
    crc ^= quint8(c);
    for (int k = 0; k < 8; ++k) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return ~crc;
}

namespace {

void le16(QByteArray& b, unsigned v) { b.append(char(v & 0xFF)).append(char(v >> 8 & 0xFF)); }
void le32(QByteArray& b, quint32 v) {
  le16(b, v & 0xFFFF);
  le16(b, v >> 16);
}
void be32(QByteArray& b, quint32 v) {
  char c[4];
  qToBigEndian(v, c);
  b.append(c, 4);
}

QByteArray pngChunk(const char* type, const QByteArray& data, quint32 claimedLength) {
  QByteArray chunk;
  be32(chunk, claimedLength);
  const QByteArray body = QByteArray(type) + data;
  chunk += body;
  be32(chunk, Crc32(body));
  return chunk;
}

QByteArray encode(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter(&buffer, format).write(image);
  return bytes;
}

QImage pattern(int width, int height, QImage::Format format, bool alpha) {
  QImage image(width, height, format);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixelColor(x, y,
                          QColor((x * 37) % 256, (y * 53) % 256, (x * y) % 256, alpha ? (x * 29 + y) % 256 : 255));
  return image;
}

// A BMP with the 12-byte header of 24 bits.
QByteArray coreHeaderBmp(int width, int height) {
  const int stride = (width * 3 + 3) / 4 * 4;
  QByteArray b("BM");
  le32(b, quint32(26 + stride * height));
  le32(b, 0);
  le32(b, 26);
  le32(b, 12);
  le16(b, unsigned(width));
  le16(b, unsigned(height));
  le16(b, 1);
  le16(b, 24);
  return b + QByteArray(stride * height, '\x55');
}

// A GIF of width x height with a 2-colour palette whose image data is the
// given LZW bytes (code size 2).
QByteArray gif(int screenWidth, int screenHeight, int width, int height, const QByteArray& lzw, bool transparent) {
  QByteArray b("GIF89a");
  le16(b, unsigned(screenWidth));
  le16(b, unsigned(screenHeight));
  b += QByteArray("\x80\x00\x00\xFF\x00\x00\x00\x00\xFF", 9);               // global palette: red, blue
  if (transparent) b += QByteArray("\x21\xF9\x04\x01\x00\x00\x01\x00", 8);  // index 1 transparent
  b += '\x2C';
  le32(b, 0);
  le16(b, unsigned(width));
  le16(b, unsigned(height));
  b += QByteArray("\x00\x02", 2);
  for (qsizetype at = 0; at < lzw.size(); at += 255) {
    const QByteArray block = lzw.mid(at, 255);
    b += char(block.size());
    b += block;
  }
  return b + QByteArray("\x00\x3B", 2);
}

// LZW data (code size 2, 3-bit codes) of n pixels of alternating indices 0
// and 1, clearing before the table grows, then the end code.
QByteArray lzwAlternating(int n, bool endCode) {
  QByteArray out;
  quint32 acc = 0;
  int bits = 0;
  const auto put = [&](unsigned code) {
    acc |= code << bits;
    bits += 3;
    while (bits >= 8) out += char(acc & 0xFF), acc >>= 8, bits -= 8;
  };
  for (int i = 0; i < n; ++i) {
    if (i % 2 == 0) put(4);  // clear: the table stays at 3-bit codes
    put(unsigned(i % 2));
  }
  if (endCode) put(5);
  if (bits) out += char(acc & 0xFF);
  return out;
}

QByteArray jpegHugeHeader() {
  // SOI, a baseline frame of 10000 x 10000 grey, then no tables, no scan: zeros.
  QByteArray b("\xFF\xD8\xFF\xC0\x00\x0B\x08\x27\x10\x27\x10\x01\x01\x11\x00", 15);
  return b + QByteArray(13 * 1024, '\0');
}

QByteArray tiff64BitSamples() {
  QByteArray b("II*\0", 4);
  le32(b, 8);
  const struct {
    unsigned tag, type;
    quint32 value;
  } entries[] = {{256, 3, 2}, {257, 3, 2}, {258, 3, 64}, {259, 3, 1}, {262, 3, 1}, {273, 4, 8 + 2 + 9 * 12 + 4},
                 {277, 3, 1}, {278, 3, 2}, {279, 4, 32}};
  le16(b, 9);
  for (const auto& e : entries) {
    le16(b, e.tag);
    le16(b, e.type);
    le32(b, 1);
    if (e.type == 3)
      le16(b, e.value), le16(b, 0);
    else
      le32(b, e.value);
  }
  le32(b, 0);
  return b + QByteArray(32, '\x11');
}

unsigned gradientIndex(int x, int y) { return unsigned(x + y); }
unsigned gradientColour(int x, int y) { return unsigned((x * 41 % 256) << 16 | (y * 67 % 256) << 8 | (x ^ y) % 256); }

}  // namespace

QByteArray Bmp(int width, int height, int bits, const std::vector<unsigned>& palette, unsigned (*pixel)(int, int)) {
  const int stride = (width * bits + 31) / 32 * 4;
  const int colours = bits <= 8 ? int(palette.size()) : 0;
  const quint32 offset = 54 + 4 * quint32(colours);
  QByteArray b("BM");
  le32(b, offset + quint32(stride * height));
  le32(b, 0);
  le32(b, offset);
  le32(b, 40);
  le32(b, quint32(width));
  le32(b, quint32(height));
  le16(b, 1);
  le16(b, unsigned(bits));
  le32(b, 0);
  le32(b, quint32(stride * height));
  le32(b, 2835);
  le32(b, 2835);
  le32(b, quint32(colours));
  le32(b, 0);
  for (int i = 0; i < colours; ++i) le32(b, palette[std::size_t(i)]);
  for (int y = height - 1; y >= 0; --y) {
    QByteArray row(stride, '\0');
    for (int x = 0; x < width; ++x) {
      const unsigned v = pixel(x, y);
      if (bits < 8) {
        const unsigned index = v % (1u << bits);
        const int at = x * bits;
        row[at / 8] = char(quint8(row[at / 8]) | index << (8 - bits - at % 8));
      } else if (bits == 8) {
        row[x] = char(v % unsigned(colours));
      } else {
        const int n = bits / 8;
        for (int k = 0; k < n; ++k) row[x * n + k] = char(k < 3 ? v >> (8 * k) & 0xFF : 0xFF);
      }
    }
    b += row;
  }
  return b;
}

QByteArray Rle8Bmp(int width, int height, const QByteArray& runs) {
  std::vector<unsigned> palette;
  for (unsigned i = 0; i < 4; ++i) palette.push_back(i * 0x402010u + 0x103050u);
  QByteArray b = Bmp(width, height, 8, palette, [](int, int) { return 0u; });
  b.truncate(54 + 16);
  b[30] = 1;  // BI_RLE8
  qToLittleEndian(quint32(runs.size()), b.data() + 34);
  qToLittleEndian(quint32(b.size() + runs.size()), b.data() + 2);
  return b + runs;
}

std::vector<File> DamagedFiles() {
  const QByteArray jpeg = encode(pattern(120, 90, QImage::Format_RGB32, false), "jpg");
  const QByteArray png = encode(pattern(40, 30, QImage::Format_RGB32, false), "png");
  QByteArray hugeChunk = png.left(33);  // signature and header
  hugeChunk += pngChunk("IDAT", QByteArray(8, '\0'), 0x7FFFFFF0u);
  QByteArray mng("\x8AMNG\r\n\x1A\n", 8);
  QByteArray mhdr;
  for (const quint32 v : {10000u, 10000u, 1u, 0u, 0u, 0u, 0u}) be32(mhdr, v);
  mng += pngChunk("MHDR", mhdr, quint32(mhdr.size()));
  mng += pngChunk("MEND", {}, 0);
  QByteArray jpegCut = jpeg.left(jpeg.size() / 2);
  jpegCut += "\xFF\xD9";
  return {
      {"bmp_large_page_negative_length", QStringLiteral("choque58.bmp"),
       QByteArray::fromBase64("Qk06BAAAoIYBACgAAAIIAAAACAD//wEACAABAAAAAAAAoIYBACgAAAIIAAAACAAAAAEAAAAAAAAAAA==")},
      {"bmp_core_header_cut", QStringLiteral("cabecera12.bmp"), coreHeaderBmp(64, 64).left(26 + 500)},
      {"png_huge_chunk", QStringLiteral("trozo_enorme.png"), hugeChunk},
      {"mng_huge_claim", QStringLiteral("animacion.mng"), mng},
      {"ppm_not_named_by_the_help", QStringLiteral("retrato.ppm"),
       QByteArray("P6\n2 2\n255\n") + QByteArray(12, '\x7F')},
      {"gif_screen_10000_square", QStringLiteral("pantalla.gif"),
       gif(10000, 10000, 1, 1, lzwAlternating(1, true), false)},
      {"gif_lzw_cut", QStringLiteral("lzw_cortado.gif"), gif(8, 8, 8, 8, lzwAlternating(1, false), false)},
      {"jpeg_cut_with_end_marker", QStringLiteral("mitad.jpg"), jpegCut},
      {"jpeg_10000_square_of_zeros", QStringLiteral("ceros.jpg"), jpegHugeHeader()},
      {"tiff_64_bit_samples", QStringLiteral("muestras64.tif"), tiff64BitSamples()},
      {"png_cut", QStringLiteral("cortada.png"), png.left(png.size() / 2)},
  };
}

std::vector<File> VariedFiles() {
  const std::vector<unsigned> two{0x000000, 0xFFFFFF}, sixteen = [] {
    std::vector<unsigned> p;
    for (unsigned i = 0; i < 16; ++i) p.push_back(i * 0x0F0A05u);
    return p;
  }();
  const std::vector<unsigned> many = [] {
    std::vector<unsigned> p;
    for (unsigned i = 0; i < 200; ++i) p.push_back((i * 0x010203u * 7) & 0xFFFFFF);
    return p;
  }();
  return {
      {"bmp_1_bit", QStringLiteral("b1.bmp"), Bmp(13, 5, 1, two, gradientIndex)},
      {"bmp_4_bit", QStringLiteral("b4.bmp"), Bmp(11, 6, 4, sixteen, gradientIndex)},
      {"bmp_8_bit", QStringLiteral("b8.bmp"), Bmp(7, 9, 8, many, gradientIndex)},
      {"bmp_24_bit", QStringLiteral("b24.bmp"), Bmp(5, 3, 24, {}, gradientColour)},
      {"bmp_32_bit", QStringLiteral("b32.bmp"), Bmp(6, 4, 32, {}, gradientColour)},
      // Runs that cover part of the picture only: an early end of the picture.
      {"bmp_rle8_early_end", QStringLiteral("rle8.bmp"), Rle8Bmp(8, 8, QByteArray("\x08\x01\x00\x01", 4))},
      {"gif_palette", QStringLiteral("paleta.gif"), gif(9, 3, 9, 3, lzwAlternating(27, true), false)},
      {"gif_transparent", QStringLiteral("transparente.gif"), gif(9, 3, 9, 3, lzwAlternating(27, true), true)},
      {"jpeg", QStringLiteral("foto.jpg"), encode(pattern(37, 23, QImage::Format_RGB32, false), "jpg")},
      {"png_8_bit_alpha", QStringLiteral("alfa8.png"), encode(pattern(21, 11, QImage::Format_ARGB32, true), "png")},
      {"png_16_bit_alpha", QStringLiteral("alfa16.png"), encode(pattern(19, 13, QImage::Format_RGBA64, true), "png")},
      {"png_16_bit_alpha_again", QStringLiteral("alfa16b.png"),
       encode(pattern(23, 17, QImage::Format_RGBA64, true), "png")},
      {"tiff", QStringLiteral("hoja.tif"), encode(pattern(15, 10, QImage::Format_RGB32, false), "tif")},
  };
}

bool WriteAll(const std::vector<File>& files, const QString& folder) {
  if (!QDir().mkpath(folder)) return false;
  for (const File& f : files) {
    QFile out(QDir(folder).filePath(f.name));
    if (!out.open(QIODevice::WriteOnly) || out.write(f.bytes) != f.bytes.size()) return false;
  }
  return true;
}

}  // namespace hostile

// TIFF files that once went wrong: each one is read with the pixels libtiff's
// own decoding gives, or refused with its reason named, before anything is
// allocated for what it claims.
#include "support/tiff_producers.h"
#include "core/failure.h"
#include "formats/codecs.h"
#include "formats/documents/document.h"
#include "support/picture_files.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace tiffproducers;

namespace {

QImage picture(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 5 & 255, y * 3 & 255, (x ^ y) & 255));
  return image;
}

QString written(const QTemporaryDir& dir, const char* name, const QByteArray& bytes) {
  const QString path = dir.filePath(QString::fromUtf8(name));
  EXPECT_TRUE(imagefilestest::WriteFile(path, bytes));
  return path;
}

// Whether reading the file gives a failure whose reason holds `reason`.
::testing::AssertionResult refused(const std::function<void()>& read, const char* reason) {
  try {
    read();
  } catch (const platform::Failure& f) {
    if (f.reason.contains(QString::fromUtf8(reason))) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "refused with: " << f.reason.toStdString();
  }
  return ::testing::AssertionFailure() << "read whole";
}

TEST(TiffFiles, PicturesLibtiffReadsAreReadWithItsPixels) {
  const QImage photo = picture(100, 75);
  const struct {
    const char* name;
    QByteArray bytes;
  } cases[] = {
      {"tiles of 16", TiledRgb(photo, 16)}, {"tiles of 48", TiledRgb(photo, 48)},
      {"tiles of 32", TiledRgb(photo, 32)}, {"tiles larger than the picture", TiledRgb(photo, 256)},
      {"bigtiff", BigTiff(photo)},          {"one page of strips", Pages(1, 37, 23)},
  };
  QTemporaryDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QImage libtiff = LibtiffPixels(c.bytes);
    ASSERT_FALSE(libtiff.isNull());
    EXPECT_EQ(platform::LoadPictureFromData(c.bytes), libtiff);
    EXPECT_EQ(platform::LoadPicture(written(dir, c.name, c.bytes)), libtiff);  // the window's path
  }
}

// One-dimensional Group 3 without end-of-line codes, which libtiff 4.5's own
// Group 3 decoder cannot read: rows one after another, or byte-aligned.
TEST(TiffFiles, FaxRowsWithoutEndOfLineAreRead) {
  const QImage photo = picture(300, 200);
  const QImage expected = photo.convertToFormat(QImage::Format_Grayscale8)
                              .convertToFormat(QImage::Format_Mono, Qt::ThresholdDither | Qt::MonoOnly)
                              .convertToFormat(QImage::Format_RGB32);
  for (const bool aligned : {false, true}) {
    SCOPED_TRACE(aligned);
    const QImage read = platform::LoadPictureFromData(Group3WithoutEol(photo, aligned));
    ASSERT_EQ(read.size(), expected.size());
    for (int y = 0; y < read.height(); ++y)
      ASSERT_EQ(0, std::memcmp(read.constScanLine(y), expected.constScanLine(y), std::size_t(read.width()) * 4))
          << "row " << y;
  }
}

// The forms Qt's own reader of TIFF gave the loader, read as it read them:
// 16-bit grey rounded to the nearest 8-bit value, not cut to its high byte;
// transparent pixels painted over white.
TEST(TiffFiles, FormsQtsReaderGaveKeepTheirPixels) {
  QImage photo = picture(61, 29).convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < photo.height(); ++y)
    for (int x = 0; x < photo.width(); ++x) {
      const QRgb p = photo.pixel(x, y);
      photo.setPixel(x, y, qRgba(qRed(p), qGreen(p), qBlue(p), (x * 9 + y * 4) & 255));
    }
  for (const QImage::Format format :
       {QImage::Format_Grayscale16, QImage::Format_Grayscale8, QImage::Format_Indexed8, QImage::Format_Mono,
        QImage::Format_RGBX64, QImage::Format_RGB888, QImage::Format_ARGB32, QImage::Format_RGBA64}) {
    SCOPED_TRACE(int(format));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    ASSERT_TRUE(writer.write(photo.convertToFormat(format)));
    buffer.close();
    buffer.open(QIODevice::ReadOnly);
    QImage qt = QImageReader(&buffer, "tiff").read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < qt.height(); ++y)
      for (int x = 0; x < qt.width(); ++x) {
        const QRgb p = qt.pixel(x, y);
        const int clear = 255 - qAlpha(p);
        qt.setPixel(x, y, qRgb(qRed(p) + clear, qGreen(p) + clear, qBlue(p) + clear));
      }
    EXPECT_EQ(platform::LoadPictureFromData(buffer.data()), qt.convertToFormat(QImage::Format_RGB32));
  }
}

TEST(TiffFiles, EveryPageOfADocumentIsLibtiffsPage) {
  QTemporaryDir dir;
  const QByteArray pages = Pages(7, 30, 21);
  const auto reader = documents::OpenDocument(written(dir, "siete", pages));
  ASSERT_EQ(reader->pageCount(), 7);
  for (int i : {6, 0, 3, 3, 1, 2, 5, 4}) EXPECT_EQ(reader->page(i), LibtiffPixels(pages, i)) << "page " << i;
}

TEST(TiffFiles, WhatCannotBeReadWholeIsRefusedWithItsReason) {
  const QByteArray three = Pages(3);
  struct Case {
    const char* name;
    QByteArray bytes;
    const char* reason;
  };
  const Case documentCases[] = {
      {"chain back to the first", BrokenChain(three, Chain::BackToFirst), "la página 3 lleva de vuelta a la página 1"},
      {"chain to itself", BrokenChain(three, Chain::ToItself), "la página 3 lleva de vuelta a la página 3"},
      {"chain past the end", BrokenChain(three, Chain::PastEnd), "la página 4 no se puede leer"},
      {"chain to no directory", BrokenChain(three, Chain::Unreadable), "la página 4 no se puede leer"},
      {"cut at 80 %", three.left(three.size() * 4 / 5), "la página 3 no se puede leer"},
      {"second page claims 16384 square", SecondPageHuge(16384), "no alcanzan para el tamaño"},
  };
  QTemporaryDir dir;
  for (const auto& c : documentCases) {
    SCOPED_TRACE(c.name);
    const QString path = written(dir, c.name, c.bytes);
    EXPECT_TRUE(refused(
        [&] {
          const auto reader = documents::OpenDocument(path);
          for (int i = 0; i < reader->pageCount(); ++i) reader->page(i);
        },
        c.reason));
  }
  const Case pictureCases[] = {
      {"palette without its colour map", PaletteWithoutColourMap(), "le falta su tabla de colores"},
      {"strip past the end", TiledRgb(picture(64, 64), 16).left(2000), ""},
  };
  for (const auto& c : pictureCases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(refused([&] { platform::LoadPictureFromData(c.bytes); }, c.reason));
  }
}

}  // namespace

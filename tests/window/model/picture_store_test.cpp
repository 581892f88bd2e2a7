// The picture store's copy made ahead, apart from the box that shows it.
#include "window/model/picture_store.h"

#include "support/picture_files.h"

#include <gtest/gtest.h>

#include <functional>

using namespace platform;
using imagefilestest::Gradient;

// A copy made ahead is either taken by the drawing that needs it or dropped
// unused, and its memory goes with it either way (the sanitized build's leak
// check sees any that stays behind). The image drawn on is the picture, with
// its resolution, plus the drawing.
TEST(PictureStore, ACopyMadeAheadIsTakenOrDroppedWithItsMemory) {
  QImage picture = Gradient(1200, 1000);  // over 4 MB: copied on a thread of its own
  picture.setDotsPerMeterX(5906);
  picture.setDotsPerMeterY(3937);
  const QImage other = Gradient(1200, 1000, 7);
  constexpr ColorValue Ink = 0x123456;
  const struct {
    const char* what;
    std::function<void(PictureStore&)> act;
    std::function<void(QImage&)> expected;  // on the picture, in RGB32
  } cases[] = {
      {"taken by the first drawing", [](PictureStore& s) { s.PSet(5, 5, Ink); },
       [](QImage& i) { i.setPixel(5, 5, ToQRgb(Ink)); }},
      {"taken by the first drawing after a run, asked for twice",
       [](PictureStore& s) {
         s.PSet(5, 5, Ink);
         s.CopyAhead();
         s.CopyAhead();
         s.PSet(6, 6, Ink);
       },
       [](QImage& i) {
         i.setPixel(5, 5, ToQRgb(Ink));
         i.setPixel(6, 6, ToQRgb(Ink));
       }},
      {"dropped for another picture", [&](PictureStore& s) { s.SetPicture(other); }, [&](QImage& i) { i = other; }},
      {"dropped for an edit", [](PictureStore& s) { s.EditImage([](QImage& i) { i.setPixel(1, 1, ToQRgb(Ink)); }); },
       [](QImage& i) { i.setPixel(1, 1, ToQRgb(Ink)); }},
      {"dropped with the store", [](PictureStore&) {}, [](QImage&) {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PictureStore store;
    store.setAutoRedraw(true);
    store.SetPicture(picture);
    ASSERT_TRUE(store.CopyingAhead());
    c.act(store);
    QImage expected = picture.convertToFormat(QImage::Format_RGB32);
    c.expected(expected);
    const QImage image = store.Image();
    EXPECT_EQ(image, expected);
    EXPECT_EQ(image.dotsPerMeterX(), expected.dotsPerMeterX());
    EXPECT_EQ(image.dotsPerMeterY(), expected.dotsPerMeterY());
  }
}

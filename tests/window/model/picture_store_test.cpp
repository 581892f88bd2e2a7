// The picture store apart from the box that shows it: its copy made ahead
// and its walk down a column.
#include "window/model/picture_store.h"

#include "core/pixel_rules.h"
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

// A column the filter's rule leaves as it was is neither copied nor marked
// to be shown, whether it is walked in a band or, too tall for one, a
// stretch at a time; one it changes is. The heights leave a few pixels past
// the last whole vector, which a walk must not count as changed.
TEST(PictureStore, TheWalkSaysWhetherTheFiltersRuleChangedAColumn) {
  const filters::RemovalRule nearBlack(0, 0, 0, 0x123456);
  const struct {
    const char* what;
    QRgb fill;
    std::function<void(PictureStore&, int)> walk;
    bool changes;
  } cases[] = {
      {"whitening white", 0xFFFFFFFF,
       [](PictureStore& s, int h) { s.TransformColumn(1, h - 1, filters::WhiteningRule{}); }, false},
      {"removal near black on white", 0xFFFFFFFF,
       [&](PictureStore& s, int h) { s.TransformColumn(1, h - 1, nearBlack); }, false},
      {"grey type on black", 0xFF000000,
       [](PictureStore& s, int h) { s.TransformColumn(1, h - 1, filters::GreyTypeRule(140, 20)); }, false},
      {"removal near black on black", 0xFF000000,
       [&](PictureStore& s, int h) { s.TransformColumn(1, h - 1, nearBlack); }, true},
  };
  for (const int height : {11, (1 << 20) + 5}) {
    QImage picture(3, height, QImage::Format_RGB32);
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << c.what << ", " << height << " rows");
      picture.fill(c.fill);
      PictureStore store;
      store.setAutoRedraw(true);
      store.SetPicture(picture);
      const QImage held = store.Image();
      c.walk(store, height);
      const auto [first, last] = store.TakeDrawnColumns();
      EXPECT_EQ(first <= last, c.changes);
      const QImage image = store.Image();
      EXPECT_EQ(image.constBits() != held.constBits(), c.changes);
      EXPECT_EQ(image.pixel(1, height - 1), c.changes ? ToQRgb(0x123456) : c.fill);
      EXPECT_EQ(image.pixel(2, height - 1), c.fill);
    }
  }
}

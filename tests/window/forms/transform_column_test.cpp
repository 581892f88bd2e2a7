// The picture box's column walk that the filters scan with.
#include "window/forms/picturebox.h"

#include "support/filter_support.h"

#include <gtest/gtest.h>

#include <climits>

using namespace filtertest;
using platform::PictureBox;

namespace {
// A rule whose result depends on the colour only, and that counts its calls.
struct Counting {
  int* calls;
  ColorValue operator()(ColorValue c) const {
    ++*calls;
    return c == -1 ? 0 : (c ^ 0x0F0F0F);
  }
};
}  // namespace

TEST(TransformColumn, VisitsThePositionsInsideThePictureOnly) {
  PictureBox box(nullptr, "pictureBox");
  box.setPicture(MixedPicture(4, 3));
  box.setAutoRedraw(true);
  const struct {
    int x, lastRow, calls;
  } cases[] = {{0, 3, 3}, {3, 3, 3}, {1, 1, 2}, {1, 0, 1}, {4, 3, 0}, {-1, 3, 0}, {2, -1, 0}, {2, INT_MAX, 3}};
  for (const auto& c : cases) {
    int calls = 0;
    box.TransformColumn(c.x, c.lastRow, Counting{&calls});
    EXPECT_EQ(calls, c.calls) << c.x << " " << c.lastRow;
  }
}

TEST(TransformColumn, HasTheEffectOfPointAndPSetInEveryDrawingState) {
  const QImage picture = MixedPicture(7, 9);
  const struct {
    int drawWidth;
    bool autoRedraw;
  } states[] = {{1, true}, {1, false}, {3, true}};
  for (const auto& s : states) {
    PictureBox walked(nullptr, "Walked"), pointwise(nullptr, "Pointwise");
    for (PictureBox* box : {&walked, &pointwise}) {
      box->setPicture(picture);
      box->setDrawWidth(s.drawWidth);
      box->setAutoRedraw(s.autoRedraw);
    }
    int calls = 0;
    const Counting rule{&calls};
    for (int x : {0, 3, 6}) {
      walked.TransformColumn(x, 8, rule);
      for (int y = 0; y <= 8; ++y) {
        const ColorValue c = pointwise.Point(x, y);
        if (rule(c) != c) pointwise.PSet(x, y, rule(c));
      }
    }
    EXPECT_EQ(Difference(walked.Image(), pointwise.Image()), "") << s.drawWidth << " " << s.autoRedraw;
    EXPECT_NE(Difference(walked.Image(), picture), "");
  }
}

TEST(TransformColumn, AColumnLeftAsItWasIsNotCopied) {
  PictureBox box(nullptr, "pictureBox");
  const QImage picture = MixedPicture(5, 5);
  box.setPicture(picture);
  box.setAutoRedraw(true);
  const QImage held = box.Image();
  box.TransformColumn(2, 4, [](ColorValue c) { return c; });
  EXPECT_EQ(box.Image().constBits(), held.constBits()) << "still shared with the copy handed out";
  box.TransformColumn(2, 4, filters::WhiteningRule{});
  EXPECT_EQ(Difference(held, picture), "") << "a copy handed out earlier keeps its pixels";
  EXPECT_EQ(Difference(box.Image(), WithColumns(picture, 2, 2, filters::WhiteningRule{})), "");
}

// Mid-scan, with part of the columns walked in a band of their own, every
// reader and writer of the box sees what Point and PSet alone would have
// left; a picture wider than one band crosses from band to band, and one
// too tall for a band is walked in place.
TEST(TransformColumn, EveryReaderAndWriterMidScanSeesThePointwiseResult) {
  enum class Between { Nothing, Read, HandOut, Draw, Edit };
  const filters::GreyTypeRule rule(100, 20);
  const struct { int width, height; } sizes[] = {{9, 11}, {300, 11}, {2, (1 << 20) + 1}};
  for (const auto [width, height] : sizes) {
    for (const Between between : {Between::Nothing, Between::Read, Between::HandOut, Between::Draw, Between::Edit}) {
      SCOPED_TRACE(testing::Message() << width << "x" << height << " " << int(between));
      const QImage picture = MixedPicture(width, height);
      PictureBox walked(nullptr, "Walked"), pointwise(nullptr, "Pointwise");
      for (PictureBox* box : {&walked, &pointwise}) {
        box->setPicture(picture);
        box->setAutoRedraw(true);
      }
      QImage handedOut, expectedHandedOut;
      for (int x = 0; x < width; ++x) {
        walked.TransformColumn(x, height - 1, rule);
        for (int y = 0; y < height; ++y)
          if (rule(pointwise.Point(x, y)) != pointwise.Point(x, y)) pointwise.PSet(x, y, rule(pointwise.Point(x, y)));
        if (x % 4 != 1 && width > 2) continue;
        const int other = (x * 7) % width;
        switch (between) {
          case Between::Nothing:
            break;
          case Between::Read:
            for (int y : {0, 3, 10}) {
              ASSERT_EQ(walked.Point(x, y), pointwise.Point(x, y)) << x << "," << y;
              ASSERT_EQ(walked.Point(other, y), pointwise.Point(other, y)) << other << "," << y;
            }
            break;
          case Between::HandOut:
            handedOut = walked.Image();
            expectedHandedOut = pointwise.Image();
            ASSERT_EQ(Difference(handedOut, expectedHandedOut), "") << x;
            break;
          case Between::Draw:
            for (PictureBox* box : {&walked, &pointwise}) box->PSet(other, 4, 0x123456);
            break;
          case Between::Edit:
            for (PictureBox* box : {&walked, &pointwise})
              box->EditImage([&](QImage& image) { image.setPixel(other, 2, 0xFF654321); });
            break;
        }
      }
      EXPECT_EQ(Difference(walked.Image(), pointwise.Image()), "");
      EXPECT_EQ(Difference(handedOut, expectedHandedOut), "") << "a copy handed out keeps its pixels";
    }
  }
}

// The made pages: their truth matches their pixels, each group brings what it
// names, and one seed always gives the same page.
#include "quality/page_maker.h"

#include <gtest/gtest.h>

#include <QColor>

#include <algorithm>
#include <cstring>

namespace quality {
namespace {

int Luma(const QImage& page, int x, int y) { return qGray(page.pixel(x, y)); }

// The share of the marked pixels darker by at least margin than the mean of
// the paper within 7 pixels.
double ShareDarkerThanPaperNearby(const Page& page, const Mask& marked, int margin) {
  std::int64_t count = 0, darker = 0;
  for (int y = 0; y < marked.height; ++y)
    for (int x = 0; x < marked.width; ++x) {
      if (!marked(x, y)) continue;
      std::int64_t sum = 0, n = 0;
      for (int v = std::max(0, y - 7); v <= std::min(marked.height - 1, y + 7); ++v)
        for (int u = std::max(0, x - 7); u <= std::min(marked.width - 1, x + 7); ++u)
          if (page.paper(u, v)) sum += Luma(page.page, u, v), ++n;
      if (n == 0) continue;
      ++count;
      darker += Luma(page.page, x, y) + margin <= double(sum) / double(n);
    }
  return count ? double(darker) / double(count) : 0;
}

TEST(PageMaker, EachGroupBringsWhatItNamesAndTheInkIsDarkerThanItsPaper) {
  struct Row {
    Group group;
    bool faint, stamp, stain, back;
  };
  const Row rows[] = {
      {Group::Claro, false, false, false, false},
      {Group::Sombra, false, false, false, false},
      {Group::Manchas, false, false, true, false},
      {Group::Lapiz, true, false, false, false},
      {Group::Transparencia, false, false, false, true},
      {Group::Sello, false, true, false, false},
      {Group::Polvo, false, false, false, false},
      {Group::Jpeg, true, true, true, true},
      {Group::Todo, true, true, true, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(GroupName(row.group));
    const Page page = MakePage(row.group, 200, 7, SmallMm);
    ASSERT_EQ(page.page.size(), QSize(551, 394));  // 70 x 50 mm at 200 dpi
    EXPECT_EQ(page.page.format(), QImage::Format_RGB32);
    EXPECT_NEAR(page.page.dotsPerMeterX() * 0.0254, 200, 0.5);
    for (const Mask* mask : {&page.ink, &page.faint, &page.stamp, &page.paper, &page.stain, &page.showThrough})
      ASSERT_EQ(QSize(mask->width, mask->height), page.page.size());
    EXPECT_GT(page.ink.Count(), 2000);
    EXPECT_GT(page.paper.Count(), page.page.width() * page.page.height() / 2);
    EXPECT_EQ(page.faint.Count() > 0, row.faint);
    EXPECT_EQ(page.stamp.Count() > 0, row.stamp);
    EXPECT_EQ(page.stain.Count() > 0, row.stain);
    EXPECT_EQ(page.showThrough.Count() > 0, row.back);
    for (std::size_t i = 0; i < page.ink.bits.size(); ++i) {
      ASSERT_FALSE(page.ink.bits[i] && (page.faint.bits[i] || page.paper.bits[i])) << i;
      ASSERT_FALSE((page.stain.bits[i] || page.showThrough.bits[i]) && !page.paper.bits[i]) << i;
    }
    EXPECT_GT(ShareDarkerThanPaperNearby(page, page.ink, 40), 0.99);
    if (row.faint) {
      EXPECT_GT(ShareDarkerThanPaperNearby(page, page.faint, 20), 0.95);
    }
  }
}

TEST(PageMaker, StainsAndTheBackPageAreLighterThanThePencil) {
  const Page page = MakePage(Group::Todo, 200, 3, SmallMm);
  EXPECT_LT(ShareDarkerThanPaperNearby(page, page.stain, 60), 0.01);
  EXPECT_LT(ShareDarkerThanPaperNearby(page, page.showThrough, 45), 0.01);
}

TEST(PageMaker, OneSeedOnePage) {
  const Page first = MakePage(Group::Todo, 150, 11, SmallMm), again = MakePage(Group::Todo, 150, 11, SmallMm);
  EXPECT_EQ(first.page, again.page);
  EXPECT_EQ(first.ink.bits, again.ink.bits);
  EXPECT_EQ(first.stain.bits, again.stain.bits);
  const Page other = MakePage(Group::Todo, 150, 12, SmallMm);
  EXPECT_NE(first.page, other.page);
  EXPECT_NE(first.ink.bits, other.ink.bits);
}

TEST(PageMaker, GroupsByName) {
  for (Group group : AllGroups()) EXPECT_EQ(GroupNamed(GroupName(group)), group);
  EXPECT_FALSE(GroupNamed("nada"));
}

}  // namespace
}  // namespace quality

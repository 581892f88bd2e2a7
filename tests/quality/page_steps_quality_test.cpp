// The page steps on a small made page of each kind of damage: each score
// must stay above a floor well below what the steps reach, so that a real
// loss of quality fails and the noise of one page does not. The seed is not
// the benchmark's, so that the floors hold on pages the steps were not tuned on.
#include "core/page_steps.h"
#include "quality/metrics.h"
#include "quality/page_maker.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace quality;

namespace {

// A score the group has none of (no pencil, no stamp) is not a number.
bool Lacks(double score) { return std::isnan(score); }

}  // namespace

TEST(PageStepsQuality, EveryKindOfDamageKeepsItsFloor) {
  const struct {
    Group group;
    double dpi;
  } pages[] = {{Group::Claro, 300},         {Group::Sombra, 300}, {Group::Manchas, 300}, {Group::Lapiz, 300},
               {Group::Transparencia, 300}, {Group::Sello, 300},  {Group::Polvo, 300},   {Group::Jpeg, 300},
               {Group::Todo, 150},          {Group::Todo, 600}};
  for (const auto& p : pages) {
    const Page page = MakePage(p.group, p.dpi, 7, SmallMm);
    SCOPED_TRACE(std::string(GroupName(p.group)) + " at " + std::to_string(int(p.dpi)) + " dpi");

    QImage blackWhite = page.page.copy();
    ASSERT_TRUE(filters::LocalBlackAndWhite(blackWhite));
    const BinaryScore b = Score(page, blackWhite);
    EXPECT_GE(b.fMeasure, 94) << "PSNR " << b.psnr << ", DRD " << b.drd;
    EXPECT_LE(b.drd, 2.5);
    if (!Lacks(b.faintFound)) EXPECT_GE(b.faintFound, 75);
    if (!Lacks(b.stainOrBackBlack)) EXPECT_LE(b.stainOrBackBlack, 1.5);

    QImage white = page.page.copy();
    ASSERT_TRUE(filters::WhitenBackground(white));
    const WhiteScore w = ScoreWhite(page, white);
    EXPECT_GE(w.paperWhite, 99);
    EXPECT_GE(w.inkKept, 97);
    if (!Lacks(w.faintKept)) EXPECT_GE(w.faintKept, 80);
    if (!Lacks(w.stampHueShift)) EXPECT_LE(w.stampHueShift, 5);
  }
}

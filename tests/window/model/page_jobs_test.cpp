// The page steps off the window's thread: the same pixels as the step run in
// place, nothing when given up, and results kept for one picture only.
#include "window/model/page_jobs.h"

#include <QImage>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

using filters::LocalBlackWhiteStep;
using filters::PageJob;
using filters::PageResults;
using filters::Step;
using filters::WhiteBackgroundStep;

namespace {

// A grey page, darker towards one corner, with dark strokes on it.
QImage Page(int width, int height, int shade) {
  QImage page(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int paper = 215 - shade * (x + y) / (width + height);
      page.setPixel(x, y, (x / 3 + y) % 17 < 2 ? qRgb(30, 25, 60) : qRgb(paper, paper - 5, paper - 12));
    }
  return page;
}

QImage InPlace(QImage picture, const Step& step) {
  EXPECT_TRUE(filters::RunStep(picture, step, nullptr));
  return picture;
}

constexpr auto Ceiling = std::chrono::seconds(120);

}  // namespace

TEST(PageJob, GivesTheStepsPixelsAndLeavesTheSourceAlone) {
  const QImage source = Page(157, 93, 60);
  const QImage kept = source.copy();
  for (const Step step : {Step(WhiteBackgroundStep{}), Step(LocalBlackWhiteStep{})}) {
    SCOPED_TRACE(step.index());
    PageJob job(source, step);
    ASSERT_TRUE(job.Wait(Ceiling));
    const QImage result = job.Result();
    EXPECT_EQ(result, InPlace(source, step));
    EXPECT_NE(result, source);
    EXPECT_EQ(source, kept);
  }
}

TEST(PageJob, DestroyedWhileRunningItStopsAndWaits) {
  // Nothing to check but that the thread is gone with the job (the sanitizers
  // and the process's end would tell otherwise) and the source is intact.
  const QImage source = Page(900, 700, 40);
  const QImage kept = source.copy();
  for (int i = 0; i < 3; ++i) PageJob job(source, LocalBlackWhiteStep{});
  EXPECT_EQ(source, kept);
}

TEST(PageResults, ComputedOnceForAPictureAndForgottenForAnother) {
  std::mutex mutex;
  std::condition_variable arrived;
  int ready = 0;
  PageResults results([&] {
    const std::lock_guard lock(mutex);
    ++ready;
    arrived.notify_all();
  });
  const auto await = [&](int count) {
    std::unique_lock lock(mutex);
    return arrived.wait_for(lock, Ceiling, [&] { return ready >= count; });
  };
  const QImage first = Page(120, 80, 50), second = Page(120, 80, 90);
  EXPECT_TRUE(results.Request(first, WhiteBackgroundStep{}).isNull());
  ASSERT_TRUE(await(1));
  EXPECT_EQ(results.Computed(first, WhiteBackgroundStep{}), InPlace(first, WhiteBackgroundStep{}));
  EXPECT_EQ(results.Request(first, WhiteBackgroundStep{}), InPlace(first, WhiteBackgroundStep{}));
  EXPECT_TRUE(results.Computed(first, LocalBlackWhiteStep{}).isNull()) << "never asked for";
  // The same pixels in another buffer are another picture: the window's
  // image gets its own buffer whenever it changes.
  EXPECT_TRUE(results.Computed(first.copy(), WhiteBackgroundStep{}).isNull());
  EXPECT_TRUE(results.Request(second, LocalBlackWhiteStep{}).isNull());
  ASSERT_TRUE(await(2));
  EXPECT_EQ(results.Computed(second, LocalBlackWhiteStep{}), InPlace(second, LocalBlackWhiteStep{}));
  EXPECT_TRUE(results.Computed(first, WhiteBackgroundStep{}).isNull()) << "the first picture's result is gone";
  EXPECT_EQ(ready, 2) << "asked again for a result computed, nothing is computed again";
}

#include "support/test_window.h"

#include "core/colors.h"
#include "window/forms/runtime.h"

#include <QApplication>
#include <QBuffer>
#include <QImageWriter>
#include <QTest>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

namespace testsupport {

TestWindow::TestWindow(bool start, platform::Dialogs* real) {
  platform::testing::SetScreenPixels(1024, 768);
  platform::testing::SetDoEvents([this] {
    ++yields;
    if (onYield) onYield(yields);
  });
  window_ = std::make_unique<MainWindow>(real ? *real : dialogs);
  if (start) window_->start();
}

TestWindow::~TestWindow() {
  window_.reset();
  platform::testing::SetDoEvents({});
  platform::testing::ClearScreenPixels();
}

namespace {
struct ProgramEnded {};
}  // namespace

void FailTheTestOnEnd() {
  platform::testing::SetEnd([] {
    ADD_FAILURE() << "the program ended, which this test does not expect";
    throw ProgramEnded{};
  });
}

void ExpectEnd(const std::function<void()>& action) {
  platform::testing::SetEnd([] { throw ProgramEnded{}; });
  EXPECT_THROW(action(), ProgramEnded) << "the program did not end";
  FailTheTestOnEnd();
}

FileSizeLimit::FileSizeLimit(long bytes) {
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  saved_ = static_cast<long>(limit.rlim_cur);
  std::signal(SIGXFSZ, SIG_IGN);
  limit.rlim_cur = static_cast<rlim_t>(bytes);
  setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = static_cast<rlim_t>(saved_);
  setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, SIG_DFL);
}

QByteArray Encode(const QImage& picture, const char* format, bool progressive) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  if (QByteArray(format) == "jpg") writer.setQuality(100);
  writer.setProgressiveScanWrite(progressive);
  return writer.write(picture) ? bytes : QByteArray();
}

void Activate(QWidget& window) {
  if (window.isActiveWindow()) return;
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window, 30000)) << "the window did not become active";
}

void Press(QWidget& window, const QKeySequence& keys) {
  Activate(window);
  QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
  QTest::keyClick(target, keys[0].key(), keys[0].keyboardModifiers());
}

QImage MakePicture(int width, int height, const std::function<platform::ColorValue(int, int)>& fn) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) line[x] = platform::ToQRgb(fn(x, y));
  }
  return image;
}

QString FirstDifference(const QImage& a, const QImage& b) {
  if (a.size() != b.size())
    return QStringLiteral("sizes %1x%2 and %3x%4").arg(a.width()).arg(a.height()).arg(b.width()).arg(b.height());
  const QImage ca = a.convertToFormat(QImage::Format_RGB32), cb = b.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const platform::ColorValue pa = platform::FromQRgb(ca.pixel(x, y)), pb = platform::FromQRgb(cb.pixel(x, y));
      if (pa != pb)
        return QStringLiteral("(%1, %2): &H%3 and &H%4")
            .arg(x)
            .arg(y)
            .arg(pa, 6, 16, QChar(u'0'))
            .arg(pb, 6, 16, QChar(u'0'));
    }
  return {};
}

}  // namespace testsupport

// The command's pictures against the window's: every picture of a folder is
// filtered by tintaborra-lote and, one by one, by the window's own buttons on
// the offscreen platform; the pixels must be the same.
#include "batch_support.h"

#include "batch/options.h"
#include "formats/codecs.h"
#include "support/test_window.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace batchtest;
using testsupport::TestWindow;

namespace {

// One step: its words on the command line and the same run in the window.
struct Step {
  QStringList words;
  std::function<void(TestWindow&)> click;
};

Step quitar(const QString& colours) {
  return {{QStringLiteral("--quitar"), colours}, [colours](TestWindow& t) {
            const QStringList parts = colours.split(u':');
            const filters::Channels target = filters::SplitChannels(batch::ParseColour(parts[0]));
            t->targetRed = target.red;
            t->targetGreen = target.green;
            t->targetBlue = static_cast<std::int16_t>(target.blue);
            t->replacementButton->setBackColor(parts.size() > 1 ? batch::ParseColour(parts[1]) : filters::White);
            t->removeColourButton->click();
          }};
}

Step gris(const QString& threshold, const QString& tolerance) {
  return {{QStringLiteral("--gris"), threshold + u',' + tolerance}, [=](TestWindow& t) {
            t->greyTypeBox->setText(threshold);
            t->toleranceBox->setText(tolerance);
            t->greyTypeButton->click();
          }};
}

Step blanquear() {
  return {{QStringLiteral("--blanquear")}, [](TestWindow& t) { t->whitenButton->click(); }};
}

// The page steps, as Ctrl+F and Ctrl+B run them.
Step fondo() {
  return {{QStringLiteral("--fondo")}, [](TestWindow& t) { t->runPageStep(filters::WhiteBackgroundStep{}); }};
}

Step bn() {
  return {{QStringLiteral("--bn")}, [](TestWindow& t) { t->runPageStep(filters::LocalBlackWhiteStep{}); }};
}

struct Chain {
  const char* name;
  std::vector<Step> steps;
  const char* format;
};

struct Picture {
  const char* file;
  QByteArray bytes;
};

}  // namespace

TEST(BatchExactness, EveryChainOfStepsGivesTheWindowsPixels) {
  QImage translucent = RandomColours(40, 30, 9).convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) translucent.setPixel(x, y, (translucent.pixel(x, y) & 0xFFFFFF) | uint(x * 6) << 24);
  using testsupport::Encode;
  const Picture pictures[] = {
      {"aleatoria.bmp", Encode(RandomColours(97, 61, 1), "bmp")},
      {"pagina.jpg", Encode(ScanPage(160, 120), "jpg")},  // lossy, but both read it with the one loader
      {"blanco_y_negro.png", Encode(BlackAndWhite(33, 17), "png")},
      {"translucida.png", Encode(translucent, "png")},
      {"rojo.gif", imagefilestest::RedPixelGif()},
      {"grises.bmp", Encode(testsupport::MakePicture(64, 48,
                                                     [](int x, int y) {
                                                       const int g = (x * 4 + y) % 256;
                                                       return platform::RGB(g, g, g);
                                                     }),
                            "bmp")},
      {"punto.bmp", Encode(RandomColours(1, 1, 4), "bmp")},
      {"columna.png", Encode(RandomColours(1, 10000, 5), "png")},
      {"fila.bmp", Encode(RandomColours(700, 1, 6), "bmp")},
  };
  const Chain chains[] = {
      {"whitening", {blanquear()}, "png"},
      {"removal of the stamp red", {quitar("200,30,30")}, "png"},
      {"paper to black, then whitening", {quitar("#E4E0D4:0,0,0"), blanquear()}, "bmp"},
      {"grey type with the window's settings", {gris("140", "20")}, "tif"},
      {"grey type read leniently, then removal", {gris("100.5", "21.5"), quitar("0,0,0:255,0,0")}, "png"},
      {"tolerance beyond 16 bits and a huge threshold", {gris("1e999", "40000")}, "png"},
      {"white target into a colour, then grey type", {quitar("255,255,255:10,20,30"), gris(" 90abc", "7.5")}, "png"},
      {"white background", {fondo()}, "png"},
      {"local black and white", {bn()}, "tif"},
      {"removal, white background, then local black and white", {quitar("200,30,30"), fondo(), bn()}, "bmp"},
  };
  QTemporaryDir dir;
  const QString in = dir.filePath(QStringLiteral("entrada"));
  ASSERT_TRUE(QDir().mkpath(in));
  for (const Picture& p : pictures) ASSERT_TRUE(WriteFile(QDir(in).filePath(p.file), p.bytes)) << p.file;

  int chainIndex = 0;
  for (const Chain& chain : chains) {
    SCOPED_TRACE(chain.name);
    const QString out = dir.filePath(QStringLiteral("salida%1").arg(chainIndex++));
    QStringList args{QStringLiteral("-o"), out, QStringLiteral("--formato"), chain.format, QStringLiteral("-j"),
                     QStringLiteral("2")};
    for (const Step& s : chain.steps) args += s.words;
    args += in;
    const Outcome run = RunLote(args);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    int changed = 0;
    for (const Picture& p : pictures) {
      SCOPED_TRACE(p.file);
      TestWindow t;
      t->pictureBox->setPicture(platform::LoadPicture(QDir(in).filePath(p.file)));
      for (const Step& s : chain.steps) s.click(t);
      const QString written =
          QDir(out).filePath(QFileInfo(QString::fromUtf8(p.file)).completeBaseName() + u'.' + chain.format);
      const QImage batchResult = platform::LoadPicture(written);
      EXPECT_EQ(testsupport::FirstDifference(batchResult, t->pictureBox->Image()).toStdString(), "");
      changed += !testsupport::FirstDifference(batchResult, t->pictureBox->Picture()).isEmpty();
    }
    EXPECT_GE(changed, 3) << "the chain must change most pictures";
  }
}

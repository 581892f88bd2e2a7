// Shell words: what a POSIX shell (dash, /bin/sh) gives back is the exact bytes.
#include "window/model/repeat_command.h"

#include <QProcess>
#include <gtest/gtest.h>

using filters::ShellWord;

TEST(ShellWord, TheShellGivesBackTheBytes) {
  const struct {
    QByteArray bytes;
    const char* word;
  } cases[] = {
      {"limpias/escaneo_017-b.png", "limpias/escaneo_017-b.png"},
      {"escaneo 017.jpg", "'escaneo 017.jpg'"},
      {"", "''"},
      {"l'año", "'l'\\''año'"},
      {"'", "\\'"},
      {"$HOME `id` \"x\" \\ * ~ # ; & | > ( )", "'$HOME `id` \"x\" \\ * ~ # ; & | > ( )'"},
      {"dos\nlíneas\n", "'dos\nlíneas\n'"},
      {"a\xF1o.bmp", "'a'\"$(printf '\\361')\"'o.bmp'"},  // Latin-1
      {"\xFF\xFE\tx\x1B[2J", "\"$(printf '\\377\\376\\011')\"'x'\"$(printf '\\033')\"'[2J'"},
      {"\xC2\x9B"
       "1m \xED\xA0\x80",
       "\"$(printf '\\302\\233')\"'1m '\"$(printf '\\355\\240\\200')\""},  // C1, surrogate
      {"-n", "-n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes.toPercentEncoding().toStdString());
    const QString word = ShellWord(c.bytes);
    EXPECT_EQ(word.toStdString(), c.word);
    QProcess sh;
    sh.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("printf %s ") + word});
    ASSERT_TRUE(sh.waitForFinished(60000));
    EXPECT_EQ(sh.readAllStandardOutput(), c.bytes);
  }
}

TEST(RunLog, PageStepsTakeTheirPlaceAmongTheRunsInForce) {
  const filters::Step removal = filters::RemovalRule(200, 30, 30, filters::White);
  const struct {
    std::vector<filters::Step> runs;
    int undone;
    const char* steps;
  } cases[] = {
      {{filters::WhiteBackgroundStep{}}, 0, "--fondo"},
      {{filters::LocalBlackWhiteStep{}, removal, filters::WhiteBackgroundStep{}}, 0, "--bn --quitar 200,30,30 --fondo"},
      {{filters::WhiteBackgroundStep{}, filters::WhiteningRule{}, filters::LocalBlackWhiteStep{}},
       1,
       "--fondo --blanquear"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.steps);
    filters::RunLog log;
    log.NewPicture(QStringLiteral("/fotos/a.png"));
    for (const filters::Step& step : c.runs) {
      log.BeginRun(0);
      log.Column(step);
      log.EndRun();
    }
    EXPECT_EQ(log.Repeat(c.undone).text.toStdString(),
              std::string("tintaborra-lote -o limpias ") + c.steps + " /fotos/a.png");
  }
}

// The argument parser's readings, without running anything.
#include "batch/options.h"
#include "batch/messages.h"
#include "batch/runner.h"

#include <gtest/gtest.h>

using batch::ParseArguments;

TEST(BatchOptions, ColoursAreReadInBothForms) {
  const struct {
    const char* text;
    platform::ColorValue value;  // -1: refused
  } cases[] = {
      {"200,30,30", platform::RGB(200, 30, 30)},
      {"#C81E1E", platform::RGB(200, 30, 30)},
      {"#ffffff", 0xFFFFFF},
      {"0,0,0", 0},
      {"255,255,256", -1},
      {"1,2", -1},
      {" 1,2,3", -1},
      {"#GG0000", -1},
      {"1.5,2,3", -1},
      {"", -1},
  };
  for (const auto& c : cases) {
    platform::ColorValue got = -1;
    try {
      got = batch::ParseColour(QString::fromUtf8(c.text));
    } catch (const batch::UsageError&) {
    }
    EXPECT_EQ(got, c.value) << c.text;
  }
}

TEST(BatchOptions, StepsKeepTheirOrderAndOptionsTakeTheirValuesEitherWay) {
  const batch::Options o = ParseArguments({"--blanquear", "-oSalida", "--formato=TIFF", "-j3", "a.jpg", "--gris",
                                           "100.5,21.5", "--quitar", "1,2,3:#000000", "--", "-raro.bmp"});
  EXPECT_EQ(o.outputFolder, "Salida");
  EXPECT_EQ(o.format, "tif");
  EXPECT_EQ(o.jobs, 3);
  EXPECT_EQ(o.inputs, QStringList({"a.jpg", "-raro.bmp"}));
  ASSERT_EQ(o.steps.size(), 3u);
  EXPECT_TRUE(std::holds_alternative<filters::WhiteningRule>(o.steps[0]));
  // --gris 100.5,21.5 reads as the window reads "100.5" and "21.5": T 100.5, D 22.
  const auto& grey = std::get<filters::GreyTypeRule>(o.steps[1]);
  EXPECT_EQ(grey(platform::RGB(100, 100, 100)), 0);
  EXPECT_EQ(grey(platform::RGB(101, 101, 101)), 0xFFFFFF);
  EXPECT_EQ(grey(platform::RGB(121, 100, 79)), 0);  // mean 100 and 21 away: black only with D above 21
  const auto& removal = std::get<filters::RemovalRule>(o.steps[2]);
  EXPECT_EQ(removal(platform::RGB(25, 26, 27)), 0);
  EXPECT_EQ(removal(platform::RGB(26, 2, 3)), platform::RGB(26, 2, 3));
}

// A step as a word: a removal by the grey it repaints, a grey-type step by the
// highest mean it still calls dark.
QString stepWord(const filters::Step& step) {
  if (std::holds_alternative<filters::WhiteningRule>(step)) return QStringLiteral("B");
  if (std::holds_alternative<filters::WhiteBackgroundStep>(step)) return QStringLiteral("F");
  if (std::holds_alternative<filters::LocalBlackWhiteStep>(step)) return QStringLiteral("N");
  if (const auto* grey = std::get_if<filters::GreyTypeRule>(&step))
    return QStringLiteral("G%1").arg(grey->highestDarkMean());
  for (const int v : {10, 100, 200})
    if (std::get<filters::RemovalRule>(step)(platform::RGB(v, v, v)) != platform::RGB(v, v, v))
      return QStringLiteral("Q%1").arg(v);
  return QStringLiteral("Q");
}

TEST(BatchOptions, RepeatedStepsRunInTheOrderGivenAmongTheOtherOptions) {
  const struct {
    QStringList args;
    const char* steps;
  } cases[] = {
      {{"--quitar", "10,10,10", "--blanquear", "--quitar=100,100,100", "--gris", "50,5", "--blanquear", "--quitar",
        "#C8C8C8"},
       "Q10 B Q100 G49 B Q200"},
      {{"--gris=50,5", "-j4", "--gris", "150,5", "a.png", "--quitar=200,200,200", "--trabajos=2", "--gris", "100,5"},
       "G49 G149 Q200 G99"},
      {{"--bn", "--quitar", "10,10,10", "--fondo", "--blanquear", "--bn"}, "N Q10 F B N"},
  };
  for (const auto& c : cases) {
    const batch::Options o = ParseArguments(QStringList{"-oSalida", "entrada"} + c.args);
    QStringList words;
    for (const auto& step : o.steps) words += stepWord(step);
    EXPECT_EQ(words.join(u' '), QString::fromUtf8(c.steps)) << c.args.join(u' ').toStdString();
  }
}

TEST(BatchMessages, SummaryAndProgressReadAsSpanish) {
  EXPECT_EQ(batch::SummaryText(12, 1, 3.21), "12 imágenes escritas, 1 con error, en 3,2 s\n");
  EXPECT_EQ(batch::SummaryText(1, 0, 0.04), "1 imagen escrita, 0 con error, en 0,0 s\n");
  EXPECT_EQ(batch::SummaryText(batch::Totals{.documents = 2, .documentPages = 45, .failed = 1}, 3.21),
            "2 documentos escritos (45 páginas), 1 con error, en 3,2 s\n");
  EXPECT_EQ(batch::SummaryText(batch::Totals{.pictures = 1, .pageFiles = 20, .pagedDocuments = 1}, 0),
            "1 imagen escrita y 20 páginas escritas de 1 documento, 0 con error, en 0,0 s\n");
  // A document that failed is counted as one, not as pictures.
  EXPECT_EQ(batch::SummaryText(batch::Totals{.failed = 1, .pageFilesAsked = true}, 0),
            "0 páginas escritas de 0 documentos, 1 con error, en 0,0 s\n");
  EXPECT_EQ(batch::SummaryText(batch::Totals{.pictures = 4, .blankPages = 1}, 0),
            "4 imágenes escritas, 0 con error, 1 página en blanco, en 0,0 s\n");
  EXPECT_EQ(batch::SummaryText(batch::Totals{.documents = 1, .documentPages = 9, .blankPages = 3}, 0),
            "1 documento escrito (9 páginas), 0 con error, 3 páginas en blanco, en 0,0 s\n");
  EXPECT_EQ(batch::ProgressText(5, 20, 10, 10), "[##........] 5/20  0:10, quedan 0:30");
  EXPECT_EQ(batch::ProgressText(20, 20, 3725, 4), "[####] 20/20  1:02:05");
}

// Where each list stands among the inputs, whatever options come between:
// "L" a list, "Z" a NUL-separated one, each after the inputs before it.
TEST(BatchOptions, ListsKeepTheirPlaceAmongTheInputs) {
  const struct {
    QStringList args;
    const char* order;  // the inputs and lists as read, in order
  } cases[] = {
      {{"a.png", "--lista", "l.txt", "b.png"}, "a.png L:l.txt b.png"},
      {{"--lista0=-", "-j", "2", "a.png", "--lista", "--gris", "-o", "x", "b.png"}, "Z:- a.png L:--gris b.png"},
      {{"-j2", "a.png", "--informe", "r.csv", "--lista", "m", "--continuar", "--", "--lista", "b"},
       "a.png L:m --lista b"},
      {{"--lista", "m", "--lista0", "n"}, "L:m Z:n"},
  };
  for (const auto& c : cases) {
    const batch::Options o = ParseArguments(QStringList{"-oSalida"} + c.args);
    QStringList words;
    std::size_t l = 0;
    for (qsizetype i = 0; i <= o.inputs.size(); ++i) {
      for (; l < o.lists.size() && o.lists[l].position == i; ++l)
        words += QStringLiteral("%1:%2").arg(o.lists[l].nulSeparated ? "Z" : "L", o.lists[l].path);
      if (i < o.inputs.size()) words += o.inputs[i];
    }
    EXPECT_EQ(words.join(u' '), QString::fromUtf8(c.order)) << c.args.join(u' ').toStdString();
  }
  const batch::Options o = ParseArguments({"-oS", "--continuar", "--informe=-", "--lista", "l"});
  EXPECT_TRUE(o.resume);
  EXPECT_EQ(o.report, "-");
  for (const QStringList& bad : {QStringList{"-oS", "--lista"}, QStringList{"-oS", "--lista=", "a"},
                                 QStringList{"-oS", "--informe", "", "a"}, QStringList{"-oS", "--continuar=1", "a"}})
    EXPECT_THROW(ParseArguments(bad), batch::UsageError) << bad.join(u' ').toStdString();
  EXPECT_EQ(batch::SummaryText(batch::Totals{.pictures = 3, .alreadyDone = 120, .resumeAsked = true}, 0),
            "3 imágenes escritas, 0 con error, 120 ya hechas, en 0,0 s\n");
}

// The joined document's kind: its extension, or --formato for a name
// without one; the two must agree when both are given (the refusals are in
// BatchCommand.UsageErrors...).
TEST(BatchOptions, TheJoinedDocumentIsOfItsExtensionOrOfTheFormatGiven) {
  const struct {
    QStringList args;
    const char* format;
  } cases[] = {
      {{"--unir", "todo.pdf"}, "pdf"},          {{"--unir", "todo.TIFF"}, "tif"},
      {{"--unir", "todo.tif"}, "tif"},          {{"--formato", "tif", "--unir", "todo"}, "tif"},
      {{"--unir=v.2", "--formato=pdf"}, "pdf"}, {{"--formato", "tiff", "--unir", "todo.Tif"}, "tif"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ParseArguments(QStringList{"-oS", "a.png"} + c.args).format, QString::fromUtf8(c.format))
        << c.args.join(u' ').toStdString();
}

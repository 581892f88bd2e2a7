// Every example of README.md, LEEME.md and --help, run as written on a made scan
// (dark grey text on cream paper, never pure black, with shadow, stains,
// pencil and a stamp): its inputs, lists, report and output folder are the
// test's own, and what it writes must still hold the text on paper that is
// not black. The examples are read from the texts themselves, so that they
// cannot drift from what is tested.
#include "batch_support.h"

#include "batch/messages.h"
#include "formats/codecs.h"
#include "formats/documents/document.h"
#include "quality/metrics.h"
#include "quality/page_maker.h"
#include "support/documents.h"
#include "support/test_window.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <utility>

using namespace batchtest;

namespace {

// The command lines of a text: the lines of its code that begin with the
// command, as one of them would be typed alone. A line that goes on in the
// next, that takes its inputs from a pipe or from a cluster's variables or
// placeholders, or the synopsis, is left out.
QStringList commandLines(const QString& text, bool indentedCode) {
  QStringList lines;
  bool fenced = false, goesOn = false;
  for (const QString& line : text.split(u'\n')) {
    if (line.trimmed().startsWith(u"```")) {
      fenced = !fenced;
      continue;
    }
    const bool code = fenced || !indentedCode || line.startsWith(QStringLiteral("    "));
    const QString command = line.trimmed();
    if (std::exchange(goesOn, command.endsWith(u'\\')) || !code ||
        !command.startsWith(QStringLiteral("tintaborra-lote ")))
      continue;
    if (command.endsWith(u'\\') || command.contains(u'|') || command.contains(u'$') || command.contains(u'{') ||
        command.contains(u'['))
      continue;
    lines += command;
  }
  return lines;
}

// The words of a command line as a POSIX shell splits them, quotes removed.
QStringList words(const QString& line) {
  QStringList result;
  QString word;
  bool inWord = false;
  QChar quote;
  for (const QChar c : line) {
    if (!quote.isNull()) {
      if (c == quote)
        quote = QChar();
      else
        word += c;
    } else if (c == u'\'' || c == u'"') {
      quote = c;
      inWord = true;
    } else if (c == u' ') {
      if (inWord) result += word;
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) result += word;
  return result;
}

// What a written file holds, page by page.
std::vector<QImage> pagesOf(const QString& path) {
  if (!path.endsWith(u".pdf") && !path.endsWith(u".tif")) return {platform::LoadPicture(path)};
  const auto reader = documents::OpenDocument(path);
  std::vector<QImage> pages;
  for (int i = 0; i < reader->pageCount(); ++i) pages.push_back(reader->page(i));
  return pages;
}

struct Example {
  QString source, line;
};

std::vector<Example> examples() {
  std::vector<Example> all;
  for (const char* guide : {"README.md", "LEEME.md"}) {
    QFile file(QStringLiteral(TINTABORRA_SOURCE_DIR "/") + QString::fromUtf8(guide));
    if (file.open(QIODevice::ReadOnly))
      for (const QString& line : commandLines(QString::fromUtf8(file.readAll()), true)) all.push_back({guide, line});
  }
  const QString help = batch::HelpText();
  for (const QString& line : commandLines(help.mid(help.indexOf(QStringLiteral("Ejemplos:"))), false))
    all.push_back({"--help", line});
  return all;
}

}  // namespace

TEST(BatchExamples, EveryExampleKeepsTheTextOfAScanOnPaperThatIsNotBlack) {
  const quality::Page scan = quality::MakePage(quality::Group::Todo, 300, 7, quality::SmallMm);
  const std::vector<Example> all = examples();
  ASSERT_GE(all.size(), 10u) << "the examples were not found in README.md, LEEME.md and --help";
  std::printf("| Ejemplo | Tinta conservada %% | Papel blanco %% |\n|---|---:|---:|\n");
  for (const Example& example : all) {
    SCOPED_TRACE((example.source + QStringLiteral(": ") + example.line).toStdString());
    QTemporaryDir dir;
    const auto at = [&](const QString& name) { return dir.filePath(name); };
    QDir().mkpath(at("in"));
    const QStringList given = words(example.line).mid(1);
    QStringList arguments;
    static const QStringList takesValue{"-o",       "--salida",  "--formato", "--unir",     "--paginas",
                                        "--ppp",    "--calidad", "-j",        "--trabajos", "--lista",
                                        "--lista0", "--informe", "--quitar",  "--gris",     "--tolerancia"};
    int inputs = 0;
    // Each input stands for the scan, as a PDF, a TIFF or a PNG as its name says.
    const auto input = [&](const QString& named) {
      const QString kind = named.endsWith(u".pdf") ? "pdf" : named.endsWith(u".tif") ? "tif" : "png";
      const QString path = at(QStringLiteral("in/e%1.%2").arg(inputs++).arg(kind));
      WriteFile(path, kind == u"pdf"   ? documentfiles::Pdf({{documentfiles::PdfPage::FlateRgb, scan.page}})
                      : kind == u"tif" ? documentfiles::Tiff({{scan.page}})
                                       : testsupport::Encode(scan.page, "png"));
      return path;
    };
    for (qsizetype i = 0; i < given.size(); ++i) {
      const QString& word = given[i];
      if (!takesValue.contains(word) || i + 1 == given.size()) {
        arguments += word.startsWith(u'-') ? word : input(word);
        continue;
      }
      QString value = given[++i];
      if (word == u"-o" || word == u"--salida") value = at("out");
      if (word == u"--paginas") value = "1";
      if (word == u"--informe") value = at("informe.csv");
      if (word == u"--lista" || word == u"--lista0") {
        value = at("lista");
        WriteFile(value, input("lista.png").toUtf8() + (word == u"--lista" ? "\n" : QByteArray(1, '\0')));
      }
      arguments << word << value;
    }
    const Outcome run = RunLote(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(batch::BlankPageNotice())) << run.err.toStdString();

    int pages = 0;
    double textKept = 100, paperWhite = 100;  // the worst page's
    for (QDirIterator it(at("out"), QDir::Files); it.hasNext();) {
      const QString written = it.next();
      for (const QImage& page : pagesOf(written)) {
        ++pages;
        ASSERT_EQ(page.size(), scan.page.size()) << written.toStdString();
        paperWhite = std::min(paperWhite, quality::ScoreWhite(scan, page).paperWhite);
        // The text (the stamp apart, which an example may remove) not made
        // white, and the paper not made dark: no negative, no page gone black.
        const QImage rgb = page.convertToFormat(QImage::Format_RGB32);
        std::int64_t text = 0, kept = 0, paper = 0, darkBefore = 0, darkAfter = 0;
        for (int y = 0; y < rgb.height(); ++y)
          for (int x = 0; x < rgb.width(); ++x)
            if (scan.ink(x, y) && !scan.stamp(x, y)) {
              ++text;
              kept += (rgb.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
            } else if (scan.paper(x, y)) {
              ++paper;
              darkBefore += qGray(scan.page.pixel(x, y)) < 128;
              darkAfter += qGray(rgb.pixel(x, y)) < 128;
            }
        textKept = std::min(textKept, 100.0 * double(kept) / double(text));
        EXPECT_LT((darkAfter - darkBefore) * 100, paper * 20) << written.toStdString() << ": paper made dark";
      }
    }
    EXPECT_GE(pages, 1);
    EXPECT_GE(textKept, 95) << "the text is lost";
    std::printf("| `%s` (%s) | %.1f | %.1f |\n", example.line.toUtf8().constData(), example.source.toUtf8().constData(),
                textKept, paperWhite);
  }
}

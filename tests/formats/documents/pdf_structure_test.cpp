// Opening a PDF: what viewers read is read, each page as poppler draws the
// same page of the document written as the format asks, and what was mended
// is told; what is damaged, loops or multiplies its pages is refused with
// its reason in Spanish.
#include "core/failure.h"
#include "formats/codecs.h"
#include "formats/documents/document.h"
#include "support/documents.h"
#include "support/pdf_structure_files.h"
#include "support/picture_files.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <poppler/qt6/poppler-qt6.h>

namespace {

constexpr int Dpi = 72;

// The sound document's pages, as poppler draws them for the reader.
std::vector<QImage> soundPages(const QTemporaryDir& dir) {
  const QString path = dir.filePath(QStringLiteral("sano.pdf"));
  EXPECT_TRUE(imagefilestest::WriteFile(path, structurefiles::Sound()));
  const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
  std::vector<QImage> pages;
  if (!document) return pages;
  document->setRenderHint(Poppler::Document::Antialiasing);
  document->setRenderHint(Poppler::Document::TextAntialiasing);
  document->setPaperColor(Qt::white);
  for (int i = 0; i < document->numPages(); ++i)
    pages.push_back(std::unique_ptr<Poppler::Page>(document->page(i))
                        ->renderToImage(Dpi, Dpi)
                        .convertToFormat(QImage::Format_RGB32));
  return pages;
}

// No word of qpdf's or poppler's English reaches the user.
bool spanish(const QString& text) {
  static const QRegularExpression english(QStringLiteral("\\b(object|stream|xref|file|page|damaged|found)\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
  return !english.match(text).hasMatch();
}

TEST(PdfStructure, ReadsWhatViewersReadAndRefusesWhatIsDamaged) {
  QTemporaryDir dir;
  const std::vector<QImage> expected = soundPages(dir);
  ASSERT_EQ(expected.size(), 2u);
  ASSERT_NE(expected[0], expected[1]);
  std::vector<structurefiles::File> files = structurefiles::Files();
  files.push_back({"pages_tree_naming_each_branch_twice",
                   QStringLiteral("bomba.pdf"),
                   documentfiles::PagesTreeBomb(60),
                   {},
                   false,
                   QStringLiteral("su árbol de páginas nombra dos veces una misma rama")});
  for (const structurefiles::File& c : files) {
    SCOPED_TRACE(c.fault);
    const QString path = dir.filePath(c.name);
    ASSERT_TRUE(imagefilestest::WriteFile(path, c.bytes));
    try {
      const auto reader = documents::OpenDocument(path, Dpi);
      EXPECT_TRUE(c.refusal.isEmpty()) << "read, not refused";
      ASSERT_EQ(reader->pageCount(), int(c.shows.size()));
      for (int i = 0; i < reader->pageCount(); ++i)
        EXPECT_EQ(reader->page(i), expected[std::size_t(c.shows[std::size_t(i)])]) << "page " << i + 1;
      const QStringList notices = reader->notices();
      EXPECT_EQ(!notices.isEmpty(), c.mended) << notices.join(u'\n').toStdString();
      for (const QString& notice : notices) {
        EXPECT_TRUE(notice.startsWith(QStringLiteral("el documento estaba dañado y se ha reparado: ")));
        EXPECT_TRUE(spanish(notice)) << notice.toStdString();
      }
    } catch (const platform::Failure& f) {
      EXPECT_FALSE(c.refusal.isEmpty()) << "refused: " << f.reason.toStdString();
      EXPECT_TRUE(f.reason.contains(c.refusal)) << f.reason.toStdString();
      EXPECT_TRUE(spanish(f.reason)) << f.reason.toStdString();
    }
  }
}

}  // namespace

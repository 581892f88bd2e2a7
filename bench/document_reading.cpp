// The document reader's figures, for bench/documents.sh:
//   document_reading scan FILE PAGES   writes an A4, 300-dpi scanned PDF (a JPEG a page)
//   document_reading bomb FILE DEPTH   writes a pages tree naming each branch twice
//   document_reading read FILE         opens FILE and reads every page, one at a time
#include "core/numbers.h"
#include "formats/codecs.h"
#include "formats/documents/document.h"
#include "support/documents.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>

#include <cstdio>

namespace {

bool write(const char* path, const QByteArray& bytes) {
  QFile file(QString::fromLocal8Bit(path));
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A page of printed lines, as a scanner gives it.
QImage scannedPage() {
  QImage page(2480, 3508, QImage::Format_RGB32);
  page.fill(Qt::white);
  QPainter painter(&page);
  painter.setFont(QFont(QStringLiteral("Liberation Serif"), 40));
  for (int y = 200; y < 3300; y += 80)
    painter.drawText(200, y, QStringLiteral("Una línea de texto escaneado, como en cualquier documento"));
  return page;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  platform::InitCodecs();
  const QByteArray mode = argc > 2 ? argv[1] : "";
  if (mode == "scan" && argc == 4) {
    const documentfiles::Page page{documentfiles::PdfPage::Jpeg, scannedPage(), 300};
    return write(argv[2], documentfiles::Pdf(std::vector(std::size_t(std::atoi(argv[3])), page))) ? 0 : 1;
  }
  if (mode == "bomb" && argc == 4) return write(argv[2], documentfiles::PagesTreeBomb(std::atoi(argv[3]))) ? 0 : 1;
  if (mode != "read") {
    std::fprintf(stderr, "usage: document_reading scan|bomb FILE N, or read FILE\n");
    return 2;
  }
  QElapsedTimer clock;
  clock.start();
  try {
    const auto reader = documents::OpenDocument(QString::fromLocal8Bit(argv[2]));
    std::printf("opened: %d pages in %lld ms\n", reader->pageCount(), clock.elapsed());
    for (const QString& notice : reader->notices()) std::printf("notice: %s\n", qPrintable(notice));
    for (int i = 0; i < reader->pageCount(); ++i) reader->page(i);
    std::printf("every page read in %lld ms\n", clock.elapsed());
  } catch (const platform::Failure& f) {
    std::printf("refused in %lld ms: %s\n", clock.elapsed(), qPrintable(f.reason));
  }
  return 0;
}

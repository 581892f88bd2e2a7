// PDF documents: qpdf reads the file's objects, checks its pages tree and
// takes out a page's own picture; poppler draws the pages that are not one
// picture. Both read the same file, each at its own place, one at a time.
#include "formats/documents/pdf_picture.h"
#include "formats/documents/pdf_structure.h"
#include "formats/documents/readers.h"

#include "core/numbers.h"
#include "formats/codecs.h"
#include "formats/resolution.h"

#include <poppler/qt6/poppler-qt6.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <cmath>
#include <cstdio>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace documents {

namespace {

const QString& unsoundPage() {
  static const QString reason = QStringLiteral("la página tiene objetos dañados");
  return reason;
}

void refuseWarnings(QPDF& qpdf, const QString& reason) {
  if (!qpdf.getWarnings().empty()) RaiseDamaged(reason);
}

void noPopplerMessages(const QString&, const QVariant&) {}

class PdfReader final : public DocumentReader {
 public:
  PdfReader(std::shared_ptr<HeldFile> file, int renderDpi) : file_(std::move(file)), dpi_(renderDpi) {
    qpdf_.setSuppressWarnings(true);
    const int fd = file_->reopen();
    FILE* stream = fd < 0 ? nullptr : ::fdopen(fd, "rb");
    if (!stream) {
      if (fd >= 0) ::close(fd);
      platform::RaiseUnread(platform::ReadResult::Unreadable);
    }
    PdfStructure structure = OpenPdfStructure(qpdf_, stream);
    pages_ = std::move(structure.pages);
    pageCount_ = int(pages_.size());
    notices_ = std::move(structure.notices);

    static std::once_flag quiet;
    std::call_once(quiet, [] { Poppler::setDebugErrorFunction(noPopplerMessages, QVariant()); });
    poppler_ = Poppler::Document::load(QString::fromLatin1(file_->reopenPath()));
    if (!poppler_) RaiseDamaged(QStringLiteral("no se puede leer"));
    if (poppler_->isLocked()) RaisePasswordProtected();
    if (poppler_->numPages() != pageCount_) RaiseDamaged(QStringLiteral("sus páginas no se pueden contar con certeza"));
    poppler_->setRenderHint(Poppler::Document::Antialiasing);
    poppler_->setRenderHint(Poppler::Document::TextAntialiasing);
    poppler_->setPaperColor(Qt::white);
  }

  int pageCount() const override { return pageCount_; }
  QStringList notices() const override { return notices_; }

  QImage page(int index) override {
    if (index < 0 || index >= pageCount_)
      platform::Fail(platform::FailureKind::Invalid, QStringLiteral("No existe esa página"));
    std::optional<PagePicture> picture;
    {
      std::lock_guard lock(mutex_);
      try {
        QPDFPageObjectHelper helper(pages_[std::size_t(index)]);
        picture = FindPagePicture(helper, file_->bytes());
        refuseWarnings(qpdf_, unsoundPage());
      } catch (const QPDFExc&) {
        RaiseDamaged(unsoundPage());
      } catch (const std::exception&) {  // qpdf's type errors: an object of the wrong kind
        RaiseDamaged(unsoundPage());
      }
    }
    if (picture) {
      QImage image = DecodePagePicture(*picture, file_->bytes());
      if (!image.isNull()) return image;
    }
    return drawn(index);
  }

 private:
  // The page as poppler draws it at the reader's resolution, on white paper.
  QImage drawn(int index) {
    QImage image;
    {
      std::lock_guard lock(mutex_);
      std::unique_ptr<Poppler::Page> page(poppler_->page(index));
      if (!page) RaiseDamaged(QStringLiteral("una página no se puede leer"));
      const QSizeF points = page->pageSizeF();
      const double width = std::ceil(points.width() * dpi_ / 72.0), height = std::ceil(points.height() * dpi_ / 72.0);
      if (!(width * height <= double(platform::MaxPicturePixels)))
        platform::Fail(platform::FailureKind::OutOfMemory,
                       QStringLiteral("La página es demasiado grande para dibujarla (%1 × %2 píxeles)")
                           .arg(width, 0, 'f', 0)
                           .arg(height, 0, 'f', 0));
      image = page->renderToImage(dpi_, dpi_);
    }
    if (image.isNull()) RaiseDamaged(QStringLiteral("la página no se puede dibujar"));
    image.convertTo(QImage::Format_RGB32);
    if (image.isNull())
      platform::Fail(platform::FailureKind::OutOfMemory, QStringLiteral("No hay memoria suficiente para la imagen"));
    const int dpm = platform::DotsPerMetre(dpi_);
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    return image;
  }

  std::shared_ptr<HeldFile> file_;
  int dpi_;
  std::mutex mutex_;
  QPDF qpdf_;
  int pageCount_ = 0;
  std::vector<QPDFObjectHandle> pages_;
  std::unique_ptr<Poppler::Document> poppler_;
  QStringList notices_;
};

}  // namespace

std::unique_ptr<DocumentReader> OpenPdf(std::shared_ptr<HeldFile> file, int renderDpi) {
  if (renderDpi < 1 || renderDpi > 4800)
    platform::Fail(platform::FailureKind::Invalid, QStringLiteral("Resolución de dibujo no válida"));
  return std::make_unique<PdfReader>(std::move(file), renderDpi);
}

}  // namespace documents

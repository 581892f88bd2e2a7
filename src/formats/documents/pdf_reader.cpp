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

#include <chrono>
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

// The errors poppler reports while a page is drawn, gathered for the thread
// that draws it (poppler reports them in the drawing's own thread); elsewhere
// its messages are dropped.
thread_local QStringList* drawingErrors = nullptr;

void popplerMessage(const QString& message, const QVariant&) {
  if (drawingErrors && drawingErrors->size() < 16) drawingErrors->push_back(message);
}

// Whether one of poppler's messages says that a picture or another object of
// the page could not be read: its data damaged, cut short or missing. A font
// replaced by another, or an operator poppler does not know, leaves the page
// as other readers show it; so does a stream whose /Length is wrong, which
// poppler reads up to its "endstream" as qpdf does.
bool lostPart(const QString& message) {
  for (const char* harmless : {"font", "operator", "args", "content stream", "endstream"})
    if (message.contains(QLatin1String(harmless), Qt::CaseInsensitive)) return false;
  for (const char* sign :
       {"stream", "xobject", "image", "jbig2", "ccitt", "dct", "jpx", "jpeg", "flate", "lzw", "filter"})
    if (message.contains(QLatin1String(sign), Qt::CaseInsensitive)) return true;
  return false;
}

// What the abort callback of a drawing looks at.
struct DrawingWatch {
  std::chrono::steady_clock::time_point deadline;
  const std::atomic<bool>* stop = nullptr;
  bool late = false, stopped = false;
};

bool abortDrawing(const QVariant& closure) {
  auto* watch = static_cast<DrawingWatch*>(closure.value<void*>());
  if (watch->stop && watch->stop->load(std::memory_order_relaxed))
    watch->stopped = true;
  else if (std::chrono::steady_clock::now() >= watch->deadline)
    watch->late = true;
  return watch->stopped || watch->late;
}

class PdfReader final : public DocumentReader {
 public:
  PdfReader(std::shared_ptr<HeldFile> file, int renderDpi, ReadingLimits limits)
      : file_(std::move(file)), dpi_(renderDpi), limits_(limits) {
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
    std::call_once(quiet, [] { Poppler::setDebugErrorFunction(popplerMessage, QVariant()); });
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
    double unit = 1;
    {
      std::lock_guard lock(mutex_);
      try {
        QPDFPageObjectHelper helper(pages_[std::size_t(index)]);
        picture = FindPagePicture(helper, file_->bytes());
        refuseWarnings(qpdf_, unsoundPage());
        QPDFObjectHandle userUnit = pages_[std::size_t(index)].getKey("/UserUnit");
        if (userUnit.isNumber() && userUnit.getNumericValue() > 0) unit = userUnit.getNumericValue();
      } catch (const QPDFExc&) {
        RaiseDamaged(unsoundPage());
      } catch (const std::exception&) {  // qpdf's type errors: an object of the wrong kind
        RaiseDamaged(unsoundPage());
      }
    }
    if (picture && !picture->drawnOver) {
      QImage image = DecodePagePicture(*picture, file_->bytes());
      if (!image.isNull()) return image;
    }
    if (picture && picture->drawnOver) {  // notes over the picture: drawn at the picture's own resolution
      const double dpiX = picture->width * 72.0 / picture->widthPoints;
      const double dpiY = picture->height * 72.0 / picture->heightPoints;
      return drawn(index, dpiX, dpiY, dpiX, dpiY);
    }
    // A page of user units larger than a point is drawn that much larger, so
    // that it keeps its size at the reader's resolution.
    return drawn(index, dpi_ * unit, dpi_ * unit, dpi_, dpi_);
  }

 private:
  // The page as poppler draws it, scaled from points to pixels by scaleX and
  // scaleY dots per inch, on white paper, given the resolution dpiX x dpiY.
  // Drawing gives up past the page's budget or when the work is stopped; a
  // picture or object poppler could not read fails the page.
  QImage drawn(int index, double scaleX, double scaleY, double dpiX, double dpiY) {
    QImage image;
    QStringList errors;
    DrawingWatch watch{std::chrono::steady_clock::now() + limits_.pageBudget, limits_.stop};
    {
      std::lock_guard lock(mutex_);
      std::unique_ptr<Poppler::Page> page(poppler_->page(index));
      if (!page) RaiseDamaged(QStringLiteral("una página no se puede leer"));
      const QSizeF points = page->pageSizeF();
      const double width = std::ceil(points.width() * scaleX / 72.0),
                   height = std::ceil(points.height() * scaleY / 72.0);
      if (!(width * height <= double(platform::MaxPicturePixels)))
        platform::Fail(platform::FailureKind::OutOfMemory,
                       QStringLiteral("La página es demasiado grande para dibujarla (%1 × %2 píxeles)")
                           .arg(width, 0, 'f', 0)
                           .arg(height, 0, 'f', 0));
      drawingErrors = &errors;
      image = page->renderToImage(scaleX, scaleY, -1, -1, -1, -1, Poppler::Page::Rotate0, nullptr, nullptr,
                                  abortDrawing, QVariant::fromValue(static_cast<void*>(&watch)));
      drawingErrors = nullptr;
    }
    if (watch.stopped)
      platform::Fail(platform::FailureKind::Invalid,
                     QStringLiteral("el trabajo se detuvo mientras se dibujaba la página"));
    if (watch.late)
      platform::Fail(platform::FailureKind::Invalid, QStringLiteral("el dibujo de la página tarda demasiado"));
    for (const QString& error : errors)
      if (lostPart(error)) RaiseDamaged(QStringLiteral("una imagen u otro objeto de la página no se puede leer"));
    if (image.isNull()) RaiseDamaged(QStringLiteral("la página no se puede dibujar"));
    image.convertTo(QImage::Format_RGB32);
    if (image.isNull())
      platform::Fail(platform::FailureKind::OutOfMemory, QStringLiteral("No hay memoria suficiente para la imagen"));
    SetPageResolution(image, dpiX, dpiY);
    return image;
  }

  std::shared_ptr<HeldFile> file_;
  int dpi_;
  ReadingLimits limits_;
  std::mutex mutex_;
  QPDF qpdf_;
  int pageCount_ = 0;
  std::vector<QPDFObjectHandle> pages_;
  std::unique_ptr<Poppler::Document> poppler_;
  QStringList notices_;
};

}  // namespace

std::unique_ptr<DocumentReader> OpenPdf(std::shared_ptr<HeldFile> file, int renderDpi, ReadingLimits limits) {
  if (renderDpi < 1 || renderDpi > 4800)
    platform::Fail(platform::FailureKind::Invalid, QStringLiteral("Resolución de dibujo no válida"));
  return std::make_unique<PdfReader>(std::move(file), renderDpi, limits);
}

}  // namespace documents

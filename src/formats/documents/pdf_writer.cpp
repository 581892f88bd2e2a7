// PDF documents through qpdf. Each page's stream is already compressed as
// its filter says; it waits in an unnamed temporary file beside the target
// and qpdf asks for it only while writing the document out, so that memory
// holds the pages' small dictionaries and never their pixels.
#include "formats/documents/pdf_writer.h"

#include "formats/documents/writer_file.h"
#include "formats/filenames.h"

#include <QIODevice>

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace documents {

namespace {

// A failure while qpdf writes: the system's error number, 0 when unknown.
struct WriteError : std::runtime_error {
  int error;
  explicit WriteError(int e) : std::runtime_error("write"), error(e) {}
};

// An unnamed file beside the target that the pages' streams are appended to.
class Spool {
 public:
  explicit Spool(const QString& target) {
    QByteArray folder = platform::EncodeFileName(target);
    const qsizetype slash = folder.lastIndexOf('/');
    folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : folder.left(slash);
#ifdef O_TMPFILE
    fd_ = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#endif
    if (fd_ < 0) {
      // A file system without unnamed files: a named one, unnamed at once.
      QByteArray name = folder + "/.tb-XXXXXX";
      fd_ = ::mkostemp(name.data(), O_CLOEXEC);
      if (fd_ >= 0) ::unlink(name.constData());
    }
    if (fd_ < 0) error_ = errno;
  }
  ~Spool() {
    if (fd_ >= 0) ::close(fd_);
  }
  Spool(const Spool&) = delete;
  Spool& operator=(const Spool&) = delete;

  // The system's error number when it could not be made, else 0.
  int error() const { return error_; }
  // The system's error number when it could not be read back, else 0.
  int readError() const { return readError_; }

  // Where the bytes now lie; the system's error number is thrown when they
  // cannot be kept.
  std::int64_t append(const QByteArray& bytes) {
    const std::int64_t at = end_;
    for (qsizetype done = 0; done < bytes.size();) {
      const ssize_t n = ::pwrite(fd_, bytes.constData() + done, std::size_t(bytes.size() - done), off_t(end_));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw WriteError(n < 0 ? errno : ENOSPC);
      done += n;
      end_ += n;
    }
    return at;
  }

  void copy(std::int64_t at, std::int64_t size, Pipeline& out) const {
    const std::size_t chunkSize = std::size_t(std::min<std::int64_t>(size, 1 << 20));
    const std::unique_ptr<unsigned char[]> chunk(new unsigned char[chunkSize]);
    while (size > 0) {
      const ssize_t n =
          ::pread(fd_, chunk.get(), std::size_t(std::min<std::int64_t>(size, std::int64_t(chunkSize))), off_t(at));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        // qpdf passes on what a stream's provider throws as its own failure.
        readError_ = n < 0 ? errno : EIO;
        throw WriteError(readError_);
      }
      out.write(chunk.get(), std::size_t(n));
      at += n;
      size -= n;
    }
  }

 private:
  int fd_ = -1;
  int error_ = 0;
  mutable int readError_ = 0;
  std::int64_t end_ = 0;
};

// Gives qpdf each picture's stream from the spool, as it was compressed.
class SpooledStreams : public QPDFObjectHandle::StreamDataProvider {
 public:
  explicit SpooledStreams(const Spool& spool) : spool_(spool) {}
  void add(QPDFObjGen stream, std::int64_t at, std::int64_t size) { extents_[stream] = {at, size}; }
  void provideStreamData(QPDFObjGen const& stream, Pipeline* out) override {
    const auto [at, size] = extents_.at(stream);
    spool_.copy(at, size, *out);
    out->finish();
  }

 private:
  const Spool& spool_;
  std::map<QPDFObjGen, std::pair<std::int64_t, std::int64_t>> extents_;
};

// What qpdf writes, given to the new file.
class DeviceOutput : public Pipeline {
 public:
  explicit DeviceOutput(QIODevice& device) : Pipeline("document", nullptr), device_(device) {}
  void write(unsigned char const* data, size_t size) override {
    errno = 0;
    if (device_.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size)) throw WriteError(errno);
  }
  void finish() override {}

 private:
  QIODevice& device_;
};

// A length in points, short and the same on every run.
std::string points(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", value);
  std::string s = text;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

QPDFObjectHandle name(const char* n) { return QPDFObjectHandle::newName(n); }
QPDFObjectHandle integer(long long n) { return QPDFObjectHandle::newInteger(n); }

// The colour space and the filter of a page's picture, in its dictionary.
void describe(const EncodedPage& page, QPDFObjectHandle& dictionary, QPDFObjectHandle& filter,
              QPDFObjectHandle& parameters) {
  dictionary.replaceKey("/Type", name("/XObject"));
  dictionary.replaceKey("/Subtype", name("/Image"));
  dictionary.replaceKey("/Width", integer(page.width));
  dictionary.replaceKey("/Height", integer(page.height));
  dictionary.replaceKey("/BitsPerComponent", integer(page.bitsPerSample));
  QPDFObjectHandle space = name(page.components == 3 ? "/DeviceRGB" : "/DeviceGray");
  filter = name("/FlateDecode");
  parameters = QPDFObjectHandle::newNull();
  switch (page.storage) {
    case EncodedPage::Storage::Group4:
      // 0 bits white once decoded, as in TIFF's MinIsWhite: no BlackIs1.
      filter = name("/CCITTFaxDecode");
      parameters = QPDFObjectHandle::newDictionary();
      parameters.replaceKey("/K", integer(-1));
      parameters.replaceKey("/Columns", integer(page.width));
      parameters.replaceKey("/Rows", integer(page.height));
      break;
    case EncodedPage::Storage::Palette: {
      std::string table;
      for (std::uint32_t c : page.palette) {
        table += char((c >> 16) & 0xFF);
        table += char((c >> 8) & 0xFF);
        table += char(c & 0xFF);
      }
      space = QPDFObjectHandle::newArray();
      space.appendItem(name("/Indexed"));
      space.appendItem(name("/DeviceRGB"));
      space.appendItem(integer(qsizetype(page.palette.size()) - 1));
      space.appendItem(QPDFObjectHandle::newString(table));
      break;
    }
    case EncodedPage::Storage::Grey:
    case EncodedPage::Storage::Rgb:
      break;
    case EncodedPage::Storage::Jpeg:
      filter = name("/DCTDecode");
      break;
  }
  dictionary.replaceKey("/ColorSpace", space);
}

class PdfWriter final : public DocumentWriter {
 public:
  explicit PdfWriter(const QString& target)
      : file_(target), spool_(target), streams_(std::make_shared<SpooledStreams>(spool_)) {
    if (spool_.error()) file_.fail(spool_.error());
    pdf_.emptyPDF();
  }

  void addPage(const EncodedPage& page) override {
    try {
      const std::int64_t at = spool_.append(page.data);
      QPDFObjectHandle image = QPDFObjectHandle::newStream(&pdf_);
      QPDFObjectHandle dictionary = image.getDict(), filter, parameters;
      describe(page, dictionary, filter, parameters);
      streams_->add(image.getObjGen(), at, page.data.size());
      image.replaceStreamData(streams_, filter, parameters);
      // The page is as large as its picture at the picture's resolution.
      const std::string width = points(page.width * 72.0 / (page.dpiX > 0 ? page.dpiX : 72.0));
      const std::string height = points(page.height * 72.0 / (page.dpiY > 0 ? page.dpiY : 72.0));
      QPDFObjectHandle content =
          QPDFObjectHandle::newStream(&pdf_, "q " + width + " 0 0 " + height + " 0 0 cm /Im0 Do Q\n");
      QPDFObjectHandle pictures = QPDFObjectHandle::newDictionary();
      pictures.replaceKey("/Im0", image);
      QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
      resources.replaceKey("/XObject", pictures);
      QPDFObjectHandle box = QPDFObjectHandle::parse("[0 0 " + width + " " + height + "]");
      QPDFObjectHandle pageObject = QPDFObjectHandle::newDictionary();
      pageObject.replaceKey("/Type", name("/Page"));
      pageObject.replaceKey("/MediaBox", box);
      pageObject.replaceKey("/Resources", resources);
      pageObject.replaceKey("/Contents", content);
      QPDFPageDocumentHelper(pdf_).addPage(QPDFPageObjectHelper(pdf_.makeIndirectObject(pageObject)), false);
      ++pages_;
    } catch (const WriteError& e) {
      file_.fail(e.error);
    } catch (const std::exception&) {
      file_.fail(0, QStringLiteral("la biblioteca de PDF no pudo componerlo"));
    }
  }

  void finish() override {
    if (pages_ == 0) RaiseNoPages();
    try {
      DeviceOutput output(file_.device());
      QPDFWriter writer(pdf_);
      writer.setOutputPipeline(&output);
      // The same pages give the same bytes: the identifier follows from the
      // contents and no date is written.
      writer.setDeterministicID(true);
      writer.setObjectStreamMode(qpdf_o_generate);
      // The pictures' streams go out as they are, never decoded again.
      writer.setDecodeLevel(qpdf_dl_none);
      writer.write();
    } catch (const WriteError& e) {
      file_.fail(e.error);
    } catch (const std::exception&) {
      file_.fail(spool_.readError(), QStringLiteral("la biblioteca de PDF no pudo componerlo"));
    }
    file_.commit();
  }

 private:
  WriterFile file_;
  Spool spool_;
  std::shared_ptr<SpooledStreams> streams_;
  QPDF pdf_;
  int pages_ = 0;
};

}  // namespace

std::unique_ptr<DocumentWriter> CreatePdfDocument(const QString& target) { return std::make_unique<PdfWriter>(target); }

}  // namespace documents

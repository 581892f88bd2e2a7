#include "support/batch_escapes.h"

#include <vector>

namespace batchescapes {

namespace {

// The objects numbered from 1, with their cross-reference table.
QByteArray rawPdf(const std::vector<QByteArray>& objects) {
  QByteArray pdf("%PDF-1.4\n");
  std::vector<qsizetype> offsets;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += QByteArray::number(qulonglong(i + 1)) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const qsizetype xref = pdf.size();
  pdf += "xref\n0 " + QByteArray::number(qulonglong(objects.size() + 1)) + "\n0000000000 65535 f \n";
  for (const qsizetype offset : offsets) pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
  return pdf + "trailer << /Size " + QByteArray::number(qulonglong(objects.size() + 1)) +
         " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
}

QByteArray stream(const QByteArray& head, const QByteArray& content) {
  return "<< " + head + " /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "\nendstream";
}

}  // namespace

QByteArray NestedFormsPdf(int depth) {
  // 1 catalog, 2 pages, 3 page, 4 its contents, 5.. the forms, the last a square.
  std::vector<QByteArray> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /XObject << /F 5 0 R >> "
      ">> >>",
      stream("", "/F Do")};
  const QByteArray form = "/Type /XObject /Subtype /Form /BBox [0 0 612 792]";
  for (int level = 0; level < depth; ++level) {
    const QByteArray next = QByteArray::number(level + 6) + " 0 R";
    objects.push_back(stream(form + " /Resources << /XObject << /F " + next + " >> >>",
                             "q 0.9 0 0 0.9 10 10 cm /F Do Q q 0.9 0 0 0.9 20 20 cm /F Do Q"));
  }
  objects.push_back(stream(form, "0 0 1 rg 100 100 300 300 re f"));
  return rawPdf(objects);
}

}  // namespace batchescapes

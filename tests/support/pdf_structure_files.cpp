#include "support/pdf_structure_files.h"

#include "support/documents.h"

namespace structurefiles {

namespace {

using documentfiles::RawLayout;
using documentfiles::RawPdf;

// A Flate content stream that fills the page's middle with one colour.
struct Contents {
  QByteArray colour;      // "r g b"
  QByteArray eol = "\n";  // after the stream keyword
  int lengthShift = 0;    // of the /Length given
  bool damaged = false;   // bytes of the compressed data overwritten
};

QByteArray stream(const Contents& c) {
  QByteArray data = qCompress(c.colour + " rg 8 8 56 56 re f 0 0 0 rg 30 30 12 12 re f", 9).mid(4);  // the zlib stream
  if (c.damaged) data.replace(4, 6, "\xff\xff\xff\xff\xff\xff");
  return "<< /Length " + QByteArray::number(data.size() + c.lengthShift) + " /Filter /FlateDecode >>\nstream" + c.eol +
         data + "\nendstream";
}

const QByteArray red = "1 0 0", blue = "0 0 1";

QByteArray page(int parent, int contents) {
  return "<< /Type /Page /Parent " + QByteArray::number(parent) + " 0 R /MediaBox [0 0 72 72] /Contents " +
         QByteArray::number(contents) + " 0 R >>";
}

// Catalog 1, pages 2, the pages 3 and 4 and their contents 5 and 6.
QByteArray twoPages(const RawLayout& layout = {}, Contents first = {red}, Contents second = {blue},
                    const QByteArray& pages = "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>") {
  return RawPdf({"<< /Type /Catalog /Pages 2 0 R >>", pages, page(2, 5), page(2, 6), stream(first), stream(second)},
                layout);
}

// The two pages under a chain of `depth` pages nodes.
QByteArray deepTree(int depth) {
  std::vector<QByteArray> objects{"<< /Type /Catalog /Pages 2 0 R >>"};
  for (int level = 0; level < depth; ++level) {
    const int self = level + 2, kid = self + 1;
    const QByteArray kids = level + 1 < depth
                                ? QByteArray::number(kid) + " 0 R"
                                : QByteArray::number(kid) + " 0 R " + QByteArray::number(kid + 1) + " 0 R";
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count 2" +
                      (level ? " /Parent " + QByteArray::number(self - 1) + " 0 R" : QByteArray()) + " >>");
  }
  const int parent = depth + 1, first = depth + 2;
  objects.push_back(page(parent, first + 2));
  objects.push_back(page(parent, first + 3));
  objects.push_back(stream({red}));
  objects.push_back(stream({blue}));
  return RawPdf(objects);
}

QString name(const char* text) { return QString::fromLatin1(text); }

File reads(const char* fault, const char* file, const QByteArray& bytes, std::vector<int> shows, bool mended = false) {
  return {fault, name(file), bytes, std::move(shows), mended, {}};
}
File refused(const char* fault, const char* file, const QByteArray& bytes, const char* reason) {
  return {fault, name(file), bytes, {}, false, QString::fromUtf8(reason)};
}

}  // namespace

QByteArray Sound() { return twoPages(); }

std::vector<File> Files(bool large) {
  const QByteArray pagesTwice = "<< /Type /Pages /Kids [3 0 R 4 0 R 3 0 R] /Count 3 >>";
  const QByteArray branchTwice = "<< /Type /Pages /Kids [7 0 R 7 0 R] /Count 4 >>";
  const QByteArray branch = "<< /Type /Pages /Parent 2 0 R /Kids [3 0 R 4 0 R] /Count 2 >>";
  const QByteArray loop = "<< /Type /Pages /Parent 2 0 R /Kids [2 0 R] /Count 1 >>";
  QByteArray manyTimes = "3 0 R";
  for (int i = 1; i < 40; ++i) manyTimes += " 3 0 R";
  QByteArray nested = "<< /Type /Page /MediaBox [0 0 72 72] >>";
  for (int i = 0; i < 600; ++i) nested = "<< /Type /Pages /Kids [" + nested + "] /Count 1 >>";
  std::vector<File> files = {
      // What qpdf mends as viewers do.
      reads("xref_after_whitespace", "p10-xref-space.pdf", twoPages({"  \r\n", true}), {0, 1}, true),
      reads("stream_length_5_short", "p10-length-short.pdf", twoPages({}, {red, "\n", -5}), {0, 1}, true),
      reads("startxref_wrong", "p10-startxref.pdf", twoPages({{}, false, -7}), {0, 1}, true),
      reads("cut_in_its_last_line", "p10-last-line-cut.pdf", Sound().chopped(8), {0, 1}, true),
      // What the format allows, or readers take.
      reads("stream_after_crlf", "p10-stream-crlf.pdf", twoPages({}, {red, "\r\n"}, {blue, "\r\n"}), {0, 1}),
      reads("stream_after_lone_cr", "p10-stream-cr.pdf", twoPages({}, {red, "\r"}, {blue, "\r"}), {0, 1}),
      reads("names_with_escapes", "p10-name-escape.pdf",
            twoPages({}, {red}, {blue}, "<< /Type /Pa#67es /K#69ds [3 0 R 4 0 R] /Count 2 >>"), {0, 1}),
      reads("page_listed_twice", "p10-page-twice.pdf", twoPages({}, {red}, {blue}, pagesTwice), {0, 1, 0}),
      reads("pages_tree_200_deep", "p10-deep-tree.pdf", deepTree(200), {0, 1}),
      reads("pages_node_without_type", "p10-no-type.pdf",
            twoPages({}, {red}, {blue}, "<< /Kids [3 0 R 4 0 R] /Count 2 >>"), {0, 1}),
      // Damage.
      refused("repaired_but_page_data_damaged", "p10-repaired-page-damaged.pdf",
              twoPages({{}, false, -7}, {red}, {blue, "\n", 0, true}), "una página tiene datos dañados"),
      refused("stream_cut_and_table_gone", "p10-stream-cut.pdf", Sound().left(Sound().indexOf("endstream") - 3),
              "Documento dañado o incompleto"),
      refused("loop_in_pages_tree", "p19-loop-tree.pdf",
              RawPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
                      page(2, 5), loop, stream({red})}),
              "su árbol de páginas vuelve sobre sí mismo"),
      refused("pages_tree_too_deep", "p19-too-deep-tree.pdf", deepTree(1200),
              "su árbol de páginas es demasiado profundo"),
      refused("pages_nested_in_place_too_deep", "p19-nested-tree.pdf",
              RawPdf({"<< /Type /Catalog /Pages 2 0 R >>", nested}), "demasiada profundidad"),
      refused("branch_listed_twice", "p10-branch-twice.pdf",
              RawPdf({"<< /Type /Catalog /Pages 2 0 R >>", branchTwice, page(7, 5), page(7, 6), stream({red}),
                      stream({blue}), branch}),
              "su árbol de páginas nombra dos veces una misma rama"),
      refused("page_listed_past_the_file", "p10-page-many-times.pdf",
              twoPages({}, {red}, {blue}, "<< /Type /Pages /Kids [" + manyTimes + "] /Count 40 >>"),
              "dice tener más páginas de las que caben en el archivo"),
      refused("count_past_the_file", "p10-count-lies.pdf",
              twoPages({}, {red}, {blue}, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 9 >>"),
              "el número de páginas que declara no es el que tiene"),
  };
  // The tree qpdf's own walk overflowed the stack on.
  if (large)
    files.push_back(refused("pages_tree_30000_deep", "p19-tree-30000-deep.pdf", deepTree(30000), "demasiado profundo"));
  return files;
}

}  // namespace structurefiles

#include "formats/documents/pdf_structure.h"

#include "core/failure.h"
#include "formats/documents/readers.h"

#include <qpdf/Pl_Discard.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <set>
#include <string>

namespace documents {

void RaisePasswordProtected() {
  platform::Fail(platform::FailureKind::Access, QStringLiteral("el documento está protegido con contraseña"));
}

namespace {

const QString& unsound() {
  static const QString reason = QStringLiteral("su estructura no es válida o el archivo está cortado");
  return reason;
}

// What qpdf said while reading the file, sorted: what it mends as every
// viewer does (told to the user), what the format's readers tolerate (not
// told), and anything else, which is damage.
enum class Warning { Damage, Tolerated, CrossReference, StreamLength };

// Damage qpdf names that has a reason of its own.
QString damage(const std::string& what) {
  if (what == "ignoring excessively deeply nested data structure")
    return QStringLiteral("tiene datos anidados a demasiada profundidad");
  return unsound();
}

Warning sorted(const std::string& what) {
  const auto starts = [&](const char* prefix) { return what.rfind(prefix, 0) == 0; };
  if (what == "file is damaged" || what == "Attempting to reconstruct cross-reference table" ||
      what == "extraneous whitespace seen before xref" || starts("reported number of objects"))
    return Warning::CrossReference;
  if (what == "expected endstream" || what == "attempting to recover stream length" ||
      starts("recovered stream length: "))
    return Warning::StreamLength;
  if (what == "stream keyword followed by carriage return only" ||
      what == "/Type key should be /Pages but is not; overriding" ||
      what == "/Type key should be /Page but is not; overriding" ||
      what.find("appears more than once in the pages tree; creating a new page object as a copy") != std::string::npos)
    return Warning::Tolerated;
  return Warning::Damage;
}

// The warnings since the last call, as notices; damage refuses the document.
// qpdf's rebuilding of the table starts with "file is damaged" and then
// names why (the table not found, or not read): that reason is part of it.
void takeWarnings(QPDF& qpdf, std::set<Warning>& repairs) {
  bool rebuilding = false;
  for (const QPDFExc& warning : qpdf.getWarnings()) {
    const Warning kind = sorted(warning.getMessageDetail());
    if (kind == Warning::Damage && !rebuilding) RaiseDamaged(damage(warning.getMessageDetail()));
    rebuilding = warning.getMessageDetail() == "file is damaged";
    if (kind != Warning::Tolerated && kind != Warning::Damage) repairs.insert(kind);
  }
}

// Every stream a page draws (its contents, its pictures and forms, theirs
// in turn) decodes in full with the filters qpdf decodes; each stream once.
void decodeEveryPage(QPDF& qpdf, std::vector<QPDFObjectHandle>& pages) {
  std::set<QPDFObjGen> done;
  const auto decodes = [&](QPDFObjectHandle stream) {
    if (!stream.isStream() || !done.insert(stream.getObjGen()).second) return;
    Pl_Discard discard;
    if (!stream.pipeStreamData(&discard, 0, qpdf_dl_generalized, true, false))
      RaiseDamaged(QStringLiteral("una página tiene datos dañados"));
  };
  for (QPDFObjectHandle& page : pages) {
    QPDFPageObjectHelper helper(page);
    for (const QPDFObjectHandle& contents : helper.getPageContents()) decodes(contents);
    helper.forEachXObject(true,
                          [&](QPDFObjectHandle& xobject, QPDFObjectHandle&, const std::string&) { decodes(xobject); });
  }
  if (qpdf.anyWarnings()) RaiseDamaged(QStringLiteral("una página tiene datos dañados"));
}

// The pages tree walked before qpdf walks it, bounded by the file: each
// branch is walked once (a node that is its own ancestor is a loop; one
// named twice elsewhere, which qpdf takes for a loop, is refused too), the
// tree no deeper than MaxPagesTreeDepth, and the pages named (a page named
// twice is shown twice, as viewers show it) no more than the file's objects.
int countPages(QPDF& qpdf, qint64 limit) {
  QPDFObjectHandle root = qpdf.getRoot().getKey("/Pages");
  if (!root.isIndirect() || !root.isDictionary()) RaiseDamaged(QStringLiteral("no tiene árbol de páginas"));
  struct Level {
    QPDFObjGen node;
    QPDFObjectHandle kids;
    int next = 0;
  };
  const auto kidsOf = [](QPDFObjectHandle node) {
    QPDFObjectHandle kids = node.getKey("/Kids");
    if (!kids.isArray()) RaiseDamaged(QStringLiteral("su árbol de páginas no es válido"));
    return kids;
  };
  std::vector<Level> path{{root.getObjGen(), kidsOf(root)}};
  std::set<QPDFObjGen> ancestors{root.getObjGen()}, branches{root.getObjGen()};
  qint64 pages = 0;
  while (!path.empty()) {
    Level& level = path.back();
    if (level.next == level.kids.getArrayNItems()) {
      ancestors.erase(level.node);
      path.pop_back();
      continue;
    }
    QPDFObjectHandle kid = level.kids.getArrayItem(level.next++);
    if (!kid.isIndirect()) RaiseDamaged(QStringLiteral("una rama de su árbol de páginas no es un objeto propio"));
    if (!kid.isDictionary())
      RaiseDamaged(QStringLiteral("su árbol de páginas nombra objetos que no están en el archivo"));
    if (!kid.hasKey("/Kids")) {
      if (++pages > limit) RaiseDamaged(QStringLiteral("dice tener más páginas de las que caben en el archivo"));
      continue;
    }
    if (!ancestors.insert(kid.getObjGen()).second)
      RaiseDamaged(QStringLiteral("su árbol de páginas vuelve sobre sí mismo"));
    if (!branches.insert(kid.getObjGen()).second)
      RaiseDamaged(QStringLiteral("su árbol de páginas nombra dos veces una misma rama"));
    if (int(path.size()) >= MaxPagesTreeDepth)
      RaiseDamaged(QStringLiteral("su árbol de páginas es demasiado profundo"));
    path.push_back({kid.getObjGen(), kidsOf(kid)});
  }
  QPDFObjectHandle count = root.getKey("/Count");
  if (!count.isInteger() || count.getIntValue() != pages)
    RaiseDamaged(QStringLiteral("el número de páginas que declara no es el que tiene"));
  if (pages == 0) RaiseDamaged(QStringLiteral("no tiene páginas"));
  return int(pages);
}

QString told(Warning repair) {
  const QString what = repair == Warning::CrossReference
                           ? QStringLiteral(
                                 "su índice de objetos (la tabla de referencias cruzadas) no se podía leer "
                                 "y se ha reconstruido")
                           : QStringLiteral("un flujo de datos no tenía la longitud que declaraba");
  return QStringLiteral("el documento estaba dañado y se ha reparado: %1").arg(what);
}

}  // namespace

PdfStructure OpenPdfStructure(QPDF& qpdf, std::FILE* stream) {
  PdfStructure structure;
  std::set<Warning> repairs;
  try {
    qpdf.processFile("documento", stream, true);
    // The tree is checked first, reading only its own objects: a hostile
    // tree is refused before the rest of the file is read. What qpdf said
    // on the way names the damage, when it has a name.
    int pages = 0;
    try {
      pages = countPages(qpdf, qint64(qpdf.getXRefTable().size()));
    } catch (const platform::Failure&) {
      takeWarnings(qpdf, repairs);
      throw;
    }
    // Counting the objects reads every one of them, streams' lengths checked.
    qpdf.getObjectCount();
    takeWarnings(qpdf, repairs);
    structure.pages = qpdf.getAllPages();
    takeWarnings(qpdf, repairs);
    if (int(structure.pages.size()) != pages) RaiseDamaged(QStringLiteral("su árbol de páginas no es válido"));
    if (!repairs.empty()) decodeEveryPage(qpdf, structure.pages);
  } catch (const QPDFExc& e) {
    if (e.getErrorCode() == qpdf_e_password) RaisePasswordProtected();
    RaiseDamaged(unsound());
  } catch (const platform::Failure&) {
    throw;
  } catch (const std::exception&) {
    RaiseDamaged(unsound());
  }
  for (Warning repair : repairs) structure.notices << told(repair);
  return structure;
}

}  // namespace documents

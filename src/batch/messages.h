#pragma once
// What tintaborra-lote says, all of it in Spanish.

#include <QString>

namespace batch {

struct Totals;

QString HelpText();
QString VersionText();
// The synopsis, for a usage error.
QString UsageText();
// "tintaborra-lote: <message>", the synopsis and where to read more.
QString UsageErrorText(const QString& message);
// "tintaborra-lote: <message>" alone, for a command written right that
// cannot be carried out.
QString CommandErrorText(const QString& message);
// A reason as the command tells it after a colon: from a small letter, as
// every line it writes has it ("no se pudo escribir el archivo"); a word in
// capitals ("JPEG") is kept.
QString ReasonText(const QString& reason);
// "tintaborra-lote: <input>: <reason>", the input as the user reads its name
// (see DisplayFileName), or "<input>, página 3: <reason>" for one of its pages
QString FailureText(const QString& input, const QString& reason, int page = 0);
// "12 imágenes escritas, 1 con error, en 3,2 s"; documents and pages counted
// as such: "2 documentos escritos (45 páginas), 0 con error, en 3,2 s"; pages
// left blank by the steps, when any: "..., 0 con error, 2 páginas en blanco, en 3,2 s"
QString SummaryText(int written, int failed, double seconds);
QString SummaryText(const Totals& totals, double seconds);
// "tintaborra-lote: aviso: <message>"
QString WarningText(const QString& message);
// "tintaborra-lote: <input>: aviso: <notice>": what was mended to read a
// document; "<input>, página 3: aviso: <notice>" for one of its pages
QString NoticeText(const QString& input, const QString& notice, int page = 0);
// What is told of a page that had content and came out of the steps all one colour.
QString BlankPageNotice();
// The summary of a run stopped by the user: "..., en 3,2 s; interrumpido, 5 sin terminar"
QString InterruptedText(const Totals& totals, double seconds);
// A bar of pages done of total, the time gone and the time still to go.
QString ProgressText(int done, int total, double seconds, int width = 30);

}  // namespace batch

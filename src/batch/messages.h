#pragma once
// What tintaborra-lote says, all of it in Spanish.

#include <QString>

namespace batch {

QString HelpText();
QString VersionText();
// The synopsis, for a usage error.
QString UsageText();
// "tintaborra-lote: <message>", the synopsis and where to read more.
QString UsageErrorText(const QString& message);
// "tintaborra-lote: <input>: <reason>", the input as the user reads its name
// (see DisplayFileName)
QString FailureText(const QString& input, const QString& reason);
// "12 imágenes escritas, 1 con error, en 3,2 s"
QString SummaryText(int written, int failed, double seconds);
// "tintaborra-lote: aviso: <message>"
QString WarningText(const QString& message);
// The summary of a run stopped by the user: "..., en 3,2 s; interrumpido, 5 sin empezar"
QString InterruptedText(int written, int failed, int notBegun, double seconds);
// A bar of pictures done of total, the time gone and the time still to go.
QString ProgressText(int done, int total, double seconds, int width = 30);

}  // namespace batch

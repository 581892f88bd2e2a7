#include "batch/messages.h"

#include "pixels/filenames.h"

#include <cmath>

#ifndef TINTABORRA_VERSION
#define TINTABORRA_VERSION "1.0.0"
#endif

namespace batch {

namespace {
const QString Name = QStringLiteral("tintaborra-lote");

// A number of seconds with a decimal comma: "3,2".
QString seconds(double s) { return QString::number(s, 'f', 1).replace(u'.', u','); }

// "1:05" or "1:02:05".
QString clock(double s) {
  const long total = std::lround(std::max(0.0, s));
  const long h = total / 3600, m = total / 60 % 60, sec = total % 60;
  const QString ms = QStringLiteral("%1:%2").arg(m, h ? 2 : 1, 10, QChar(u'0')).arg(sec, 2, 10, QChar(u'0'));
  return h ? QStringLiteral("%1:%2").arg(h).arg(ms) : ms;
}
}  // namespace

QString UsageText() {
  return QStringLiteral("Uso: tintaborra-lote -o CARPETA [--formato png|bmp|tif|jpg] [-j N] PASO... ENTRADA...\n");
}

QString HelpText() {
  return UsageText() + QStringLiteral(
                           R"(
Aplica los filtros de Tintaborra a muchas imágenes sin abrir la ventana, con
las mismas reglas: cada imagen escrita en PNG, BMP o TIFF tiene exactamente los
píxeles que la ventana tendría tras los mismos filtros. JPEG comprime con
pérdida: sus píxeles se acercan a esos, pero no son exactamente los mismos.

Pasos, aplicados en el orden dado, cada uno sobre la imagen entera:
  --quitar COLOR[:COLOR]  quita el primer color (cada canal a menos de 25 del
                          suyo; el blanco puro nunca se toca) y pinta esos
                          píxeles del segundo color, o de blanco si no se da
  --gris T,D              blanco y negro por tipo gris: negro si la media de los
                          canales es menor que T y cada canal dista de ella
                          menos que D; se leen como las casillas "tipo gris" y
                          "distancia media" de la ventana
  --blanquear             todo lo que no es negro puro pasa a blanco
  COLOR es R,G,B (tres números de 0 a 255) o #RRGGBB.

Entradas: archivos y carpetas; una carpeta vale por todas las imágenes que
contiene directamente, por orden de nombre. Se leen BMP, GIF, JPEG, PNG y TIFF;
la transparencia se aplana sobre blanco.

Opciones:
  -o, --salida CARPETA    dónde se escriben los resultados (se crea si falta),
                          con el nombre de cada entrada y la extensión del formato
      --formato FORMATO   png (por omisión), bmp, tif o jpg
  -j, --trabajos N        imágenes tratadas a la vez (por omisión, una por núcleo)
  -h, --help              muestra esta ayuda
      --version           muestra la versión

Cada resultado se escribe en un archivo temporal de la carpeta de salida y
solo sustituye al destino cuando está completo; un enlace simbólico que ocupe
su nombre se sustituye, nunca se sigue. Con Ctrl+C las imágenes en curso se
terminan y no se empieza ninguna más.

Estado de salida: 0 si se escribieron todas las imágenes; 1 si alguna falló
(cada una se nombra con el motivo y las demás se escriben igualmente); 2 si la
orden está mal escrita (entonces no se escribe nada); 130 si se interrumpió.

Ejemplos:
  tintaborra-lote -o limpias --quitar 200,30,30 escaneos/
  tintaborra-lote -o limpias --formato bmp --quitar '#C81E1E:0,0,0' --blanquear pagina*.jpg
  tintaborra-lote -o bn -j 2 --gris 140,20 fotos/ otra.gif
)");
}

QString VersionText() { return Name + QStringLiteral(" " TINTABORRA_VERSION "\n"); }

QString UsageErrorText(const QString& message) {
  return Name + QStringLiteral(": ") + message + u'\n' + UsageText() +
         QStringLiteral("Pruebe «tintaborra-lote --help» para más información.\n");
}

QString FailureText(const QString& input, const QString& reason) {
  return Name + QStringLiteral(": ") + platform::DisplayFileName(input) + QStringLiteral(": ") + reason + u'\n';
}

QString WarningText(const QString& message) { return Name + QStringLiteral(": aviso: ") + message + u'\n'; }

QString InterruptedText(int written, int failed, int notBegun, double s) {
  QString text = SummaryText(written, failed, s);
  text.chop(1);
  return text + QStringLiteral("; interrumpido, %1 sin empezar\n").arg(notBegun);
}

QString SummaryText(int written, int failed, double s) {
  const QString done =
      written == 1 ? QStringLiteral("1 imagen escrita") : QStringLiteral("%1 imágenes escritas").arg(written);
  return QStringLiteral("%1, %2 con error, en %3 s\n").arg(done).arg(failed).arg(seconds(s));
}

QString ProgressText(int done, int total, double s, int width) {
  const int filled = total > 0 ? int(std::floor(double(width) * done / total)) : width;
  QString bar = QStringLiteral("[") + QString(filled, u'#') + QString(width - filled, u'.') + u']';
  QString text = QStringLiteral("%1 %2/%3  %4").arg(bar).arg(done).arg(total).arg(clock(s));
  if (done > 0 && done < total) text += QStringLiteral(", quedan %1").arg(clock(s / done * (total - done)));
  return text;
}

}  // namespace batch

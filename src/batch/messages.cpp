#include "batch/messages.h"

#include "batch/runner.h"
#include "formats/filenames.h"

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
  return QStringLiteral(
      "Uso: tintaborra-lote -o CARPETA [--formato pdf|tif|png|bmp|jpg] [--unir ARCHIVO] [--paginas PAGINAS]\n"
      "                     [--ppp N] [--calidad N] [-j N] [--lista ARCHIVO] [--lista0 ARCHIVO]\n"
      "                     [--continuar] [--informe ARCHIVO] [PASO...] ENTRADA...\n");
}

QString HelpText() {
  return UsageText() + QStringLiteral(
                           R"(
Aplica los filtros de Tintaborra a muchas imágenes sin abrir la ventana, con
las mismas reglas: cada imagen o página escrita en PNG, BMP, TIFF o PDF tiene
exactamente los píxeles que la ventana tendría tras los mismos filtros. JPEG
(jpg, o --calidad en un documento) comprime con pérdida: sus píxeles se acercan
a esos, pero no son exactamente los mismos.

Pasos, aplicados en el orden dado, cada uno sobre la imagen entera:
  --quitar COLOR[:COLOR]  quita el primer color (cada canal a no más de la
                          tolerancia del suyo; el blanco puro nunca se toca) y
                          pinta esos píxeles del segundo color, o de blanco si
                          no se da
  --tolerancia N          de 0 a 255: cuánto puede apartarse cada canal del
                          color en los --quitar que la siguen en la orden (por
                          omisión, 24, como en la ventana)
  --gris T,D              blanco y negro por tipo gris: negro si la media de los
                          canales es menor que T y cada canal dista de ella
                          menos que D; se leen como las casillas "tipo gris" y
                          "distancia media" de la ventana
  --blanquear             todo lo que no es negro puro pasa a blanco
  --fondo                 fondo blanco: el papel, sea cual sea su tono, con
                          sombras, luz desigual y manchas más claras que la
                          tinta, pasa a blanco puro; la tinta conserva su color
  --bn                    blanco y negro local: tinta negra pura sobre blanco,
                          decidido por el papel y la tinta de alrededor de cada
                          punto (también el lápiz); se guarda en 1 bit
  COLOR es R,G,B (tres números de 0 a 255) o #RRGGBB. Sin ningún paso, las
  imágenes y las páginas solo cambian de formato.

En un escaneo el texto es gris oscuro, nunca negro puro, y el papel no es
blanco: --gris 170,30 deja el texto negro sobre blanco y quita un sello rojo
o azul, que no es gris; con sombras o manchas, póngase antes --fondo, o úsese
--bn. --blanquear solo conserva el negro puro: sola, en un escaneo, deja la
página en blanco. Va tras un paso que ha dejado la tinta negra pura, como
--quitar del color del texto a 0,0,0 con una tolerancia que la abarque toda.
Una página que tenía contenido y sale de los pasos de un solo color se
escribe igualmente y se avisa: «página en blanco tras los pasos».

Entradas: archivos y carpetas; una carpeta vale por todas las imágenes y
documentos PDF que contiene directamente, por orden de nombre. Se leen BMP,
GIF, JPEG, PNG y TIFF; la transparencia se aplana sobre blanco. Un PDF y un
TIFF de varias páginas son documentos, y cada página es una imagen: la de una
página que es una sola imagen (lo que escriben los escáneres) se toma tal cual,
con su resolución; cualquier otra página se dibuja a 300 ppp, o a --ppp.

Salidas: con png, bmp o jpg, cada página de un documento se escribe como
NOMBRE-001.png..., con tantas cifras como pide su número de páginas. Con pdf o
tif, cada entrada da un documento NOMBRE.pdf o NOMBRE.tif con sus páginas en
orden (una imagen sola, uno de una página). En un documento cada página se
guarda como conviene a sus píxeles: blanco y negro puros en 1 bit con CCITT
Grupo 4, pocos colores con paleta, los demás sin pérdida, o en JPEG con
--calidad.

Opciones:
  -o, --salida CARPETA    dónde se escriben los resultados (se crea si falta),
                          con el nombre de cada entrada y la extensión del formato
      --formato FORMATO   png (por omisión), bmp, jpg, pdf o tif
      --unir ARCHIVO      todas las páginas de todas las entradas, en el orden
                          dado, en un solo documento ARCHIVO de la carpeta de
                          salida (un nombre, sin «/»), PDF o TIFF según su
                          extensión (.pdf, .tif o .tiff), que tiene que
                          coincidir con --formato si se da
      --paginas PAGINAS   solo esas páginas de cada entrada, por ejemplo 1-3,17
                          (una imagen sola tiene una página); pedir una página
                          que una entrada no tiene es un error de la orden
      --ppp N             resolución de las páginas que se dibujan, de 50 a
                          1200 (por omisión, 300)
      --calidad N         de 1 a 100: las páginas de pdf y tif se guardan en
                          JPEG con esa calidad, y jpg se escribe con ella (por
                          omisión, 90)
  -j, --trabajos N        imágenes o páginas tratadas a la vez (por omisión, una
                          por núcleo)
      --lista ARCHIVO     lee más entradas de ARCHIVO, un nombre por línea
                          (- para la entrada estándar), en el lugar de la
                          orden donde está la opción; vale cualquier nombre,
                          también los que no son UTF-8. Una línea vacía, una
                          carpeta (una lista solo nombra archivos), un archivo
                          que falta o una tubería son errores de esa entrada:
                          las demás se escriben igualmente. Una lista que no
                          se puede leer es un error de la orden
      --lista0 ARCHIVO    igual, con cada nombre terminado en un byte NUL,
                          como los escribe find -print0 (un nombre puede
                          llevar saltos de línea)
      --continuar         no vuelve a escribir las entradas cuyos resultados
                          ya están todos, completos, en la carpeta de salida
                          (tras una orden interrumpida); se cuentan aparte,
                          «N ya hechas». Un archivo vacío o que no es del
                          formato pedido se escribe de nuevo
      --informe ARCHIVO   escribe en ARCHIVO (- para la salida estándar) una
                          línea CSV por entrada en cuanto termina: entrada,
                          salidas, páginas, resultado (escrita, ya hecha o
                          error), motivo y segundos; no puede estar en la
                          carpeta de salida ni ser una entrada
  -h, --help              muestra esta ayuda
      --version           muestra la versión

Cada resultado se escribe en un archivo temporal de la carpeta de salida y
solo sustituye al destino cuando está completo; un enlace simbólico que ocupe
su nombre se sustituye, nunca se sigue. Un documento, y las páginas de un
documento escritas como imágenes, aparecen solo cuando están todas: si una
página falla (un documento dañado o cortado, protegido con contraseña...), no
se escribe nada de ese documento, y con --unir no se escribe el documento
unido. Las páginas de un documento esperan en una carpeta oculta ".tb-" de la
carpeta de salida hasta que están todas; si la orden muere antes, la siguiente
que escriba en esa carpeta la borra. Abrir un documento y leer cada página
tienen un plazo de 60 s: pasado ese plazo el documento falla («la lectura del
documento tarda demasiado») y las demás entradas se escriben igualmente. Con
Ctrl+C las imágenes y páginas en curso se terminan, no se empieza ninguna más y
el documento a medias se descarta; un segundo Ctrl+C termina al momento.

Estado de salida: 0 si se escribieron todas las imágenes (también las que
salieron en blanco); 1 si alguna falló (cada una se nombra con el motivo, y la
página si es de un documento, y las demás se escriben igualmente); 2 si la
orden está mal escrita o no se puede llevar a cabo (entonces no se escribe
nada); 130 si se interrumpió.

Ejemplos:
  tintaborra-lote -o bn -j 2 --gris 170,30 fotos/ otra.gif
  tintaborra-lote -o bn --fondo --gris 170,30 escaneos/
  tintaborra-lote -o bn --formato bmp --tolerancia 100 --quitar 30,30,30:0,0,0 --blanquear pagina*.jpg
  tintaborra-lote -o limpias --tolerancia 60 --quitar 200,30,30 escaneos/
  tintaborra-lote -o limpio --formato pdf --fondo --gris 170,30 escaneo.pdf
  tintaborra-lote -o archivo --formato tif --bn lote1.pdf lote2.tif
  tintaborra-lote -o paginas --formato bmp --paginas 17 escaneo.pdf
  tintaborra-lote -o . --unir informe.pdf --bn fotos/*.jpg
  find escaneos -name '*.tif' -print0 | tintaborra-lote -o limpias --fondo --lista0 -
  tintaborra-lote -o limpias --fondo --continuar --lista pendientes.txt
  tintaborra-lote -o limpias --fondo --informe informe.csv escaneos/
)");
}

QString VersionText() { return Name + QStringLiteral(" " TINTABORRA_VERSION "\n"); }

QString UsageErrorText(const QString& message) {
  return Name + QStringLiteral(": ") + message + u'\n' + UsageText() +
         QStringLiteral("Pruebe «tintaborra-lote --help» para más información.\n");
}

QString CommandErrorText(const QString& message) { return Name + QStringLiteral(": ") + message + u'\n'; }

QString ReasonText(const QString& reason) {
  if (reason.size() < 2 || !reason[0].isUpper() || !reason[1].isLower()) return reason;
  return reason[0].toLower() + reason.mid(1);
}

namespace {
QString where(const QString& input, int page) {
  return platform::DisplayFileName(input) + (page > 0 ? QStringLiteral(", página %1").arg(page) : QString());
}
}  // namespace

QString FailureText(const QString& input, const QString& reason, int page) {
  return Name + QStringLiteral(": ") + where(input, page) + QStringLiteral(": ") + ReasonText(reason) + u'\n';
}

QString BlankPageNotice() { return QStringLiteral("página en blanco tras los pasos"); }

QString WarningText(const QString& message) { return Name + QStringLiteral(": aviso: ") + message + u'\n'; }

QString NoticeText(const QString& input, const QString& notice, int page) {
  if (notice == BlankPageNotice())  // said first, so that a script finds these lines by their start
    return Name + QStringLiteral(": ") + notice + QStringLiteral(": ") + where(input, page) + u'\n';
  return Name + QStringLiteral(": ") + where(input, page) + QStringLiteral(": aviso: ") + ReasonText(notice) + u'\n';
}

QString InterruptedText(const Totals& totals, double s) {
  QString text = SummaryText(totals, s);
  text.chop(1);
  return text + QStringLiteral("; interrumpido, %1 sin terminar\n").arg(totals.unfinished);
}

QString SummaryText(const Totals& t, double s) {
  const auto count = [](int n, const char* one, const char* many) {
    return n == 1 ? QString::fromUtf8(one) : QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(many));
  };
  QStringList parts;
  const bool none = !t.pictures && !t.documents && !t.pagedDocuments;
  if (t.pictures || (none && !t.documentsAsked && !t.pageFilesAsked))
    parts += count(t.pictures, "1 imagen escrita", "imágenes escritas");
  if (t.pagedDocuments || (none && t.pageFilesAsked))
    parts += count(t.pageFiles, "1 página escrita", "páginas escritas") + QStringLiteral(" de ") +
             count(t.pagedDocuments, "1 documento", "documentos");
  if (t.documents || (none && t.documentsAsked))
    parts += count(t.documents, "1 documento escrito", "documentos escritos") +
             (t.documents ? QStringLiteral(" (") + count(t.documentPages, "1 página", "páginas") + u')' : QString());
  const QString done =
      t.resumeAsked ? QStringLiteral(", %1 ya %2").arg(t.alreadyDone).arg(t.alreadyDone == 1 ? "hecha" : "hechas")
                    : QString();
  const QString blank =
      t.blankPages ? QStringLiteral(", ") + count(t.blankPages, "1 página en blanco", "páginas en blanco") : QString();
  return QStringLiteral("%1, %2 con error%3%4, en %5 s\n")
      .arg(parts.join(QStringLiteral(" y ")))
      .arg(t.failed)
      .arg(done, blank, seconds(s));
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

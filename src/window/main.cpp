#include "formats/codecs.h"
#include "window/forms/qtdialogs.h"
#include "window/main_window.h"

#include <QApplication>
#include <QScreen>

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kHelp =
    "Uso: tintaborra [OPCIÓN]\n"
    "\n"
    "Abre la ventana de Tintaborra, que limpia imágenes: lee el color bajo el\n"
    "puntero, quita un color o lo pinta de otro, pasa a blanco y negro, blanquea\n"
    "todo lo que no es negro puro y deja el papel en blanco. El resultado se\n"
    "guarda como BMP o se copia al portapapeles. Para muchas imágenes a la vez,\n"
    "sin ventana, está tintaborra-lote.\n"
    "\n"
    "Opciones:\n"
    "  -h, --help     muestra esta ayuda\n"
    "      --version  muestra la versión\n"
    "\n"
    "Las demás opciones son las de Qt (por ejemplo -platform offscreen).\n";

// --help and --version answer without a display: they are looked for before
// Qt connects to one.
bool answeredFromCommandLine(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::fputs("tintaborra " TINTABORRA_VERSION "\n", stdout);
      return true;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kHelp, stdout);
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (answeredFromCommandLine(argc, argv)) return std::fflush(stdout) == 0 ? 0 : 1;
  QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tintaborra"));
  QApplication::setApplicationVersion(QStringLiteral(TINTABORRA_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("tintaborra"));
  platform::InitCodecs();

  // Everything the user reads is Spanish, the dialogs' own texts included.
  platform::InstallSpanishTexts();

  platform::QtDialogs dialogs;
  MainWindow window(dialogs);
  dialogs.setOwner(&window);
  window.start();
  // The client area covers the screen from its top-left corner, so the frame
  // and the exit button that the layout placed there are entirely visible.
  window.setGeometry(QApplication::primaryScreen()->geometry());
  window.showFullScreen();
  return QApplication::exec();
}

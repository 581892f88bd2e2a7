#include "window/command_line.h"

#include <cstring>
#include <string_view>

namespace app {

const char* const HelpText =
    "Uso: tintaborra [OPCIÓN] [ARCHIVO]\n"
    "\n"
    "Abre la ventana de Tintaborra, que limpia imágenes: lee el color bajo el\n"
    "puntero, quita un color o lo pinta de otro, pasa a blanco y negro, blanquea\n"
    "todo lo que no es negro puro y deja el papel en blanco. El resultado se\n"
    "guarda como BMP o se copia al portapapeles. Para muchas imágenes a la vez,\n"
    "sin ventana, está tintaborra-lote.\n"
    "\n"
    "Con un ARCHIVO, la ventana lo abre al empezar, como si se eligiera en el\n"
    "diálogo de abrir (BMP, GIF o JPG).\n"
    "\n"
    "Opciones:\n"
    "  -h, --help     muestra esta ayuda\n"
    "      --version  muestra la versión\n"
    "\n"
    "Las demás opciones son las de Qt (por ejemplo -platform offscreen).\n";

const char* const UsageHint =
    "Uso: tintaborra [OPCIÓN] [ARCHIVO]\n"
    "Pruebe «tintaborra --help» para ver las opciones.\n";

namespace {

// Qt's options, with one dash or two, and whether the next argument is their value.
struct QtOption {
  std::string_view name;
  bool takesValue;
};
constexpr QtOption QtOptions[] = {
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"geometry", true},
    {"qwindowtitle", true},
    {"title", true},
    {"qwindowicon", true},
    {"icon", true},
    {"session", true},
    {"style", true},
    {"stylesheet", true},
    {"display", true},
    {"name", true},
    {"reverse", false},
    {"widgetcount", false},
    {"nograb", false},
    {"dograb", false},
    {"testability", false},
    {"qmljsdebugger", false},
};

// The option named by arg (its dashes taken off, and any "=value"), if Qt's.
const QtOption* QtOptionOf(std::string_view arg) {
  arg.remove_prefix(arg.starts_with("--") ? 2 : 1);
  arg = arg.substr(0, arg.find('='));
  for (const QtOption& option : QtOptions)
    if (option.name == arg) return &option;
  return nullptr;
}

CommandLine Mistake(QString problem) { return {CommandLine::Action::Usage, {}, std::move(problem)}; }

}  // namespace

CommandLine ReadCommandLine(int argc, const char* const argv[]) {
  CommandLine line;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const QString shown = QString::fromLocal8Bit(argv[i]);
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      if (arg == "--version") return {CommandLine::Action::Version, {}, {}};
      if (arg == "--help" || arg == "-h") return {CommandLine::Action::Help, {}, {}};
      const QtOption* option = QtOptionOf(arg);
      if (!option) return Mistake(QStringLiteral("la opción «%1» no existe").arg(shown));
      const bool valueJoined = arg.find('=') != std::string_view::npos;
      if (option->takesValue && !valueJoined && ++i >= argc)
        return Mistake(QStringLiteral("a la opción «%1» le falta su valor").arg(shown));
    } else if (!line.file.isEmpty()) {
      return Mistake(QStringLiteral("sólo se abre un archivo: «%1» sobra").arg(shown));
    } else if (arg.empty()) {
      return Mistake(QStringLiteral("el nombre del archivo está vacío"));
    } else {
      line.file = shown;
    }
  }
  return line;
}

}  // namespace app

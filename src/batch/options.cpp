#include "batch/options.h"

#include "core/numbers.h"

#include <QCommandLineParser>
#include <QHash>
#include <QRegularExpression>

#include <cstdint>

namespace batch {

namespace {

[[noreturn]] void usage(const QString& message) { throw UsageError{message}; }

filters::RemovalRule removalStep(const QString& value, int tolerance) {
  const qsizetype colon = value.indexOf(u':');
  const platform::ColorValue target = ParseColour(colon < 0 ? value : value.left(colon));
  const platform::ColorValue replacement = colon < 0 ? filters::White : ParseColour(value.mid(colon + 1));
  const filters::Channels t = filters::SplitChannels(target);
  return filters::RemovalRule(t.red, t.green, t.blue, replacement, tolerance);
}

// The two settings are read as the window reads the texts of its two boxes:
// leniently, the tolerance then rounded to a 16-bit integer, or 0 when it
// does not fit one, which turns every pixel neither black nor white to white;
// that is kept, with a warning.
filters::GreyTypeRule greyTypeStep(const QString& value, QStringList& warnings) {
  const qsizetype comma = value.indexOf(u',');
  if (comma < 0 || value.indexOf(u',', comma + 1) >= 0)
    usage(QStringLiteral("--gris necesita dos valores separados por una coma, el umbral y la distancia (por ejemplo "
                         "--gris 140,20): «%1»")
              .arg(value));
  std::int16_t tolerance = 0;
  try {
    tolerance = platform::CInt(platform::Val(value.mid(comma + 1)));
  } catch (const platform::Failure&) {
    warnings += QStringLiteral(
                    "la distancia de --gris %1 no está entre -32768 y 32767 y cuenta como 0, como en la ventana: "
                    "todo lo que no es negro ni blanco pasa a blanco")
                    .arg(value);
  }
  return filters::GreyTypeRule(platform::Val(value.left(comma)), tolerance);
}

int wholeNumber(const QString& value, const char* option, int lowest, int highest) {
  bool ok = false;
  const int n = value.toInt(&ok);
  if (!ok || n < lowest || n > highest)
    usage(QStringLiteral("%1 necesita un número entero de %2 a %3: «%4»")
              .arg(QLatin1String(option))
              .arg(lowest)
              .arg(highest)
              .arg(value));
  return n;
}

// "1-3,17": single pages and ranges, each page at most once.
std::vector<std::pair<int, int>> pageList(const QString& value) {
  static const QRegularExpression item(QStringLiteral("^([0-9]{1,7})(?:-([0-9]{1,7}))?$"));
  std::vector<std::pair<int, int>> ranges;
  for (const QString& part : value.split(u',')) {
    const auto m = item.match(part);
    const int first = m.captured(1).toInt(), last = m.captured(2).isEmpty() ? first : m.captured(2).toInt();
    if (!m.hasMatch() || first < 1 || last < first)
      usage(QStringLiteral("--paginas necesita números de página desde 1 y tramos como 1-3, separados por comas "
                           "(por ejemplo --paginas 1-3,17): «%1»")
                .arg(value));
    for (const auto& [a, b] : ranges)
      if (first <= b && a <= last)
        usage(QStringLiteral("--paginas pide la página %1 más de una vez: «%2»").arg(std::max(a, first)).arg(value));
    ranges.emplace_back(first, last);
  }
  return ranges;
}

bool isDocumentFormat(const QString& format) { return format == u"pdf" || format == u"tif"; }

// The formats by the names a user may give them, as the extension written.
QString formatName(QString name) {
  name = name.toLower();
  if (name == u"tiff") return QStringLiteral("tif");
  if (name == u"jpeg") return QStringLiteral("jpg");
  return name;
}

QCommandLineOption shortStyle(QCommandLineOption option) {
  option.setFlags(QCommandLineOption::ShortOptionStyle);
  return option;
}

// The options as Qt reads them. -o and -j take the rest of their word as it
// stands ("-j4"; "-j=4" is the value "=4"); any other word after one dash is
// refused before Qt sees it, so Qt never reads "-salida" as "--salida".
struct Switches {
  QCommandLineOption help{QStringList{QStringLiteral("h"), QStringLiteral("help")}};
  QCommandLineOption version{QStringLiteral("version")};
  QCommandLineOption output =
      shortStyle({{QStringLiteral("o"), QStringLiteral("salida")}, {}, QStringLiteral("CARPETA")});
  QCommandLineOption format{QStringLiteral("formato"), {}, QStringLiteral("FORMATO")};
  QCommandLineOption jobs = shortStyle({{QStringLiteral("j"), QStringLiteral("trabajos")}, {}, QStringLiteral("N")});
  QCommandLineOption removal{QStringLiteral("quitar"), {}, QStringLiteral("COLOR[:COLOR]")};
  QCommandLineOption tolerance{QStringLiteral("tolerancia"), {}, QStringLiteral("N")};
  QCommandLineOption grey{QStringLiteral("gris"), {}, QStringLiteral("T,D")};
  QCommandLineOption whitening{QStringLiteral("blanquear")};
  QCommandLineOption background{QStringLiteral("fondo")};
  QCommandLineOption blackWhite{QStringLiteral("bn")};
  QCommandLineOption join{QStringLiteral("unir"), {}, QStringLiteral("ARCHIVO")};
  QCommandLineOption pages{QStringLiteral("paginas"), {}, QStringLiteral("PAGINAS")};
  QCommandLineOption dpi{QStringLiteral("ppp"), {}, QStringLiteral("N")};
  QCommandLineOption quality{QStringLiteral("calidad"), {}, QStringLiteral("N")};
  QCommandLineOption list{QStringLiteral("lista"), {}, QStringLiteral("ARCHIVO")};
  QCommandLineOption list0{QStringLiteral("lista0"), {}, QStringLiteral("ARCHIVO")};
  QCommandLineOption resume{QStringLiteral("continuar")};
  QCommandLineOption report{QStringLiteral("informe"), {}, QStringLiteral("ARCHIVO")};
  QList<QCommandLineOption> all{help,    version,   output,     format,     jobs,  removal, tolerance,
                                grey,    whitening, background, blackWhite, join,  pages,   dpi,
                                quality, list,      list0,      resume,     report};
};

// Why an argument that reads as an option is refused: a name of no option, a
// value joined to an option that takes none, or a short name after two dashes
// or a long one after one ("--o", "-salida"), which Qt would take. Nothing for
// our options as we spell them, nor for what reads as no option at all.
QString refusal(const QString& argument, const Switches& sw) {
  if (!argument.startsWith(u'-') || argument == u"-" || argument == u"--") return {};
  const bool isLong = argument.startsWith(u"--");
  const qsizetype eq = isLong ? argument.indexOf(u'=') : -1;
  const QString name = isLong ? argument.left(eq < 0 ? argument.size() : eq) : argument.left(2);  // as typed
  const QString bare = name.mid(isLong ? 2 : 1);
  for (const QCommandLineOption& option : sw.all) {
    if (!option.names().contains(bare) || (bare.size() > 1) != isLong) continue;
    if (name.size() < argument.size() && option.valueName().isEmpty())
      return QStringLiteral("%1 no lleva valor").arg(name);
    return {};
  }
  return QStringLiteral("opción desconocida: %1").arg(argument);
}

// How many inputs come before each --lista or --lista0, in their order: the
// words walked as Qt reads them, an option that takes a value taking the
// next word unless joined to it.
std::vector<qsizetype> listPositions(const QStringList& words, const Switches& sw) {
  const auto takesValue = [&](const QString& bare) {
    for (const QCommandLineOption& option : sw.all)
      if (option.names().contains(bare)) return !option.valueName().isEmpty();
    return false;
  };
  std::vector<qsizetype> positions;
  qsizetype inputs = 0;
  bool optionsOver = false;
  for (qsizetype i = 1; i < words.size(); ++i) {
    const QString& word = words[i];
    if (optionsOver || !word.startsWith(u'-') || word == u"-") {
      ++inputs;
    } else if (word == u"--") {
      optionsOver = true;
    } else if (word.startsWith(u"--")) {
      const qsizetype eq = word.indexOf(u'=');
      const QString bare = word.mid(2, eq < 0 ? -1 : eq - 2);
      if (bare == u"lista" || bare == u"lista0") positions.push_back(inputs);
      if (eq < 0 && takesValue(bare)) ++i;
    } else if (word.size() == 2 && takesValue(word.mid(1))) {
      ++i;
    }
  }
  return positions;
}

}  // namespace

platform::ColorValue ParseColour(const QString& text) {
  static const QRegularExpression hex(QStringLiteral("^#([0-9A-Fa-f]{2})([0-9A-Fa-f]{2})([0-9A-Fa-f]{2})$"));
  static const QRegularExpression triple(QStringLiteral("^([0-9]{1,3}),([0-9]{1,3}),([0-9]{1,3})$"));
  const auto bad = [&] {
    usage(QStringLiteral("color no válido: «%1» (se espera R,G,B con tres números de 0 a 255, o #RRGGBB)").arg(text));
  };
  int channel[3];
  if (const auto m = hex.match(text); m.hasMatch()) {
    for (int i = 0; i < 3; ++i) channel[i] = m.captured(i + 1).toInt(nullptr, 16);
  } else if (const auto m = triple.match(text); m.hasMatch()) {
    for (int i = 0; i < 3; ++i) {
      channel[i] = m.captured(i + 1).toInt();
      if (channel[i] > 255) bad();
    }
  } else {
    bad();
  }
  return platform::RGB(channel[0], channel[1], channel[2]);
}

Options ParseArguments(const QStringList& arguments) {
  static const Switches sw;
  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.addOptions(sw.all);

  // A refused argument reaches Qt as an option of its own, so that it keeps
  // its place among the others and the first mistake is the one told; when Qt
  // takes it as a value or as an input after "--", it is given back as typed.
  QStringList words{QStringLiteral("tintaborra-lote")};  // Qt skips the program's name
  QHash<QString, QString> refusals, typed;               // by stand-in name; by stand-in word
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString why = refusal(arguments[i], sw);
    if (why.isEmpty()) {
      words += arguments[i];
      continue;
    }
    const QString name = QStringLiteral("refused%1").arg(i);
    parser.addOption(QCommandLineOption(name));
    refusals.insert(name, why);
    typed.insert(QStringLiteral("--") + name, arguments[i]);
    words += QStringLiteral("--") + name;
  }
  parser.parse(words);  // fails only for a value missing at the very end, told below
  const auto asTyped = [&](const QString& word) { return typed.value(word, word); };

  Options o;
  QHash<QString, qsizetype> taken;  // values used so far, by option
  // --tolerancia holds for the --quitar steps after it; one after the last
  // of them changes nothing, which is told.
  int tolerance = filters::RemovalTolerance;
  QString toleranceUnused;
  for (const QString& name : parser.optionNames()) {
    if (refusals.contains(name)) usage(refusals[name]);
    const auto is = [&](const QCommandLineOption& option) { return option.names().contains(name); };
    // Qt keeps each option's values in a list of their own; the n-th time an
    // option is met, it takes the n-th.
    const auto value = [&](const QCommandLineOption& option) {
      const QStringList values = parser.values(name);
      qsizetype& n = taken[option.names().constLast()];
      if (n == values.size())
        usage(QStringLiteral("falta el valor de %1").arg(arguments.constLast()));  // the last word
      return asTyped(values[n++]);
    };
    if (is(sw.help)) {
      o.help = true;
    } else if (is(sw.version)) {
      o.version = true;
    } else if (is(sw.output)) {
      o.outputFolder = value(sw.output);
      if (o.outputFolder.isEmpty()) usage(QStringLiteral("la carpeta de salida no puede quedar vacía"));
    } else if (is(sw.format)) {
      o.format = formatName(value(sw.format));
      o.formatGiven = true;
      if (!isDocumentFormat(o.format) && o.format != u"png" && o.format != u"bmp" && o.format != u"jpg")
        usage(QStringLiteral("formato desconocido: «%1» (se admiten pdf, tif, png, bmp y jpg)").arg(o.format));
    } else if (is(sw.jobs)) {
      o.jobs = wholeNumber(value(sw.jobs), "-j", 1, 1024);
    } else if (is(sw.join)) {
      o.join = value(sw.join);
      if (o.join.isEmpty()) usage(QStringLiteral("el nombre de --unir no puede quedar vacío"));
      // A name in the output folder, never a path that would lead out of it.
      if (o.join.contains(u'/') || o.join == u"." || o.join == u"..")
        usage(QStringLiteral("--unir lleva solo el nombre del documento, que se escribe en la carpeta de salida (-o): "
                             "«%1»")
                  .arg(o.join));
    } else if (is(sw.pages)) {
      o.pages = pageList(value(sw.pages));
    } else if (is(sw.dpi)) {
      o.dpi = wholeNumber(value(sw.dpi), "--ppp", LowestDpi, HighestDpi);
    } else if (is(sw.quality)) {
      o.quality = wholeNumber(value(sw.quality), "--calidad", 1, 100);
    } else if (is(sw.tolerance)) {
      toleranceUnused = value(sw.tolerance);
      tolerance = wholeNumber(toleranceUnused, "--tolerancia", 0, 255);
    } else if (is(sw.removal)) {
      o.steps.emplace_back(removalStep(value(sw.removal), tolerance));
      toleranceUnused.clear();
    } else if (is(sw.grey)) {
      o.steps.emplace_back(greyTypeStep(value(sw.grey), o.warnings));
    } else if (is(sw.whitening)) {
      o.steps.emplace_back(filters::WhiteningRule{});
    } else if (is(sw.background)) {
      o.steps.emplace_back(filters::WhiteBackgroundStep{});
    } else if (is(sw.blackWhite)) {
      o.steps.emplace_back(filters::LocalBlackWhiteStep{});
    } else if (is(sw.list) || is(sw.list0)) {
      const bool nul = is(sw.list0);
      const QString path = value(nul ? sw.list0 : sw.list);
      if (path.isEmpty())
        usage(QStringLiteral("el nombre de --%1 no puede quedar vacío").arg(nul ? "lista0" : "lista"));
      o.lists.push_back({path, nul, 0});
    } else if (is(sw.resume)) {
      o.resume = true;
    } else if (is(sw.report)) {
      o.report = value(sw.report);
      if (o.report.isEmpty()) usage(QStringLiteral("el nombre de --informe no puede quedar vacío"));
    }
  }
  const std::vector<qsizetype> positions = listPositions(words, sw);
  for (std::size_t l = 0; l < o.lists.size() && l < positions.size(); ++l) o.lists[l].position = positions[l];
  for (const QString& input : parser.positionalArguments()) o.inputs += asTyped(input);
  if (o.help || o.version) return o;
  if (!toleranceUnused.isEmpty())
    o.warnings += QStringLiteral("--tolerancia %1 no cambia nada: vale para los --quitar que la siguen en la orden")
                      .arg(toleranceUnused);
  if (o.outputFolder.isEmpty()) usage(QStringLiteral("falta la carpeta de salida (-o CARPETA)"));
  if (!o.join.isEmpty()) {
    // The joined document's kind: the format given, else its own extension;
    // a name whose extension is some other format is refused either way.
    const qsizetype dot = o.join.lastIndexOf(u'.');
    const QString extension = dot < 0 ? QString() : o.join.mid(dot + 1), named = formatName(extension);
    const bool known = isDocumentFormat(named) || named == u"png" || named == u"bmp" || named == u"jpg";
    if (o.formatGiven && !isDocumentFormat(o.format))
      usage(QStringLiteral("--unir escribe un documento PDF o TIFF, no %1 (--formato %1)").arg(o.format));
    if (o.formatGiven && known && named != o.format)
      usage(QStringLiteral("--unir «%1» acaba en .%2, pero --formato pide %3: el nombre y el formato tienen que "
                           "coincidir")
                .arg(o.join, extension, o.format));
    if (!o.formatGiven && !isDocumentFormat(named))
      usage(QStringLiteral("--unir «%1» no acaba en .pdf, .tif ni .tiff, que dicen qué documento escribir (o dé "
                           "--formato pdf o --formato tif)")
                .arg(o.join));
    if (!o.formatGiven) o.format = named;
  }
  if (o.quality && (o.format == u"png" || o.format == u"bmp"))
    o.warnings += QStringLiteral("--calidad no cambia nada al escribir %1, que guarda cada píxel").arg(o.format);
  if (o.inputs.isEmpty() && o.lists.empty()) usage(QStringLiteral("falta al menos una imagen o carpeta de entrada"));
  return o;
}

}  // namespace batch

#include "batch/options.h"

#include "pixels/vb.h"

#include <QRegularExpression>

#include <cstdint>

namespace batch {

namespace {

[[noreturn]] void usage(const QString& message) { throw UsageError{message}; }

filters::RemovalRule removalStep(const QString& value) {
  const qsizetype colon = value.indexOf(u':');
  const platform::ColorValue target = ParseColour(colon < 0 ? value : value.left(colon));
  const platform::ColorValue replacement = colon < 0 ? filters::White : ParseColour(value.mid(colon + 1));
  const filters::Channels t = filters::SplitChannels(target);
  return filters::RemovalRule(t.red, t.green, t.blue, replacement);
}

// The two settings are read as the window reads the texts of its two boxes:
// leniently, the tolerance then rounded to a 16-bit integer, or 0 when it
// does not fit one.
filters::GreyTypeRule greyTypeStep(const QString& value) {
  const qsizetype comma = value.indexOf(u',');
  if (comma < 0)
    usage(QStringLiteral("--gris necesita dos valores separados por una coma, el umbral y la distancia (por ejemplo --gris 140,20): «%1»")
              .arg(value));
  std::int16_t tolerance = 0;
  try {
    tolerance = platform::CInt(platform::Val(value.mid(comma + 1)));
  } catch (const platform::Failure&) {
  }
  return filters::GreyTypeRule(platform::Val(value.left(comma)), tolerance);
}

int jobCount(const QString& value) {
  bool ok = false;
  const int n = value.toInt(&ok);
  if (!ok || n < 1 || n > 1024) usage(QStringLiteral("-j necesita un número entero de 1 a 1024: «%1»").arg(value));
  return n;
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
  Options o;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& arg = arguments[i];
    if (arg == u"--") {
      o.inputs += arguments.mid(i + 1);
      break;
    }
    if (!arg.startsWith(u'-') || arg == u"-") {
      o.inputs += arg;
      continue;
    }
    // The option's name and, where it takes one, its value.
    QString name = arg, value;
    bool joined = false;
    if (arg.startsWith(u"--")) {
      if (const qsizetype eq = arg.indexOf(u'='); eq > 0) name = arg.left(eq), value = arg.mid(eq + 1), joined = true;
    } else if (arg.size() > 2) {
      name = arg.left(2), value = arg.mid(2), joined = true;
    }
    const auto takesValue = [&]() -> QString {
      if (joined) return value;
      if (i + 1 >= arguments.size()) usage(QStringLiteral("falta el valor de %1").arg(name));
      return arguments[++i];
    };
    const auto takesNone = [&] {
      if (joined) usage(QStringLiteral("%1 no lleva valor").arg(name));
    };
    if (name == u"-h" || name == u"--help") {
      takesNone();
      o.help = true;
    } else if (name == u"--version") {
      takesNone();
      o.version = true;
    } else if (name == u"-o" || name == u"--salida") {
      o.outputFolder = takesValue();
      if (o.outputFolder.isEmpty()) usage(QStringLiteral("la carpeta de salida no puede quedar vacía"));
    } else if (name == u"--formato") {
      o.format = takesValue().toLower();
      if (o.format == u"tiff") o.format = QStringLiteral("tif");
      if (o.format == u"jpeg") o.format = QStringLiteral("jpg");
      if (o.format != u"png" && o.format != u"bmp" && o.format != u"tif" && o.format != u"jpg")
        usage(QStringLiteral("formato desconocido: «%1» (se admiten png, bmp, tif y jpg)").arg(o.format));
    } else if (name == u"-j" || name == u"--trabajos") {
      o.jobs = jobCount(takesValue());
    } else if (name == u"--quitar") {
      o.steps.emplace_back(removalStep(takesValue()));
    } else if (name == u"--gris") {
      o.steps.emplace_back(greyTypeStep(takesValue()));
    } else if (name == u"--blanquear") {
      takesNone();
      o.steps.emplace_back(filters::WhiteningRule{});
    } else {
      usage(QStringLiteral("opción desconocida: %1").arg(arg));
    }
  }
  if (o.help || o.version) return o;
  if (o.outputFolder.isEmpty()) usage(QStringLiteral("falta la carpeta de salida (-o CARPETA)"));
  if (o.steps.empty()) usage(QStringLiteral("falta al menos un paso (--quitar, --gris o --blanquear)"));
  if (o.inputs.isEmpty()) usage(QStringLiteral("falta al menos una imagen o carpeta de entrada"));
  return o;
}

}  // namespace batch

#include "window/model/repeat_command.h"

#include "core/numbers.h"
#include "formats/filenames.h"
#include "window/model/page_jobs.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include <limits>

namespace filters {

namespace {

bool Bare(unsigned char b) {
  return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
         std::memchr("_@%+=:,./-", b, 10) != nullptr;
}

// The length of the valid UTF-8 sequence at bytes[i], or 0 when none starts
// there or it is one of the C1 control characters, which a terminal may act on too.
qsizetype Utf8Length(const QByteArray& bytes, qsizetype i) {
  const int length = platform::Utf8SequenceLength(bytes.constData() + i, bytes.size() - i);
  const bool c1 =
      length == 2 && static_cast<unsigned char>(bytes[i]) == 0xC2 && static_cast<unsigned char>(bytes[i + 1]) <= 0x9F;
  return c1 ? 0 : length;
}

bool Control(unsigned char b) { return (b < 0x20 && b != '\n') || b == 0x7F; }

QString FilterName(const std::optional<Step>& rule) {
  if (!rule) return QStringLiteral("el filtro");
  static_assert(std::variant_size_v<Step> == std::size(StepNames));
  const char* const* names = StepNames;
  return QStringLiteral("el filtro «%1»").arg(QString::fromUtf8(names[rule->index()]));
}

bool Same(const Step& a, const Step& b) {
  if (a.index() != b.index()) return false;
  const auto same = [](ChannelRange x, ChannelRange y) { return x.lo == y.lo && x.hi == y.hi; };
  if (const auto* r = std::get_if<RemovalRule>(&a)) {
    const auto& s = std::get<RemovalRule>(b);
    return same(r->red(), s.red()) && same(r->green(), s.green()) && same(r->blue(), s.blue()) &&
           r->replacement() == s.replacement();
  }
  if (const auto* g = std::get_if<GreyTypeRule>(&a)) {
    const auto& h = std::get<GreyTypeRule>(b);
    return g->highestDarkMean() == h.highestDarkMean() && g->tolerance() == h.tolerance();
  }
  return true;
}

// The whole target channel the range was built around, as the batch command
// writes it, or nothing.
std::optional<int> TargetOf(ChannelRange range) {
  const int t = range.lo + 24;
  const ChannelRange again = ChannelRange::Around(t);
  if (t < 0 || t > 255 || again.lo != range.lo || again.hi != range.hi) return std::nullopt;
  return t;
}

}  // namespace

QString ShellWord(const QByteArray& bytes) {
  if (!bytes.isEmpty() && std::all_of(bytes.begin(), bytes.end(), [](char c) { return Bare(c); }))
    return QString::fromLatin1(bytes);
  QByteArray word;
  enum { Outside, Quoted, Escaped } state = Outside;  // in '...', in "$(printf '...')"
  const auto enter = [&](decltype(state) next) {
    if (state == next) return;
    if (state == Quoted) word += '\'';
    if (state == Escaped) word += "')\"";
    if (next == Quoted) word += '\'';
    if (next == Escaped) word += "\"$(printf '";
    state = next;
  };
  for (qsizetype i = 0; i < bytes.size();) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    const qsizetype length = Control(b) ? 0 : Utf8Length(bytes, i);
    if (length == 0) {
      enter(Escaped);
      word += '\\' + QByteArray::number(b, 8).rightJustified(3, '0');
    } else if (b == '\'') {
      enter(Outside);
      word += "\\'";
    } else {
      enter(Quoted);
      word += bytes.mid(i, length);
    }
    i += std::max<qsizetype>(length, 1);
  }
  enter(Outside);
  return word.isEmpty() ? QStringLiteral("''") : QString::fromUtf8(word);
}

std::optional<QStringList> StepArguments(const Step& rule) {
  if (const auto* r = std::get_if<RemovalRule>(&rule)) {
    const auto red = TargetOf(r->red()), green = TargetOf(r->green()), blue = TargetOf(r->blue());
    const ColorValue replacement = r->replacement();
    if (!red || !green || !blue || replacement < 0 || replacement > White) return std::nullopt;
    QString colours = QStringLiteral("%1,%2,%3").arg(*red).arg(*green).arg(*blue);
    if (replacement != White) {
      const Channels c = platform::MaskedChannels(replacement);
      colours += QStringLiteral(":%1,%2,%3").arg(c.red).arg(c.green).arg(c.blue);
    }
    return QStringList{QStringLiteral("--quitar"), colours};
  }
  if (const auto* g = std::get_if<GreyTypeRule>(&rule)) {
    // A threshold T stands for the largest whole mean below it: the whole
    // number just above that mean is written, the same as what was typed
    // when that was a whole number.
    const std::int64_t threshold = std::int64_t(g->highestDarkMean()) + 1;
    const std::int32_t tolerance = g->tolerance();
    if (tolerance < std::numeric_limits<std::int16_t>::min() || tolerance > std::numeric_limits<std::int16_t>::max())
      return std::nullopt;
    const QString threshold_text = QString::number(threshold);
    if (GreyTypeRule(platform::Val(threshold_text), std::int16_t(tolerance)).highestDarkMean() != g->highestDarkMean())
      return std::nullopt;
    return QStringList{QStringLiteral("--gris"), QStringLiteral("%1,%2").arg(threshold_text).arg(tolerance)};
  }
  if (std::holds_alternative<WhiteBackgroundStep>(rule)) return QStringList{QStringLiteral("--fondo")};
  if (std::holds_alternative<LocalBlackWhiteStep>(rule)) return QStringList{QStringLiteral("--bn")};
  return QStringList{QStringLiteral("--blanquear")};
}

void RunLog::NewPicture(const QString& file) {
  runs_.clear();
  file_ = file.startsWith(u':') ? QString() : file;  // a picture built into the program is no file
  if (!file_.isEmpty() && !file_.startsWith(u'/')) {
    // The current folder as its bytes, whatever they are.
    if (char* here = ::getcwd(nullptr, 0)) {
      file_ = platform::DecodeFileName(QByteArray(here)) + u'/' + file;
      std::free(here);
    }
  }
  if (depth_ > 0) current_.otherPicture = true;
}

void RunLog::BeginRun(int undone) {
  if (depth_++ > 0) {
    current_.nested = true;
    return;
  }
  runs_.resize(runs_.size() - std::clamp<std::size_t>(std::size_t(std::max(undone, 0)), 0, runs_.size()));
  current_ = Run{};
}

void RunLog::Column(const Step& rule) {
  if (depth_ != 1) return;  // a run inside another: the outer one cannot be repeated anyway
  if (!current_.rule)
    current_.rule = rule;
  else if (!Same(*current_.rule, rule))
    current_.changed = true;
}

void RunLog::ColumnLeftOut() {
  if (depth_ > 0) current_.leftOut = true;
}

void RunLog::EndRun() {
  if (depth_ == 0 || --depth_ > 0) return;
  runs_.push_back(current_);
}

RunLog::Command RunLog::Repeat(int undone) const {
  const auto refuse = [](const QString& why) { return Command{{}, why}; };
  if (depth_ > 0)
    return refuse(
        QStringLiteral("Hay un filtro en marcha: la orden de tintaborra-lote se puede copiar cuando termine."));
  if (file_.isEmpty())
    return refuse(
        QStringLiteral("La imagen no se ha abierto de ningún archivo: abra una imagen y aplíquele filtros "
                       "para copiar la orden de tintaborra-lote que los repite."));
  const std::size_t inForce = runs_.size() - std::min(runs_.size(), std::size_t(std::max(undone, 0)));
  if (inForce == 0)
    return refuse(
        QStringLiteral("No hay ningún filtro aplicado a esta imagen: no hay orden de tintaborra-lote que "
                       "copiar."));
  const QString cannot = QStringLiteral(": tintaborra-lote no puede repetirlo, así que no se ha copiado nada.");
  QStringList words{QStringLiteral("tintaborra-lote"), QStringLiteral("-o"), QString::fromLatin1(RepeatOutputFolder)};
  for (std::size_t i = 0; i < inForce; ++i) {
    const Run& run = runs_[i];
    const QString name = FilterName(run.rule);
    if (run.nested)
      return refuse(QStringLiteral("Se lanzó otro filtro mientras %1 estaba en marcha").arg(name) + cannot);
    if (run.otherPicture)
      return refuse(QStringLiteral("Se abrió otra imagen mientras %1 estaba en marcha").arg(name) + cannot);
    if (run.leftOut || !run.rule) return refuse(QStringLiteral("Se paró a medias %1").arg(name) + cannot);
    if (run.changed)
      return refuse(QStringLiteral("Cambiaron los ajustes mientras %1 estaba en marcha").arg(name) + cannot);
    const auto arguments = StepArguments(*run.rule);
    if (!arguments)
      return refuse(QStringLiteral("Los ajustes con que se aplicó %1 no se pueden escribir en la orden").arg(name) +
                    cannot);
    for (const QString& a : *arguments) words += ShellWord(a.toUtf8());
  }
  words += ShellWord(platform::EncodeFileName(file_));
  return Command{words.join(u' '), {}};
}

}  // namespace filters

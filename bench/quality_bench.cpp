// The two page steps against the truth of made pages (bench/quality), with
// the published methods beside them in the same run:
//   - black and white: the local black and white step, global Otsu, Sauvola
//     (k 0.34 and 0.2), Wolf and Jolion, background normalisation and Otsu;
//     the F-measure, PSNR, DRD, the share of the pencil found, the share of
//     stains and of the back page made black;
//   - white background: the white background step and Leptonica's cleaning
//     to white; the share of paper made exactly white, of ink and pencil
//     kept, the stamp's change of hue.
// Each method is timed alone on one core (the process is kept to one), best
// of a few runs, the picture copied outside the timing. Prints Markdown.
//
//   build/bench/quality_bench [--grupos claro,todo,todo-600] [--ppp 300]
//                             [--rapido] [--veces 3] [--semilla 1]
//                             [--guardar carpeta]  (each page and the steps' results, as PNG)
// Groups: claro sombra manchas lapiz transparencia sello polvo jpeg todo,
// and todo-150, todo-600 (the whole page at those resolutions).
#include "core/page_steps.h"
#include "quality/anchors.h"
#include "quality/metrics.h"
#include "quality/page_maker.h"

#include <QGuiApplication>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#ifdef __linux__
#include <sched.h>
#endif

using namespace quality;

namespace {

struct Entry {
  Group group;
  double dpi;
  std::string label;
};

struct Options {
  std::vector<Entry> entries;
  QSizeF sizeMm = A4Mm;
  int runs = 3;
  std::uint32_t seed = 1;
  QString saveTo;  // where to leave each page and the steps' results, when given
};

[[noreturn]] void Usage(const char* why) {
  std::fprintf(
      stderr,
      "%s\nUso: quality_bench [--grupos a,b] [--ppp N] [--rapido] [--veces N] [--semilla N] [--guardar carpeta]\n",
      why);
  std::exit(2);
}

Options Parse(int argc, char** argv) {
  Options options;
  double dpi = 300;
  std::vector<std::string> names;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Usage(("Falta el valor de " + arg).c_str());
      return argv[++i];
    };
    if (arg == "--grupos") {
      const std::string list = value();
      for (std::size_t start = 0; start <= list.size();) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        if (comma > start) names.push_back(list.substr(start, comma - start));
        start = comma + 1;
      }
    } else if (arg == "--ppp") {
      dpi = std::atof(value().c_str());
      if (dpi < 50 || dpi > 1200) Usage("La resolución va de 50 a 1200 ppp");
    } else if (arg == "--rapido") {
      options.sizeMm = QSizeF(105, 148);
      options.runs = 1;
    } else if (arg == "--veces") {
      options.runs = std::max(1, std::atoi(value().c_str()));
    } else if (arg == "--guardar") {
      options.saveTo = QString::fromStdString(value());
    } else if (arg == "--semilla") {
      options.seed = std::uint32_t(std::strtoul(value().c_str(), nullptr, 10));
    } else {
      Usage(("Opción desconocida: " + arg).c_str());
    }
  }
  if (names.empty()) {
    for (Group group : AllGroups()) names.push_back(GroupName(group));
    names.push_back("todo-150");
    names.push_back("todo-600");
  }
  for (const std::string& name : names) {
    if (name == "todo-150" || name == "todo-600")
      options.entries.push_back({Group::Todo, name == "todo-150" ? 150.0 : 600.0, name});
    else if (auto group = GroupNamed(name))
      options.entries.push_back({*group, dpi, name});
    else
      Usage(("Grupo desconocido: " + name).c_str());
  }
  return options;
}

// Keeps the process on the one processor it is running on.
void OneCore() {
#ifdef __linux__
  cpu_set_t set;
  CPU_ZERO(&set);
  CPU_SET(sched_getcpu(), &set);
  if (sched_setaffinity(0, sizeof set, &set) != 0) std::fprintf(stderr, "No se pudo fijar un solo núcleo\n");
#endif
}

// The best time of runs, in milliseconds; prepare runs untimed before each.
double Best(int runs, const std::function<void()>& prepare, const std::function<void()>& method) {
  double best = INFINITY;
  for (int i = 0; i < runs; ++i) {
    prepare();
    const auto start = std::chrono::steady_clock::now();
    method();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

std::string Figure(double v, int decimals) {
  if (std::isnan(v)) return "—";
  if (std::isinf(v)) return "∞";
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

struct BinaryRow {
  std::string page, method;
  BinaryScore score;
  double ms;
};
struct WhiteRow {
  std::string page, method;
  WhiteScore score;
  double ms;
};

void PrintBinary(const std::vector<BinaryRow>& rows) {
  std::printf("| Página | Método | F | PSNR | DRD | Lápiz hallado %% | Manchas y dorso en negro %% | ms |\n");
  std::printf("|---|---|---:|---:|---:|---:|---:|---:|\n");
  for (const BinaryRow& r : rows)
    std::printf("| %s | %s | %s | %s | %s | %s | %s | %s |\n", r.page.c_str(), r.method.c_str(),
                Figure(r.score.fMeasure, 1).c_str(), Figure(r.score.psnr, 1).c_str(), Figure(r.score.drd, 2).c_str(),
                Figure(r.score.faintFound, 1).c_str(), Figure(r.score.stainOrBackBlack, 2).c_str(),
                Figure(r.ms, 0).c_str());
}

void PrintWhite(const std::vector<WhiteRow>& rows) {
  std::printf(
      "| Página | Método | Papel blanco %% | Tinta no blanca %% | Lápiz no blanco %% | Tono del sello ° | ms |\n");
  std::printf("|---|---|---:|---:|---:|---:|---:|\n");
  for (const WhiteRow& r : rows)
    std::printf("| %s | %s | %s | %s | %s | %s | %s |\n", r.page.c_str(), r.method.c_str(),
                Figure(r.score.paperWhite, 2).c_str(), Figure(r.score.inkKept, 2).c_str(),
                Figure(r.score.faintKept, 1).c_str(), Figure(r.score.stampHueShift, 1).c_str(),
                Figure(r.ms, 0).c_str());
}

// The mean of each method over the pages, a figure's NaNs left out.
template <typename Row, typename Add>
std::vector<Row> Means(const std::vector<Row>& rows, Add add) {
  std::vector<std::string> order;
  std::map<std::string, std::vector<const Row*>> byMethod;
  for (const Row& r : rows) {
    if (byMethod[r.method].empty()) order.push_back(r.method);
    byMethod[r.method].push_back(&r);
  }
  std::vector<Row> means;
  for (const std::string& method : order) {
    Row mean{"media", method, {}, 0};
    add(mean, byMethod[method]);
    means.push_back(mean);
  }
  return means;
}

double MeanOf(const std::vector<double>& values) {
  double sum = 0;
  int n = 0;
  for (double v : values)
    if (!std::isnan(v)) sum += v, ++n;
  return n ? sum / n : NAN;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const Options options = Parse(argc, argv);
  OneCore();
  std::vector<BinaryRow> binary;
  std::vector<WhiteRow> white;
  for (const Entry& entry : options.entries) {
    const std::string label = entry.label + " (" + Figure(entry.dpi, 0) + " ppp)";
    std::fprintf(stderr, "%s...\n", label.c_str());
    const Page page = MakePage(entry.group, entry.dpi, options.seed, options.sizeMm);
    std::fprintf(stderr, "  %dx%d: tinta %lld, lápiz %lld, sello %lld, manchas %lld, dorso %lld px\n",
                 page.page.width(), page.page.height(), (long long)page.ink.Count(), (long long)page.faint.Count(),
                 (long long)page.stamp.Count(), (long long)page.stain.Count(), (long long)page.showThrough.Count());
    QImage work;
    auto fresh = [&] { work = page.page.copy(); };

    double ms = Best(options.runs, fresh, [&] { filters::LocalBlackAndWhite(work); });
    binary.push_back({label, "Blanco y negro local", Score(page, work), ms});
    const QString name = options.saveTo + "/" + QString::fromStdString(entry.label) + "-" + QString::number(entry.dpi);
    if (!options.saveTo.isEmpty()) {
      page.page.save(name + ".png");
      work.save(name + "-bn.png");
    }
    const PixPtr colour = ToPix(page.page);
    for (Binariser binariser : AllBinarisers) {
      PixPtr result;
      ms = Best(
          options.runs, [&] { result.reset(); }, [&] { result = Binarise(binariser, colour.get(), entry.dpi); });
      binary.push_back({label, BinariserName(binariser), Score(page, BlackOf(result.get())), ms});
    }

    ms = Best(options.runs, fresh, [&] { filters::WhitenBackground(work); });
    white.push_back({label, "Fondo blanco", ScoreWhite(page, work), ms});
    if (!options.saveTo.isEmpty()) work.save(name + "-fondo.png");
    PixPtr cleaned;
    ms = Best(
        options.runs, [&] { cleaned.reset(); }, [&] { cleaned = CleanToWhite(colour.get(), entry.dpi); });
    white.push_back({label, "Leptonica: fondo a blanco", ScoreWhite(page, FromPix(cleaned.get())), ms});
  }

  std::printf("Páginas de %.0f x %.0f mm, semilla %u, mejor de %d vez/veces, un solo núcleo.\n\n",
              options.sizeMm.width(), options.sizeMm.height(), options.seed, options.runs);
  std::printf("### Blanco y negro\n\n");
  PrintBinary(binary);
  std::printf("\n### Blanco y negro: media de las páginas\n\n");
  PrintBinary(Means(binary, [](BinaryRow& mean, const std::vector<const BinaryRow*>& rows) {
    auto over = [&](auto field) {
      std::vector<double> v;
      for (const BinaryRow* r : rows) v.push_back(field(*r));
      return MeanOf(v);
    };
    mean.score.fMeasure = over([](const BinaryRow& r) { return r.score.fMeasure; });
    mean.score.psnr = over([](const BinaryRow& r) { return r.score.psnr; });
    mean.score.drd = over([](const BinaryRow& r) { return r.score.drd; });
    mean.score.faintFound = over([](const BinaryRow& r) { return r.score.faintFound; });
    mean.score.stainOrBackBlack = over([](const BinaryRow& r) { return r.score.stainOrBackBlack; });
    mean.ms = over([](const BinaryRow& r) { return r.ms; });
  }));
  std::printf("\n### Fondo blanco\n\n");
  PrintWhite(white);
  std::printf("\n### Fondo blanco: media de las páginas\n\n");
  PrintWhite(Means(white, [](WhiteRow& mean, const std::vector<const WhiteRow*>& rows) {
    auto over = [&](auto field) {
      std::vector<double> v;
      for (const WhiteRow* r : rows) v.push_back(field(*r));
      return MeanOf(v);
    };
    mean.score.paperWhite = over([](const WhiteRow& r) { return r.score.paperWhite; });
    mean.score.inkKept = over([](const WhiteRow& r) { return r.score.inkKept; });
    mean.score.faintKept = over([](const WhiteRow& r) { return r.score.faintKept; });
    mean.score.stampHueShift = over([](const WhiteRow& r) { return r.score.stampHueShift; });
    mean.ms = over([](const WhiteRow& r) { return r.ms; });
  }));
  return 0;
}

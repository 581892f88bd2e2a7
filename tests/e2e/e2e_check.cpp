// Checks the pictures that the end-to-end scenarios produce, applying each
// filter's rule to the original itself, independently of the program.
//   e2e_check make <file.bmp> <width> <height>     writes a test picture
//   e2e_check pixel <file> <x> <y>                 prints r,g,b
//   e2e_check remove <orig> <result> <x> <y> <r,g,b>
//       the target is the original's pixel at (x, y); r,g,b the replacement
//   e2e_check greytype <orig> <result> <T> <D>
//   e2e_check whiten <orig> <result>
//   e2e_check stopped-remove <orig> <result> <x> <y> <r,g,b>
//       columns left of some k follow the rule, the others are untouched
//   e2e_check same <a> <b>
//   e2e_check ramp <file.bmp> <width> <height>     red 4 x, green 4 y
//   e2e_check fits <screenshot>                    the window lies wholly on the screen
//   e2e_check ramp-box <screenshot> <x> <y>        prints the ramp's first and last device pixels
//   e2e_check ramp-tinted <drawn> <shown>          shown differs from drawn only by a tint
//   e2e_check tinted <orig> <shown> <x> <y> <r,g,b>
//       shown differs from the original exactly where removal with the
//       original's pixel at (x, y) as target and r,g,b as replacement would
//       change a pixel
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

using Rule = std::function<QRgb(QRgb)>;

QImage load(const char* path) {
  QImageReader::setAllocationLimit(2048);
  QImage image(QString::fromLocal8Bit(path));
  if (image.isNull()) {
    std::fprintf(stderr, "cannot read %s\n", path);
    std::exit(2);
  }
  return image.convertToFormat(QImage::Format_RGB32);
}

QRgb parseColour(const char* text) {
  int r = 0, g = 0, b = 0;
  std::sscanf(text, "%d,%d,%d", &r, &g, &b);
  return qRgb(r, g, b);
}

int channelsWithin(QRgb c, QRgb target) {
  return std::abs(qRed(c) - qRed(target)) < 25 && std::abs(qGreen(c) - qGreen(target)) < 25 &&
         std::abs(qBlue(c) - qBlue(target)) < 25;
}

// Column x of the result against the rule (or the original, when rule is empty).
bool columnMatches(const QImage& orig, const QImage& result, int x, const Rule& rule, bool report) {
  for (int y = 0; y < orig.height(); ++y) {
    const QRgb o = orig.pixel(x, y) | 0xFF000000u, want = rule ? rule(o) : o, got = result.pixel(x, y) | 0xFF000000u;
    if (want != got) {
      if (report)
        std::fprintf(stderr, "first difference at (%d, %d): original %06x, expected %06x, got %06x\n", x, y,
                     o & 0xFFFFFF, want & 0xFFFFFF, got & 0xFFFFFF);
      return false;
    }
  }
  return true;
}

int compare(const QImage& orig, const QImage& result, const Rule& rule) {
  if (orig.size() != result.size()) {
    std::fprintf(stderr, "sizes differ\n");
    return 1;
  }
  for (int x = 0; x < orig.width(); ++x)
    if (!columnMatches(orig, result, x, rule, true)) return 1;
  return 0;
}

int stopped(const QImage& orig, const QImage& result, const Rule& rule) {
  if (orig.size() != result.size()) return 1;
  int k = 0;
  while (k < orig.width() && columnMatches(orig, result, k, rule, false)) ++k;
  for (int x = k; x < orig.width(); ++x)
    if (!columnMatches(orig, result, x, {}, true)) return 1;
  int changed = 0;
  for (int x = 0; x < k; ++x) changed += !columnMatches(orig, result, x, {}, false);
  std::printf("boundary column %d of %d (%d changed columns left of it)\n", k, orig.width(), changed);
  return k > 0 && k < orig.width() && changed > 0 ? 0 : 1;
}

// A screenshot of the window on a screen too small for it: the lowest button
// of the left column and the exit button end before the screen's edges (the
// window's teal shows beyond them), and the zoom indicator's dark text shows
// in the teal left of the exit button, clear of it.
int fits(const QImage& shot) {
  const QRgb teal = qRgb(0, 128, 128);
  const auto dark = [&](int x, int y) {
    const QRgb c = shot.pixel(x, y);
    return qRed(c) < 80 && qGreen(c) < 80 && qBlue(c) < 80;
  };
  int bottom = shot.height() - 1, right = shot.width() - 1;
  while (bottom > 0 && shot.pixel(1, bottom) == teal) --bottom;
  while (right > 0 && shot.pixel(right, 1) == teal) --right;
  // The top band: the teal left of the exit button, down to the picture's frame.
  int exitLeft = right, band = 1;
  while (exitLeft > 0 && shot.pixel(exitLeft - 1, 1) != teal) --exitLeft;
  while (band < shot.height() && shot.pixel(std::max(0, exitLeft - 1), band) == teal) ++band;
  int textRight = -1, textColumns = 0;
  for (int x = exitLeft - 1; x >= std::max(0, exitLeft - 2 * (right - exitLeft)); --x) {
    bool any = false;
    for (int y = 0; y < band && !any; ++y) any = dark(x, y);
    if (any && textRight < 0) textRight = x;
    textColumns += any;
  }
  std::printf(
      "below the lowest button %d rows, right of the exit button %d columns; exit button from %d to %d, band %d high; "
      "zoom text ends %d columns left of it over %d columns\n",
      shot.height() - 1 - bottom, shot.width() - 1 - right, exitLeft, right, band,
      textRight < 0 ? -1 : exitLeft - 1 - textRight, textColumns);
  const bool zoomShown = textRight >= 0 && textRight < exitLeft - 1 && textColumns >= 20;
  return bottom < shot.height() - 1 && right < shot.width() - 1 && zoomShown ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QByteArray cmd = argc > 1 ? argv[1] : "";
  if (cmd == "make" && argc == 5) {
    const int w = std::atoi(argv[3]), h = std::atoi(argv[4]);
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        // Bands of a target-like blue-grey, near-white paper, greys, pure black and white and colours.
        const int band = (x * 8 / w) + 8 * (y * 4 / h);
        const int n = (x * 7 + y * 13) % 23;
        static const QRgb base[] = {qRgb(60, 90, 150),   qRgb(250, 248, 240), qRgb(120, 120, 120), qRgb(0, 0, 0),
                                    qRgb(255, 255, 255), qRgb(200, 30, 30),   qRgb(30, 160, 60),   qRgb(90, 85, 80)};
        const QRgb c = base[band % 8];
        const bool pure = c == qRgb(0, 0, 0) || c == qRgb(255, 255, 255);
        image.setPixel(x, y,
                       pure ? c
                            : qRgb(qBound(0, qRed(c) + n - 11, 255), qBound(0, qGreen(c) - n + 11, 255),
                                   qBound(0, qBlue(c) + (n % 5) - 2, 255)));
      }
    return image.save(QString::fromLocal8Bit(argv[2]), "bmp") ? 0 : 1;
  }
  if (cmd == "ramp" && argc == 5) {  // red 4 x, green 4 y: a readout names the pixel
    QImage image(std::atoi(argv[3]), std::atoi(argv[4]), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(4 * x & 255, 4 * y & 255, 0));
    return image.save(QString::fromLocal8Bit(argv[2]), "bmp") ? 0 : 1;
  }
  if (cmd == "fits" && argc == 3) return fits(load(argv[2]));
  if (cmd == "pixel" && argc == 5) {
    const QRgb c = load(argv[2]).pixel(std::atoi(argv[3]), std::atoi(argv[4]));
    std::printf("%d,%d,%d\n", qRed(c), qGreen(c), qBlue(c));
    return 0;
  }
  if ((cmd == "remove" || cmd == "stopped-remove") && argc == 7) {
    const QImage orig = load(argv[2]), result = load(argv[3]);
    const QRgb target = orig.pixel(std::atoi(argv[4]), std::atoi(argv[5])), replacement = parseColour(argv[6]);
    const Rule rule = [&](QRgb c) { return c != qRgb(255, 255, 255) && channelsWithin(c, target) ? replacement : c; };
    return cmd == "remove" ? compare(orig, result, rule) : stopped(orig, result, rule);
  }
  if (cmd == "greytype" && argc == 6) {
    const double t = std::atof(argv[4]);
    const int d = std::atoi(argv[5]);
    const Rule rule = [&](QRgb c) {
      if (c == qRgb(0, 0, 0) || c == qRgb(255, 255, 255)) return c;
      const int r = qRed(c), g = qGreen(c), b = qBlue(c), m = (r + g + b) / 3;
      const bool black = m < t && std::abs(m - r) < d && std::abs(m - g) < d && std::abs(m - b) < d;
      return black ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
    };
    return compare(load(argv[2]), load(argv[3]), rule);
  }
  if (cmd == "whiten" && argc == 4) {
    const Rule rule = [](QRgb c) { return c == qRgb(0, 0, 0) ? c : qRgb(255, 255, 255); };
    return compare(load(argv[2]), load(argv[3]), rule);
  }
  if (cmd == "tinted" && argc == 7) {
    const QImage orig = load(argv[2]), shown = load(argv[3]);
    const QRgb target = orig.pixel(std::atoi(argv[4]), std::atoi(argv[5])), replacement = parseColour(argv[6]);
    if (orig.size() != shown.size()) return 1;
    int tinted = 0;
    for (int y = 0; y < orig.height(); ++y)
      for (int x = 0; x < orig.width(); ++x) {
        const QRgb o = orig.pixel(x, y) | 0xFF000000u, got = shown.pixel(x, y) | 0xFF000000u;
        const bool changes = o != qRgb(255, 255, 255) && channelsWithin(o, target) && o != replacement;
        if (changes != (got != o)) {
          std::fprintf(stderr, "(%d, %d): original %06x, shown %06x, %s\n", x, y, o & 0xFFFFFF, got & 0xFFFFFF,
                       changes ? "should be tinted" : "should be untouched");
          return 1;
        }
        tinted += changes;
      }
    return tinted > 0 ? 0 : 1;
  }
  if (cmd == "ramp-box" && argc == 5) {
    // The device pixels the ramp covers, from a point inside it: its row
    // keeps the point's green, its column the point's red; the row runs from
    // red 0 to red 252 and the column from green 0 to green 252.
    const QImage shot = load(argv[2]);
    const int cx = std::atoi(argv[3]), cy = std::atoi(argv[4]);
    const QRgb c = shot.pixel(cx, cy);
    const auto inRow = [&](int x) {
      return x >= 0 && x < shot.width() && (shot.pixel(x, cy) & 0xFFFFu) == (c & 0xFF00u);
    };
    const auto inColumn = [&](int y) {
      return y >= 0 && y < shot.height() && (shot.pixel(cx, y) & 0xFF00FFu) == (c & 0xFF0000u);
    };
    int x0 = cx, xn = cx, y0 = cy, yn = cy;
    while (inRow(x0 - 1)) --x0;
    while (inRow(xn + 1)) ++xn;
    while (inColumn(y0 - 1)) --y0;
    while (inColumn(yn + 1)) ++yn;
    std::printf("%d %d %d %d\n", x0, y0, xn, yn);
    return qRed(shot.pixel(x0, cy)) == 0 && qRed(shot.pixel(xn, cy)) == 252 && qGreen(shot.pixel(cx, y0)) == 0 &&
                   qGreen(shot.pixel(cx, yn)) == 252
               ? 0
               : 1;
  }
  if (cmd == "ramp-tinted" && argc == 4) {
    // Every pixel of the ramp's screen that Shift changed is tinted: the
    // ramp's colours have no blue, the tinted ones have some.
    const QImage drawn = load(argv[2]), shown = load(argv[3]);
    if (drawn.size() != shown.size()) return 1;
    int tinted = 0, other = 0;
    for (int y = 0; y < drawn.height(); ++y)
      for (int x = 0; x < drawn.width(); ++x) {
        const QRgb a = drawn.pixel(x, y) & 0xFFFFFFu, b = shown.pixel(x, y) & 0xFFFFFFu;
        if (a == b) continue;
        if (qBlue(a) == 0 && qBlue(b) != 0)
          ++tinted;
        else if (!other++)
          std::fprintf(stderr, "first at (%d, %d): drawn %06x, shown %06x; ", x, y, a, b);
      }
    std::fprintf(stderr, "%d tinted and %d other changed pixels\n", tinted, other);
    return tinted > 0 && other == 0 ? 0 : 1;
  }
  if (cmd == "same" && argc == 4) return compare(load(argv[2]), load(argv[3]), {});
  std::fprintf(stderr, "usage: see the comment at the top of e2e_check.cpp\n");
  return 2;
}

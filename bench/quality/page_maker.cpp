#include "page_maker.h"

#include "drawing.h"
#include "formats/codecs.h"
#include "formats/picture_encoding.h"

#include <QBuffer>

#include <algorithm>
#include <array>
#include <cmath>

namespace quality {
namespace {

constexpr std::array<double, 3> PaperRgb{245, 238, 222};
constexpr double InkReflectance = 0.12, PencilReflectance = 0.7, BackReflectance = 0.88;
constexpr std::array<double, 3> StampReflectance{0.42, 0.34, 0.86};  // blue-violet
constexpr std::array<double, 3> StainTint{0.8, 1.0, 1.6};            // how much each channel darkens under a stain
constexpr double NoiseSigma = 4;

struct Wants {
  bool shade = false, stains = false, pencil = false, back = false, stamp = false, dust = false, jpeg = false;
};

Wants WantsOf(Group group) {
  Wants all{true, true, true, true, true, true, false};
  switch (group) {
    case Group::Claro:
      return {};
    case Group::Sombra:
      return {.shade = true};
    case Group::Manchas:
      return {.stains = true};
    case Group::Lapiz:
      return {.pencil = true};
    case Group::Transparencia:
      return {.back = true};
    case Group::Sello:
      return {.stamp = true};
    case Group::Polvo:
      return {.dust = true};
    case Group::Jpeg:
      all.jpeg = true;
      return all;
    case Group::Todo:
      return all;
  }
  return {};
}

using Plane = std::vector<float>;

// A separable gaussian blur in place, the edges repeated outwards.
void Blur(Plane& plane, int w, int h, double sigma) {
  const int radius = std::max(1, int(std::ceil(3 * sigma)));
  std::vector<float> kernel(2 * radius + 1);
  double sum = 0;
  for (int i = -radius; i <= radius; ++i) sum += kernel[i + radius] = float(std::exp(-i * i / (2 * sigma * sigma)));
  for (float& k : kernel) k = float(k / sum);
  std::vector<float> line(std::size_t(std::max(w, h)) + 2 * radius);
  auto pass = [&](int count, int length, std::size_t step, std::size_t stride) {
    for (int n = 0; n < count; ++n) {
      float* start = &plane[std::size_t(n) * stride];
      for (int i = -radius; i < length + radius; ++i) line[i + radius] = start[std::clamp(i, 0, length - 1) * step];
      for (int i = 0; i < length; ++i) {
        float v = 0;
        for (int k = 0; k <= 2 * radius; ++k) v += kernel[k] * line[i + k];
        start[i * step] = v;
      }
    }
  };
  pass(h, w, 1, std::size_t(w));
  pass(w, h, std::size_t(w), 1);
}

// The stains' luminance factor (1 where there is none): filled ellipses 1 to
// 3 cm across, a slightly darker rim, soft and a little uneven edges.
Plane Stains(int w, int h, double dpi, QSizeF sizeMm, Chance& chance) {
  Plane factor(std::size_t(w) * std::size_t(h), 1.f);
  const double pxPerMm = dpi / 25.4;
  for (int n = 0; n < 4; ++n) {
    const double cx = chance.Uniform(0.1, 0.9) * sizeMm.width() * pxPerMm;
    const double cy = chance.Uniform(0.1, 0.9) * sizeMm.height() * pxPerMm;
    const double a = chance.Uniform(5, 15) * pxPerMm, b = chance.Uniform(5, 15) * pxPerMm;
    const double turn = chance.Uniform(0, M_PI), wobble = chance.Uniform(0, 2 * M_PI);
    const double inside = chance.Uniform(0.82, 0.9), rim = 0.8;
    const double reach = 1.15 * std::max(a, b) * 1.1;
    for (int y = std::max(0, int(cy - reach)); y < std::min(h, int(cy + reach) + 1); ++y) {
      for (int x = std::max(0, int(cx - reach)); x < std::min(w, int(cx + reach) + 1); ++x) {
        const double dx = x - cx, dy = y - cy;
        const double u = (dx * std::cos(turn) + dy * std::sin(turn)) / a;
        const double v = (-dx * std::sin(turn) + dy * std::cos(turn)) / b;
        const double r = std::hypot(u, v) * (1 + 0.06 * std::sin(3 * std::atan2(v, u) + wobble));
        double f = 1;
        if (r < 0.8)
          f = inside;
        else if (r < 0.95)
          f = inside + (rim - inside) * (r - 0.8) / 0.15;
        else if (r < 1.1)
          f = rim + (1 - rim) * (r - 0.95) / 0.15;
        factor[std::size_t(y) * w + x] *= float(f);
      }
    }
  }
  return factor;
}

// Specks of dust a few hundred to an A4 page, 1 to 3 pixels at 300 dpi.
void Dust(Plane& neutral, int w, int h, double dpi, QSizeF sizeMm, Chance& chance) {
  const int count = std::max(10, int(std::lround(300 * sizeMm.width() * sizeMm.height() / (210.0 * 297.0))));
  for (int n = 0; n < count; ++n) {
    const double cx = chance.Uniform(0, w), cy = chance.Uniform(0, h);
    const double radius = chance.Uniform(1, 3) * dpi / 300 / 2, factor = chance.Uniform(0.25, 0.6);
    const int reach = int(std::ceil(radius));
    for (int y = std::max(0, int(cy) - reach); y <= std::min(h - 1, int(cy) + reach); ++y)
      for (int x = std::max(0, int(cx) - reach); x <= std::min(w - 1, int(cx) + reach); ++x)
        if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= std::max(radius, 0.5) || (x == int(cx) && y == int(cy)))
          neutral[std::size_t(y) * w + x] = float(factor);
  }
}

double Light(int x, int y, int w, int h) {
  const double across = 0.5 * (1 - double(x) / w) + 0.5 * double(y) / h;  // dimmer towards the bottom left
  const double spine = std::clamp(double(x) / (0.08 * w), 0.0, 1.0);
  const double smooth = spine * spine * (3 - 2 * spine);
  return (1 - 0.25 * across) * (0.4 + 0.6 * smooth);
}

// Marks each pixel within reach (a square) of a marked one.
Mask Widened(const Mask& mask, int reach) {
  Mask across(mask.width, mask.height), out(mask.width, mask.height);
  for (int y = 0; y < mask.height; ++y)
    for (int x = 0; x < mask.width; ++x)
      if (mask(x, y))
        for (int d = std::max(0, x - reach); d <= std::min(mask.width - 1, x + reach); ++d) across.At(d, y) = 1;
  for (int y = 0; y < mask.height; ++y)
    for (int x = 0; x < mask.width; ++x)
      if (across(x, y))
        for (int d = std::max(0, y - reach); d <= std::min(mask.height - 1, y + reach); ++d) out.At(x, d) = 1;
  return out;
}

}  // namespace

const std::vector<Group>& AllGroups() {
  static const std::vector<Group> groups = {Group::Claro, Group::Sombra,        Group::Manchas,
                                            Group::Lapiz, Group::Transparencia, Group::Sello,
                                            Group::Polvo, Group::Jpeg,          Group::Todo};
  return groups;
}

const char* GroupName(Group group) {
  static const char* const names[] = {"claro", "sombra", "manchas", "lapiz", "transparencia",
                                      "sello", "polvo",  "jpeg",    "todo"};
  return names[int(group)];
}

std::optional<Group> GroupNamed(std::string_view name) {
  for (Group group : AllGroups())
    if (name == GroupName(group)) return group;
  return std::nullopt;
}

std::int64_t Mask::Count() const {
  return std::count_if(bits.begin(), bits.end(), [](std::uint8_t b) { return b; });
}

Page MakePage(Group group, double dpi, std::uint32_t seed, QSizeF sizeMm) {
  const Wants wants = WantsOf(group);
  const int w = int(std::lround(sizeMm.width() / 25.4 * dpi)), h = int(std::lround(sizeMm.height() / 25.4 * dpi));
  const std::size_t n = std::size_t(w) * std::size_t(h);
  const double optics = 0.5 * dpi / 300;

  // Each part draws from its own chance, so that the text is the same in every group.
  Chance textChance(seed), backChance(seed + 1000003), stainChance(seed + 2000003), stampChance(seed + 3000017),
      dustChance(seed + 4000037), noiseChance(seed + 5000011);
  const Text text = LayOutText(sizeMm, textChance);
  const std::vector<std::uint8_t> ink = Coverage(text.ink, w, h, dpi);
  const std::vector<std::uint8_t> none(n, 0);
  const std::vector<std::uint8_t> pencil = wants.pencil ? Coverage(text.faint, w, h, dpi) : none;
  const std::vector<std::uint8_t> stamp = wants.stamp ? Coverage(StampDrawing(sizeMm, stampChance), w, h, dpi) : none;
  Page page;
  page.dpi = dpi;
  page.stampColour =
      QColor::fromRgbF(float(StampReflectance[0]), float(StampReflectance[1]), float(StampReflectance[2]));
  Mask back(w, h);
  Plane backCover;
  if (wants.back) {
    const std::vector<std::uint8_t> other = Coverage(LayOutText(sizeMm, backChance).ink, w, h, dpi);
    backCover.resize(n);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const std::uint8_t c = other[std::size_t(y) * w + (w - 1 - x)];  // seen from behind
        backCover[std::size_t(y) * w + x] = c / 255.f;
        back.At(x, y) = c >= 128;
      }
    Blur(backCover, w, h, 1.5 * dpi / 300);
  }

  // The factor every channel shares: light, text, pencil, back page, dust.
  Plane neutral(n);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::size_t i = std::size_t(y) * w + x;
      double f = (1 - ink[i] / 255.0 * (1 - InkReflectance)) * (1 - pencil[i] / 255.0 * (1 - PencilReflectance));
      if (wants.back) f *= 1 - backCover[i] * (1 - BackReflectance);
      neutral[i] = float(f);
    }
  backCover = Plane();
  if (wants.dust) Dust(neutral, w, h, dpi, sizeMm, dustChance);
  if (wants.shade)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) neutral[std::size_t(y) * w + x] *= float(Light(x, y, w, h));
  const Plane stain = wants.stains ? Stains(w, h, dpi, sizeMm, stainChance) : Plane();

  QImage scan(w, h, QImage::Format_RGB32);
  scan.fill(Qt::white);
  Plane channel(n);
  for (int c = 0; c < 3; ++c) {
    for (std::size_t i = 0; i < n; ++i) {
      double v = PaperRgb[c] * neutral[i] * (1 - stamp[i] / 255.0 * (1 - StampReflectance[c]));
      if (wants.stains) v *= 1 - (1 - stain[i]) * StainTint[c];
      channel[i] = float(v);
    }
    Blur(channel, w, h, optics);
    for (int y = 0; y < h; ++y) {
      auto* line = reinterpret_cast<QRgb*>(scan.scanLine(y));
      for (int x = 0; x < w; ++x) {
        const int v =
            std::clamp(int(std::lround(channel[std::size_t(y) * w + x] + NoiseSigma * noiseChance.Normal())), 0, 255);
        line[x] |= 0xff000000u;
        line[x] = (line[x] & ~(0xffu << (16 - 8 * c))) | (QRgb(v) << (16 - 8 * c));
      }
    }
  }
  if (wants.jpeg) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    platform::EncodePicture(scan, "jpg", buffer, 75);
    scan = platform::LoadPictureFromData(buffer.data()).convertToFormat(QImage::Format_RGB32);
  }
  const int dpm = int(std::lround(dpi / 0.0254));
  scan.setDotsPerMeterX(dpm);
  scan.setDotsPerMeterY(dpm);
  page.page = scan;

  page.ink = page.faint = page.stamp = page.stain = page.showThrough = Mask(w, h);
  Mask touched(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::size_t i = std::size_t(y) * w + x;
      page.ink.bits[i] = ink[i] >= 128 || stamp[i] >= 128;
      page.faint.bits[i] = !page.ink.bits[i] && pencil[i] >= 128;
      page.stamp.bits[i] = stamp[i] >= 128 && ink[i] < 128;
      touched.bits[i] = ink[i] || pencil[i] || stamp[i];
    }
  page.paper = Widened(touched, std::max(1, int(std::ceil(2 * optics))));
  for (std::size_t i = 0; i < n; ++i) {
    page.paper.bits[i] = !page.paper.bits[i];
    page.stain.bits[i] = page.paper.bits[i] && wants.stains && stain[i] < 0.97f;
    page.showThrough.bits[i] = page.paper.bits[i] && back.bits[i];
  }
  return page;
}

}  // namespace quality

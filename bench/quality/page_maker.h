#pragma once
// Scanned-looking pages made from fixed seeds alone, with the truth of every
// pixel, to judge the page steps and other binarisations against:
//   - text without fonts: about thirty glyphs of strokes and arcs, set as
//     pseudo-words in lines (a bold heading, body text, a line of thin
//     strokes), its coverage rendered at 4 x 4 samples a pixel;
//   - the scan: cream paper times what the ink lets through, the optics'
//     blur, the sensor's noise;
//   - one degradation group at a time, or all of them together.
// The sizes are on paper, in millimetres, so that a page at 150 dpi holds the
// same text as at 600.

#include <QColor>
#include <QImage>
#include <QSizeF>

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quality {

enum class Group {
  Claro,          // text and noise only
  Sombra,         // light falling off across the page, the spine's shadow
  Manchas,        // four brownish stains, lighter than any ink
  Lapiz,          // a few lines in pencil: faint ink
  Transparencia,  // the back page's text showing through
  Sello,          // a blue-violet stamp over the text
  Polvo,          // specks of dust, not ink
  Jpeg,           // all of them, then JPEG at quality 75
  Todo,           // all of them
};

const char* GroupName(Group group);
std::optional<Group> GroupNamed(std::string_view name);
const std::vector<Group>& AllGroups();

// Yes or no for each pixel of a picture, row after row.
struct Mask {
  int width = 0, height = 0;
  std::vector<std::uint8_t> bits;

  Mask() = default;
  Mask(int w, int h) : width(w), height(h), bits(std::size_t(w) * std::size_t(h), 0) {}
  bool operator()(int x, int y) const { return bits[std::size_t(y) * std::size_t(width) + std::size_t(x)] != 0; }
  std::uint8_t& At(int x, int y) { return bits[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
  std::int64_t Count() const;
};

struct Page {
  QImage page;  // the scan, RGB32, its resolution set
  double dpi = 300;
  Mask ink;            // ink of the text and of the stamp (coverage at least one half)
  Mask faint;          // pencil, none of it in ink
  Mask stamp;          // the stamp where no text lies under it
  Mask paper;          // away from every ink's edge (beyond the optics' reach)
  Mask stain;          // paper under a stain
  Mask showThrough;    // paper under the back page's text
  QColor stampColour;  // the stamp's own colour, as on white paper
};

constexpr QSizeF A4Mm{210, 297};
constexpr QSizeF SmallMm{70, 50};  // a few lines, for tests and quick runs

// The page of a group: the same seed gives the same page, pixel for pixel.
Page MakePage(Group group, double dpi = 300, std::uint32_t seed = 1, QSizeF sizeMm = A4Mm);

}  // namespace quality

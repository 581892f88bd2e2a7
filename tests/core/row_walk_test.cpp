// The walker, built for every instruction set this processor runs, against
// its rule called pixel by pixel, over every colour there is: for each of the
// settings below, the 2^24 colours (with varied alpha, which the rules ignore)
// are walked both ways the program walks them, in rows and down the columns
// of a band taken out of a picture, and each pixel must come out as
// ToQRgb(rule(FromQRgb(pixel))), each walk saying whether the rule changed a
// colour exactly when it did.
#include "core/row_walk.h"
#include "core/column_band.h"
#include "core/pixel_rules.h"
#include "core/row_kernels.h"

#include "core/colors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

using namespace filters;

namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();
constexpr std::uint32_t Colours = 1u << 24, Chunk = 1u << 20;

struct Setting {
  const char* name;
  RowStep rule;
};

// The grey-type rule's edges: thresholds at, between and beyond the means
// 0..255 (infinite and NaN too) and tolerances of 0, negative, 1, 255, 256
// and the extremes of its type.
const Setting GreyTypeSettings[] = {
    {"T 140, D 20 (the window's start)", GreyTypeRule(140, 20)},
    {"T 140.5, D 21", GreyTypeRule(140.5, 21)},
    {"T 0, D 20", GreyTypeRule(0, 20)},
    {"T 0.5, D 1", GreyTypeRule(0.5, 1)},
    {"T -5, D 20", GreyTypeRule(-5, 20)},
    {"T 1, D 1", GreyTypeRule(1, 1)},
    {"T 255, D 255", GreyTypeRule(255, 255)},
    {"T 256, D 256", GreyTypeRule(256, 256)},
    {"T 255.5, D 2", GreyTypeRule(255.5, 2)},
    {"T 300, D 32767", GreyTypeRule(300, 32767)},
    {"T +inf, D 20", GreyTypeRule(Infinity, 20)},
    {"T -inf, D 20", GreyTypeRule(-Infinity, 20)},
    {"T NaN, D 20", GreyTypeRule(std::nan(""), 20)},
    {"T 140, D 0", GreyTypeRule(140, 0)},
    {"T 256, D -5", GreyTypeRule(256, -5)},
    {"T 256, D -32768", GreyTypeRule(256, -32768)},
};

// The removal rule's edges: ranges inside, across and beyond the bytes,
// empty (NaN), white as target, and replacements whose high byte is set.
const Setting RemovalSettings[] = {
    {"128,128,128 to white", RemovalRule(128, 128, 128, White)},
    {"0,0,0 to 1,2,3", RemovalRule(0, 0, 0, platform::RGB(1, 2, 3))},
    {"255,255,255 to black", RemovalRule(255, 255, 255, Black)},
    {"24.5,230.5,1 to white", RemovalRule(24.5, 230.5, 1, White)},
    {"-24,279,-30 to black", RemovalRule(-24, 279, -30, Black)},
    {"1e10,-1e10,128 to white", RemovalRule(1e10, -1e10, 128, White)},
    {"NaN,128,128 to black", RemovalRule(std::nan(""), 128, 128, Black)},
    {"10,200,100 to 0x12345678", RemovalRule(10, 200, 100, 0x12345678)},
    {"100,100,100 to -1", RemovalRule(100, 100, 100, -1)},
    {"128,128,128 to the window's background", RemovalRule(128, 128, 128, platform::SystemWindowBackground)},
    // Black repainted with black's channels: a change all the same.
    {"0,0,0 to 0x1000000", RemovalRule(0, 0, 0, 0x1000000)},
};

const Setting WhiteningSettings[] = {{"whitening", WhiteningRule()}};

struct Expected {
  QRgb pixel;
  bool changes;  // rule(c) != c
};

Expected expected(const RowStep& step, QRgb pixel) {
  return std::visit(
      [&](const auto& rule) {
        const platform::ColorValue c = platform::FromQRgb(pixel), now = rule(c);
        return Expected{platform::ToQRgb(now), now != c};
      },
      step);
}

// Every instruction set the walk was built for that this processor runs, by
// name, then the one WalkRow picks itself (0).
std::vector<std::pair<std::int64_t, std::string>> instructionSets() {
  std::vector<std::pair<std::int64_t, std::string>> sets;
  for (const std::int64_t target : kernels::Targets()) sets.emplace_back(target, kernels::TargetName(target));
  sets.emplace_back(0, "the best");
  return sets;
}

// A chunk's first runs are 1, 2, ... 33 pixels long, each followed by a pixel
// left out that must stay as it was, and the last run is the rest: each
// loop's ends and tails fall everywhere, and a loop that writes past its end
// is caught.
constexpr std::ptrdiff_t Longest = 33;

// The band: a picture of BandWidth columns of BandRows pixels, its lines
// padded, whose pixels are the chunk's colours from the start again; every
// column is taken out and walked, and each run of columns the walk says it
// changed is put back.
constexpr std::ptrdiff_t BandWidth = 1028, BandRows = 1021, BandStride = BandWidth + 3;
static_assert(BandWidth * BandRows >= std::ptrdiff_t(Chunk));
constexpr QRgb Padding = 0x5A5A5A5A;

class EveryColour {
 public:
  explicit EveryColour(const Setting& setting) : setting_(setting) {}

  // Walks every colour with WalkRow on each instruction set; false after the
  // first failure, which it reports.
  bool Check() {
    for (std::uint32_t first = 0; first < Colours; first += Chunk) {
      prepare(first);
      for (const auto& [target, name] : instructionSets()) {
        kernels::UseOnly(target);
        const bool good = rows(name) && band(name);
        kernels::UseOnly(0);
        if (!good) return false;
      }
    }
    return true;
  }

 private:
  // The walker as the window runs it, saying whether a colour changed.
  bool walk(QRgb* pixels, std::ptrdiff_t n) const {
    return std::visit([&](const auto& rule) { return WalkRowChanged(pixels, n, rule); }, setting_.rule);
  }

  // What each walk of the chunk must leave and say, whatever the instruction set.
  void prepare(std::uint32_t first) {
    std::vector<bool> changes(Chunk);
    for (std::uint32_t i = 0; i < Chunk; ++i) {
      const std::uint32_t colour = first + i;
      input_[i] = colour | (colour * 2654435761u) << 24;
      const Expected e = expected(setting_.rule, input_[i]);
      wantRow_[i] = e.pixel;
      changes[i] = e.changes;
    }
    runChanges_.clear();
    std::ptrdiff_t at = 0;
    const auto run = [&](std::ptrdiff_t length) {
      bool any = false;
      for (std::ptrdiff_t i = at; i < at + length; ++i) any = any || changes[std::size_t(i)];
      runChanges_.push_back(any);
    };
    for (std::ptrdiff_t length = 1; length <= Longest; at += length + 1, ++length) {
      run(length);
      wantRow_[std::size_t(at + length)] = input_[std::size_t(at + length)];
    }
    run(std::ptrdiff_t(Chunk) - at);

    std::fill(picture_.begin(), picture_.end(), Padding);
    wantPicture_ = picture_;
    for (std::ptrdiff_t x = 0; x < BandWidth; ++x) {
      bool any = false;
      for (std::ptrdiff_t y = 0; y < BandRows; ++y) any = any || changes[std::size_t(y * BandWidth + x) % Chunk];
      columnChanges_[std::size_t(x)] = any;
      for (std::ptrdiff_t y = 0; y < BandRows; ++y) {
        const std::size_t i = std::size_t(y * BandWidth + x) % Chunk, at = std::size_t(y * BandStride + x);
        picture_[at] = input_[i];
        wantPicture_[at] = any ? expected(setting_.rule, input_[i]).pixel : input_[i];
      }
    }
  }

  bool fail(const std::string& name, const std::string& what) const {
    ADD_FAILURE() << setting_.name << ", " << name << ": " << what;
    return false;
  }

  bool comparePixels(const std::string& name, const std::vector<QRgb>& got, const std::vector<QRgb>& want,
                     const char* walk) const {
    for (std::size_t i = 0; i < got.size(); ++i)
      if (got[i] != want[i])
        return fail(name, std::string(walk) + " pixel " + std::to_string(i) + " gave " + std::to_string(got[i]) +
                              ", expected " + std::to_string(want[i]));
    return true;
  }

  // The rows, through WalkRowChanged and then again through WalkRow, which
  // the batch and the preview run: each must leave the same pixels.
  bool rows(const std::string& name) {
    got_ = input_;
    std::ptrdiff_t at = 0;
    const auto run = [&](std::size_t r, std::ptrdiff_t length) {
      if (walk(got_.data() + at, length) != runChanges_[r])
        return fail(name, "the row of " + std::to_string(length) + " from " + std::to_string(at) + " says " +
                              (runChanges_[r] ? "unchanged" : "changed"));
      return true;
    };
    std::size_t r = 0;
    for (std::ptrdiff_t length = 1; length <= Longest; at += length + 1, ++length)
      if (!run(r++, length)) return false;
    if (!run(r, std::ptrdiff_t(Chunk) - at) || !comparePixels(name, got_, wantRow_, "in rows, saying,")) return false;
    got_ = input_;
    at = 0;
    const auto plain = [&](std::ptrdiff_t length) {
      std::visit([&](const auto& rule) { WalkRow(got_.data() + at, length, rule); }, setting_.rule);
    };
    for (std::ptrdiff_t length = 1; length <= Longest; at += length + 1, ++length) plain(length);
    plain(std::ptrdiff_t(Chunk) - at);
    return comparePixels(name, got_, wantRow_, "in rows,");
  }

  bool band(const std::string& name) {
    gotPicture_ = picture_;
    auto* bits = reinterpret_cast<uchar*>(gotPicture_.data());
    const std::ptrdiff_t bpl = BandStride * std::ptrdiff_t(sizeof(QRgb));
    platform::TakeColumns(bits, bpl, 0, BandWidth, BandRows, band_.data());
    for (std::ptrdiff_t x = 0; x < BandWidth; ++x)
      if (walk(band_.data() + x * BandRows, BandRows) != columnChanges_[std::size_t(x)])
        return fail(name, "band column " + std::to_string(x) + " says " +
                              (columnChanges_[std::size_t(x)] ? "unchanged" : "changed"));
    for (std::size_t x = 0; x < BandWidth; ++x)
      if (columnChanges_[x] && (x == 0 || !columnChanges_[x - 1])) {
        std::size_t last = x;
        while (columnChanges_[last + 1]) ++last;
        platform::PutColumns(band_.data(), BandRows, x, last, bits, bpl, 0);
      }
    return comparePixels(name, gotPicture_, wantPicture_, "in a band,");
  }

  const Setting& setting_;
  std::vector<QRgb> input_ = std::vector<QRgb>(Chunk), wantRow_ = input_, got_ = input_;
  std::vector<bool> runChanges_;
  std::vector<QRgb> picture_ = std::vector<QRgb>(BandStride * BandRows), wantPicture_ = picture_,
                    gotPicture_ = picture_, band_ = std::vector<QRgb>(BandWidth * BandRows);
  std::vector<bool> columnChanges_ = std::vector<bool>(BandWidth + 1, false);
};

}  // namespace

TEST(EveryColour, GreyTypeWalksGiveTheRulesPixels) {
  for (const Setting& s : GreyTypeSettings) EveryColour(s).Check();
}

TEST(EveryColour, RemovalWalksGiveTheRulesPixels) {
  for (const Setting& s : RemovalSettings) EveryColour(s).Check();
}

TEST(EveryColour, WhiteningWalksGiveTheRulesPixels) {
  for (const Setting& s : WhiteningSettings) EveryColour(s).Check();
}

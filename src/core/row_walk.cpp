// The walker's loops are written once and built by Highway for each
// instruction set it knows (foreach_target.h compiles this file again for
// each); WalkRow calls the best one the processor runs, for a row of a
// picture as for a column of the window's band.
// This file's own path as included from src/: it changes when the file moves.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "core/row_walk.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "core/colors.h"
#include "core/row_kernels.h"
#include "core/row_walk.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#ifndef FILTERS_ROW_WALK_CONSTANTS
#define FILTERS_ROW_WALK_CONSTANTS

namespace filters {
namespace {

// A pixel in memory is the bytes blue, green, red, alpha (QRgb 0xAARRGGBB);
// the rules' colour puts red in its lowest byte, so each lane's channel
// constants below are laid out blue | green << 8 | red << 16. The alpha byte
// read is never looked at: each loop first sets it to 255 or clears it, and
// every pixel written has alpha 255, as ToQRgb gives.
constexpr std::uint32_t AlphaBits = 0xFF000000u, ChannelBits = 0x00FFFFFFu;

constexpr std::uint32_t lane(std::uint32_t blue, std::uint32_t green, std::uint32_t red, std::uint32_t alpha = 0) {
  return blue | green << 8 | red << 16 | alpha << 24;
}

// A channel's range as the bytes it holds, lo <= x <= hi; a range that holds
// no byte becomes [255, 0], which holds none either.
struct ByteRange {
  std::uint32_t lo, hi;
  explicit ByteRange(ChannelRange r) {
    const std::int32_t l = std::max(r.lo, 0), h = std::min(r.hi, 255);
    lo = l <= h ? std::uint32_t(l) : 255;
    hi = l <= h ? std::uint32_t(h) : 0;
  }
};

// What every lane of the removal compares with and writes: the target's byte
// ranges and the replacement pixel. The ranges' alpha bytes, [0, 255], hold
// every alpha, so that a pixel is near when no byte of it lies outside.
// A replacement beyond the three channels (a system colour, -1) differs
// from every colour read, although only its channels are written: each
// pixel repainted with it is then a change, which `always` (a channel bit)
// marks.
struct RemovalConstants {
  std::uint32_t lo, hi, replacement, always;
  explicit RemovalConstants(const RemovalRule& rule) {
    const ByteRange r(rule.red()), g(rule.green()), b(rule.blue());
    lo = lane(b.lo, g.lo, r.lo, 0);
    hi = lane(b.hi, g.hi, r.hi, 255);
    replacement = platform::ToQRgb(rule.replacement());
    always = (rule.replacement() & ~platform::White) != 0 ? 1u : 0u;
  }
};

// What every lane of the grey-type rule compares with. With a tolerance of 0
// or less no pixel is grey: a threshold no mean reaches gives the same
// whites. Otherwise a channel x is within the tolerance D of the mean m when
// |x - m| - (D - 1), saturated at 0, is 0; a D above 255 lets every byte
// through, like a slack of 255. The alpha byte's slack is 255, so that only
// the channels decide.
struct GreyTypeConstants {
  std::int32_t highestDarkMean;
  std::uint32_t slack;
  explicit GreyTypeConstants(const GreyTypeRule& rule)
      : highestDarkMean(rule.tolerance() > 0 ? rule.highestDarkMean() : -1) {
    const auto s = std::uint32_t(std::clamp(rule.tolerance() - 1, 0, 255));
    slack = lane(s, s, s, 255);
  }
};

}  // namespace
}  // namespace filters

#endif  // FILTERS_ROW_WALK_CONSTANTS

HWY_BEFORE_NAMESPACE();
namespace filters::HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;
using D = hn::ScalableTag<std::uint32_t>;
using V = hn::Vec<D>;

#if HWY_TARGET == HWY_SCALAR

// Highway's single-lane fallback (what GCC before 12.3 gets instead of its
// 128-bit emulation) has no vectors of bytes. There the rule itself is called
// pixel by pixel, in a loop the compiler vectorises for the baseline
// processor: every pixel is read, mapped and written back, with no test that
// could jump. The rule is a copy of its own, which no pixel store can alias.
template <bool Track, class Rule>
bool walkRule(QRgb* HWY_RESTRICT row, std::ptrdiff_t count, const Rule& columnRule) {
  const Rule rule = columnRule;
  platform::ColorValue changed = 0;
  for (std::ptrdiff_t i = 0; i < count; ++i) {
    const platform::ColorValue c = platform::FromQRgb(row[i]);
    // A pixel's colour has no sign; knowing it spares the vector code the sign
    // corrections of the rules' divisions.
    if (c < 0) __builtin_unreachable();
    const platform::ColorValue now = rule(c);
    if constexpr (Track) changed |= now ^ c;
    row[i] = platform::ToQRgb(now);
  }
  return changed != 0;
}

template <bool Track>
bool removal(QRgb* row, std::ptrdiff_t count, const RemovalRule& rule) {
  return walkRule<Track>(row, count, rule);
}
template <bool Track>
bool greyType(QRgb* row, std::ptrdiff_t count, const GreyTypeRule& rule) {
  return walkRule<Track>(row, count, rule);
}
template <bool Track>
bool whitening(QRgb* row, std::ptrdiff_t count) {
  return walkRule<Track>(row, count, WhiteningRule());
}

#else

// A whole vector of pixels at a time; the last few are copied to a vector's
// worth of room of their own and back, so that no pixel past the row's end
// is read or written, whatever the instruction set. The room's other lanes
// repeat the first of those pixels, so that they change only when it does.
// lanes(p, changed) gives the pixels written for p and ORs into changed a
// lane whose channels are not 0 where the rule changed the colour; whether
// any did is returned.
template <bool Track, class Lanes>
HWY_INLINE bool walk(QRgb* HWY_RESTRICT row, std::ptrdiff_t count, const Lanes& lanes) {
  const D d;
  const auto n = std::ptrdiff_t(hn::Lanes(d));
  V changed = hn::Zero(d);
  std::ptrdiff_t i = 0;
  for (; i + n <= count; i += n) hn::StoreU(lanes(hn::LoadU(d, row + i), changed), d, row + i);
  if (i < count) {
    HWY_ALIGN QRgb room[HWY_MAX_BYTES / sizeof(QRgb)];
    hn::Store(hn::Set(d, row[i]), d, room);
    const auto bytes = std::size_t(count - i) * sizeof(QRgb);
    std::memcpy(room, row + i, bytes);
    hn::Store(lanes(hn::Load(d, room), changed), d, room);
    std::memcpy(row + i, room, bytes);
  }
  if constexpr (!Track) return false;
  return !hn::AllTrue(d, hn::Eq(hn::And(changed, hn::Set(d, ChannelBits)), hn::Zero(d)));
}

template <bool Track>
bool removal(QRgb* row, std::ptrdiff_t count, const RemovalRule& rule) {
  const RemovalConstants c(rule);
  const D d;
  const hn::Repartition<std::uint8_t, D> d8;
  const auto lo = hn::BitCast(d8, hn::Set(d, c.lo)), hi = hn::BitCast(d8, hn::Set(d, c.hi));
  const V replacement = hn::Set(d, c.replacement), alpha = hn::Set(d, AlphaBits), white = hn::Set(d, ~0u);
  const V always = hn::Set(d, c.always);
  return walk<Track>(row, count, [&](V p, V& changed) HWY_ATTR {
    const auto kept = hn::BitCast(d8, hn::Or(p, alpha));
    // A byte x lies in [lo, hi] when lo - x and x - hi both saturate to 0.
    const auto outside = hn::Or(hn::SaturatedSub(lo, kept), hn::SaturatedSub(kept, hi));
    const auto near = hn::Eq(hn::BitCast(d, outside), hn::Zero(d));
    const auto isWhite = hn::Eq(hn::BitCast(d, kept), white);
    const auto repainted = hn::AndNot(isWhite, near);
    const V out = hn::IfThenElse(repainted, replacement, hn::BitCast(d, kept));
    if constexpr (Track) changed = hn::Or(changed, hn::Or(hn::Xor(out, p), hn::IfThenElseZero(repainted, always)));
    return out;
  });
}

template <bool Track>
bool greyType(QRgb* row, std::ptrdiff_t count, const GreyTypeRule& rule) {
  const GreyTypeConstants c(rule);
  const D d;
  const hn::Repartition<std::uint8_t, D> d8;
  const hn::Repartition<std::uint16_t, D> d16;
  const hn::Repartition<std::int16_t, D> di16;
  const hn::Repartition<std::int32_t, D> di;
  const V alpha = hn::Set(d, AlphaBits), white = hn::Set(d, ~0u), channels = hn::Set(d, ChannelBits);
  const auto lowBytes = hn::Set(d16, 0xFF);
  const auto ones = hn::Set(di16, 1);
  const auto third = hn::BitCast(d16, hn::Set(d, 0x5556u));
  const auto highestDarkMean = hn::Set(di, c.highestDarkMean);
  const auto slack = hn::BitCast(d8, hn::Set(d, c.slack));
  // The mean, in each lane's lowest byte, copied into its three channel
  // bytes, alpha's left 0.
  HWY_ALIGN static constexpr std::uint8_t SpreadIndices[16] = {0, 0, 0, 0x80, 4,  4,  4,  0x80,
                                                               8, 8, 8, 0x80, 12, 12, 12, 0x80};
  const auto spread = hn::LoadDup128(d8, SpreadIndices);
  return walk<Track>(row, count, [&](V p, V& changed) HWY_ATTR {
    // The pixel read once, its alpha byte 0: pure black is then 0 and pure
    // white the three channels' bits.
    const V colour = hn::And(p, channels);
    // blue + green in each lane's lower half and red in its upper half, their
    // sum, then its third: for every n below 2^15, n \ 3 = (n * 0x5556) >> 16,
    // and the sum is at most 765. The sum's upper half is 0 and so is its
    // product.
    const auto halves = hn::BitCast(d16, colour);
    const auto pairs = hn::BitCast(di16, hn::Add(hn::And(halves, lowBytes), hn::ShiftRight<8>(halves)));
    auto odd = hn::Zero(di);
    const auto sum = hn::RearrangeToOddPlusEven(hn::ReorderWidenMulAccumulate(di, pairs, ones, hn::Zero(di), odd), odd);
    const V mean = hn::BitCast(d, hn::MulHigh(hn::BitCast(d16, sum), third));
    const auto means = hn::TableLookupBytesOr0(hn::BitCast(d8, mean), spread);
    const auto bytes = hn::BitCast(d8, colour);
    const auto distance = hn::Or(hn::SaturatedSub(bytes, means), hn::SaturatedSub(means, bytes));
    const auto grey = hn::Eq(hn::BitCast(d, hn::SaturatedSub(distance, slack)), hn::Zero(d));
    const auto light = hn::RebindMask(d, hn::BitCast(di, mean) > highestDarkMean);
    // Pure black stays black, pure white stays white.
    const auto isBlack = hn::Eq(colour, hn::Zero(d)), isWhite = hn::Eq(colour, channels);
    const auto toBlack = hn::Or(isBlack, hn::AndNot(hn::Or(isWhite, light), grey));
    const V out = hn::IfThenElse(toBlack, alpha, white);
    if constexpr (Track) changed = hn::Or(changed, hn::Xor(out, p));
    return out;
  });
}

template <bool Track>
bool whitening(QRgb* row, std::ptrdiff_t count) {
  const D d;
  const V alpha = hn::Set(d, AlphaBits), white = hn::Set(d, ~0u), channels = hn::Set(d, ChannelBits);
  return walk<Track>(row, count, [&](V p, V& changed) HWY_ATTR {
    const V out = hn::IfThenElse(hn::Eq(hn::And(p, channels), hn::Zero(d)), alpha, white);
    if constexpr (Track) changed = hn::Or(changed, hn::Xor(out, p));
    return out;
  });
}

#endif  // HWY_TARGET == HWY_SCALAR

// The same loops with and without the check whether a colour changed, which
// the window needs for each column and the rows of a picture or a preview
// do not: it costs a fifth on a whole picture.
bool WalkRemoval(QRgb* row, std::ptrdiff_t count, const RemovalRule& rule) { return removal<true>(row, count, rule); }
bool WalkGreyType(QRgb* row, std::ptrdiff_t count, const GreyTypeRule& rule) {
  return greyType<true>(row, count, rule);
}
bool WalkWhitening(QRgb* row, std::ptrdiff_t count) { return whitening<true>(row, count); }
bool ApplyRemoval(QRgb* row, std::ptrdiff_t count, const RemovalRule& rule) { return removal<false>(row, count, rule); }
bool ApplyGreyType(QRgb* row, std::ptrdiff_t count, const GreyTypeRule& rule) {
  return greyType<false>(row, count, rule);
}
bool ApplyWhitening(QRgb* row, std::ptrdiff_t count) { return whitening<false>(row, count); }

}  // namespace filters::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace filters {

HWY_EXPORT(WalkRemoval);
HWY_EXPORT(WalkGreyType);
HWY_EXPORT(WalkWhitening);
HWY_EXPORT(ApplyRemoval);
HWY_EXPORT(ApplyGreyType);
HWY_EXPORT(ApplyWhitening);

void WalkRow(QRgb* row, std::ptrdiff_t count, const RemovalRule& rule) {
  HWY_DYNAMIC_DISPATCH(ApplyRemoval)(row, count, rule);
}
void WalkRow(QRgb* row, std::ptrdiff_t count, const GreyTypeRule& rule) {
  HWY_DYNAMIC_DISPATCH(ApplyGreyType)(row, count, rule);
}
void WalkRow(QRgb* row, std::ptrdiff_t count, const WhiteningRule&) {
  HWY_DYNAMIC_DISPATCH(ApplyWhitening)(row, count);
}

bool WalkRowChanged(QRgb* row, std::ptrdiff_t count, const RemovalRule& rule) {
  return HWY_DYNAMIC_DISPATCH(WalkRemoval)(row, count, rule);
}
bool WalkRowChanged(QRgb* row, std::ptrdiff_t count, const GreyTypeRule& rule) {
  return HWY_DYNAMIC_DISPATCH(WalkGreyType)(row, count, rule);
}
bool WalkRowChanged(QRgb* row, std::ptrdiff_t count, const WhiteningRule&) {
  return HWY_DYNAMIC_DISPATCH(WalkWhitening)(row, count);
}

namespace kernels {

std::vector<std::int64_t> Targets() { return hwy::SupportedAndGeneratedTargets(); }

const char* TargetName(std::int64_t target) { return hwy::TargetName(target); }

void UseOnly(std::int64_t target) { hwy::SetSupportedTargetsForTest(target); }

}  // namespace kernels

void ApplyInRowOrder(QImage& picture, const std::vector<RowStep>& steps) {
  if (steps.empty() || picture.isNull()) return;
  if (picture.format() != QImage::Format_RGB32) picture.convertTo(QImage::Format_RGB32);
  // About 256 KB of pixels at a time: the band stays in the second-level cache
  // from one step to the next.
  // A band whose lines carry no padding is walked as one run of pixels.
  const std::ptrdiff_t width = picture.width(), height = picture.height();
  const std::ptrdiff_t bandRows = std::max<std::ptrdiff_t>(1, (1 << 16) / width);
  uchar* const bits = picture.bits();
  const std::ptrdiff_t bpl = picture.bytesPerLine();
  for (std::ptrdiff_t top = 0; top < height; top += bandRows) {
    const std::ptrdiff_t rows = std::min(height - top, bandRows);
    for (const RowStep& step : steps)
      std::visit(
          [&](const auto& rule) {
            if (bpl == width * 4) {
              WalkRow(reinterpret_cast<QRgb*>(bits + top * bpl), rows * width, rule);
              return;
            }
            for (std::ptrdiff_t y = top; y < top + rows; ++y)
              WalkRow(reinterpret_cast<QRgb*>(bits + y * bpl), width, rule);
          },
          step);
  }
}

}  // namespace filters

#endif  // HWY_ONCE

// The page steps' walks, built by Highway for each instruction set it knows,
// like the rules' walks in row_walk.cpp: the best one the processor runs is
// called. Each takes a whole vector of pixels at a time and the row's last
// few one by one.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "core/row_walk_page.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "core/pixel_rules.h"
#include "core/row_walk.h"

#include <algorithm>
#include <cstdint>

#ifndef FILTERS_ROW_WALK_PAGE_ONE
#define FILTERS_ROW_WALK_PAGE_ONE

namespace filters {
namespace {

constexpr QRgb BlackPixel = 0xFF000000u, WhitePixel = 0xFFFFFFFFu;

std::uint32_t BrightnessOf(QRgb p) { return Brightness(qRed(p), qGreen(p), qBlue(p)); }

std::uint32_t Scaled(std::uint32_t channel, std::uint32_t tint, std::uint32_t gain) {
  return std::min<std::uint32_t>(255, (channel * tint * gain) >> 16);
}

// The walks for one pixel, which the vectors' loops leave for the row's end.
void BelowOne(QRgb& p, std::uint8_t limit) { p = BrightnessOf(p) < limit ? BlackPixel : WhitePixel; }
void MaskOne(QRgb p, std::uint8_t limit, std::uint8_t& mask) { mask = BrightnessOf(p) < limit ? 1 : 0; }
void KeepOne(QRgb& p, std::uint8_t near, std::uint8_t light, std::uint16_t gain, const std::uint32_t tint[3]) {
  if (near == 0 || BrightnessOf(p) >= light) {
    p = WhitePixel;
    return;
  }
  p = qRgb(int(Scaled(qRed(p), tint[0], gain)), int(Scaled(qGreen(p), tint[1], gain)),
           int(Scaled(qBlue(p), tint[2], gain)));
}

}  // namespace
}  // namespace filters

#endif  // FILTERS_ROW_WALK_PAGE_ONE

HWY_BEFORE_NAMESPACE();
namespace filters::HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET == HWY_SCALAR

void Below(QRgb* row, std::ptrdiff_t count, const std::uint8_t* limit) {
  for (std::ptrdiff_t i = 0; i < count; ++i) BelowOne(row[i], limit[i]);
}
void Mask(const QRgb* row, std::ptrdiff_t count, const std::uint8_t* limit, std::uint8_t* mask) {
  for (std::ptrdiff_t i = 0; i < count; ++i) MaskOne(row[i], limit[i], mask[i]);
}
void Keep(QRgb* row, std::ptrdiff_t count, const std::uint8_t* near, const std::uint8_t* light,
          const std::uint16_t* gain, const std::uint32_t* tint) {
  for (std::ptrdiff_t i = 0; i < count; ++i) KeepOne(row[i], near[i], light[i], gain[i], tint);
}

#else

using D = hn::ScalableTag<std::uint32_t>;
using V = hn::Vec<D>;

// The brightness of each lane's pixel, as Brightness computes it.
HWY_INLINE V BrightnessLanes(D d, V p) {
  const V byte = hn::Set(d, 0xFF);
  const V red = hn::And(hn::ShiftRight<16>(p), byte), green = hn::And(hn::ShiftRight<8>(p), byte),
          blue = hn::And(p, byte);
  const V sum = hn::Add(hn::Add(hn::Mul(red, hn::Set(d, 77)), hn::Mul(green, hn::Set(d, 150))),
                        hn::Add(hn::Mul(blue, hn::Set(d, 29)), hn::Set(d, 128)));
  return hn::ShiftRight<8>(sum);
}

// A lane for each of the next pixels' bytes.
HWY_INLINE V Bytes(D d, const std::uint8_t* from) {
  const hn::Rebind<std::uint8_t, D> d8;
  return hn::PromoteTo(d, hn::LoadU(d8, from));
}

void Below(QRgb* row, std::ptrdiff_t count, const std::uint8_t* limit) {
  const D d;
  const auto n = std::ptrdiff_t(hn::Lanes(d));
  const V black = hn::Set(d, BlackPixel), white = hn::Set(d, WhitePixel);
  std::ptrdiff_t i = 0;
  for (; i + n <= count; i += n) {
    const V p = hn::LoadU(d, row + i);
    hn::StoreU(hn::IfThenElse(hn::Lt(BrightnessLanes(d, p), Bytes(d, limit + i)), black, white), d, row + i);
  }
  for (; i < count; ++i) BelowOne(row[i], limit[i]);
}

void Mask(const QRgb* row, std::ptrdiff_t count, const std::uint8_t* limit, std::uint8_t* mask) {
  const D d;
  const hn::Rebind<std::int32_t, D> di;
  const hn::Rebind<std::uint8_t, D> d8;
  const auto n = std::ptrdiff_t(hn::Lanes(d));
  std::ptrdiff_t i = 0;
  for (; i + n <= count; i += n) {
    const V p = hn::LoadU(d, row + i);
    const V ink = hn::IfThenElseZero(hn::Lt(BrightnessLanes(d, p), Bytes(d, limit + i)), hn::Set(d, 1));
    hn::StoreU(hn::DemoteTo(d8, hn::BitCast(di, ink)), d8, mask + i);
  }
  for (; i < count; ++i) MaskOne(row[i], limit[i], mask[i]);
}

void Keep(QRgb* row, std::ptrdiff_t count, const std::uint8_t* near, const std::uint8_t* light,
          const std::uint16_t* gain, const std::uint32_t* tint) {
  const D d;
  const hn::Rebind<std::uint16_t, D> d16;
  const auto n = std::ptrdiff_t(hn::Lanes(d));
  const V byte = hn::Set(d, 0xFF), white = hn::Set(d, WhitePixel), alpha = hn::Set(d, BlackPixel);
  const V tintRed = hn::Set(d, tint[0]), tintGreen = hn::Set(d, tint[1]), tintBlue = hn::Set(d, tint[2]);
  std::ptrdiff_t i = 0;
  for (; i + n <= count; i += n) {
    const V p = hn::LoadU(d, row + i);
    const V g = hn::PromoteTo(d, hn::LoadU(d16, gain + i));
    const auto keep =
        hn::And(hn::Ne(Bytes(d, near + i), hn::Zero(d)), hn::Lt(BrightnessLanes(d, p), Bytes(d, light + i)));
    const auto scale = [&](V channel, V t)
                           HWY_ATTR { return hn::Min(hn::ShiftRight<16>(hn::Mul(hn::Mul(channel, t), g)), byte); };
    const V red = scale(hn::And(hn::ShiftRight<16>(p), byte), tintRed);
    const V green = scale(hn::And(hn::ShiftRight<8>(p), byte), tintGreen);
    const V blue = scale(hn::And(p, byte), tintBlue);
    const V out = hn::Or(hn::Or(alpha, hn::ShiftLeft<16>(red)), hn::Or(hn::ShiftLeft<8>(green), blue));
    hn::StoreU(hn::IfThenElse(keep, out, white), d, row + i);
  }
  for (; i < count; ++i) KeepOne(row[i], near[i], light[i], gain[i], tint);
}

#endif  // HWY_TARGET == HWY_SCALAR

}  // namespace filters::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace filters {

HWY_EXPORT(Below);
HWY_EXPORT(Mask);
HWY_EXPORT(Keep);

void WalkRowBelow(QRgb* row, std::ptrdiff_t count, const std::uint8_t* limit) {
  HWY_DYNAMIC_DISPATCH(Below)(row, count, limit);
}
void InkMask(const QRgb* row, std::ptrdiff_t count, const std::uint8_t* limit, std::uint8_t* mask) {
  HWY_DYNAMIC_DISPATCH(Mask)(row, count, limit, mask);
}
void KeepInk(QRgb* row, std::ptrdiff_t count, const std::uint8_t* near, const std::uint8_t* light,
             const std::uint16_t* gain, const std::uint32_t tint[3]) {
  HWY_DYNAMIC_DISPATCH(Keep)(row, count, near, light, gain, tint);
}

}  // namespace filters

#endif  // HWY_ONCE

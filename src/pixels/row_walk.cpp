#include "pixels/row_walk.h"

#include "pixels/row_kernels.h"
#include "pixels/colors.h"
#include "pixels/cpu_features.h"

#include <algorithm>
#include <cstdint>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TINTABORRA_HAS_X86_LOOPS 1
#include <immintrin.h>
#endif

namespace filters {

namespace {

// The loop the compiler turns into vector code: every pixel is read, mapped
// and written back, with no test that could jump. The rule is a copy of its
// own, which no pixel store can alias.
template <class Rule>
inline void walk(QRgb* __restrict row, std::ptrdiff_t count, const Rule& columnRule) {
  const Rule rule = columnRule;
  for (std::ptrdiff_t i = 0; i < count; ++i) {
    const platform::ColorValue c = platform::FromQRgb(row[i]);
    // A pixel's colour has no sign; knowing it spares the vector code the sign
    // corrections of the rules' divisions.
    if (c < 0) __builtin_unreachable();
    row[i] = platform::ToQRgb(rule(c));
  }
}

}  // namespace

namespace kernels {

// Compiled for the baseline processor, where the loops below do not run.
void WalkRowPortable(QRgb* row, std::ptrdiff_t count, const RemovalRule& rule) { walk(row, count, rule); }
void WalkRowPortable(QRgb* row, std::ptrdiff_t count, const GreyTypeRule& rule) { walk(row, count, rule); }
void WalkRowPortable(QRgb* row, std::ptrdiff_t count, const WhiteningRule& rule) { walk(row, count, rule); }

#ifdef TINTABORRA_HAS_X86_LOOPS

#define TINTABORRA_AVX512 __attribute__((target("avx512f,avx512bw")))
#define TINTABORRA_AVX2 __attribute__((target("avx2")))

bool HasAvx512() { return platform::HasAvx512(); }
bool HasAvx2() { return platform::HasAvx2(); }

namespace {

// A pixel in memory is the bytes blue, green, red, alpha (QRgb 0xAARRGGBB);
// the rules' colour puts red in its lowest byte, so each lane's channel
// constants below are laid out blue | green << 8 | red << 16. The alpha byte
// is never looked at and every pixel written has alpha 255, as ToQRgb gives.
constexpr std::uint32_t Alpha = 0xFF000000u, Channels = 0x00FFFFFFu;

std::uint32_t lane(std::uint32_t blue, std::uint32_t green, std::uint32_t red) {
  return blue | green << 8 | red << 16;
}

// Sixteen pixels at a time, the last few under a mask.
template <class Lanes>
TINTABORRA_AVX512 inline void walk16(QRgb* row, std::ptrdiff_t count, const Lanes& lanes) {
  std::ptrdiff_t i = 0;
  for (; i + 16 <= count; i += 16) _mm512_storeu_si512(row + i, lanes(_mm512_loadu_si512(row + i)));
  if (i < count) {
    const auto last = static_cast<__mmask16>((1u << (count - i)) - 1);
    _mm512_mask_storeu_epi32(row + i, last, lanes(_mm512_maskz_loadu_epi32(last, row + i)));
  }
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

// What every lane of the removal compares with and writes: the target's
// byte ranges and the replacement pixel.
struct RemovalConstants {
  std::int32_t lo, hi, replacement;
  explicit RemovalConstants(const RemovalRule& rule) {
    const ByteRange r(rule.red()), g(rule.green()), b(rule.blue());
    lo = std::int32_t(lane(b.lo, g.lo, r.lo));
    hi = std::int32_t(lane(b.hi, g.hi, r.hi));
    replacement = std::int32_t(platform::ToQRgb(rule.replacement()));
  }
};

// What every lane of the grey-type rule compares with. With a tolerance of 0
// or less no pixel is grey: a threshold no mean reaches gives the same
// whites. Otherwise a channel x is within the tolerance D of the mean m when
// |x - m| - (D - 1), saturated at 0, is 0; a D above 255 lets every byte
// through, like a slack of 255.
struct GreyTypeConstants {
  std::int32_t highestDarkMean;
  char slack;
  explicit GreyTypeConstants(const GreyTypeRule& rule)
      : highestDarkMean(rule.tolerance() > 0 ? rule.highestDarkMean() : -1),
        slack(static_cast<char>(std::clamp(rule.tolerance() - 1, 0, 255))) {}
};

struct RemovalLanes {
  __m512i lo, hi, replacement;
  TINTABORRA_AVX512 explicit RemovalLanes(const RemovalRule& rule) {
    const RemovalConstants c(rule);
    lo = _mm512_set1_epi32(c.lo);
    hi = _mm512_set1_epi32(c.hi);
    replacement = _mm512_set1_epi32(c.replacement);
  }
  TINTABORRA_AVX512 __m512i operator()(__m512i p) const {
    // Every use below is of kept, whose alpha byte is never looked at: the
    // pixels are read from memory once, and a loop that reads each several
    // times (as memory operands) has fewer lines in flight.
    const __m512i kept = _mm512_or_si512(p, _mm512_set1_epi32(std::int32_t(Alpha)));
    // A byte x lies in [lo, hi] when lo - x and x - hi both saturate to 0.
    const __m512i outside = _mm512_or_si512(_mm512_subs_epu8(lo, kept), _mm512_subs_epu8(kept, hi));
    const __mmask16 near = _mm512_testn_epi32_mask(outside, _mm512_set1_epi32(std::int32_t(Channels)));
    const __mmask16 white = _mm512_cmpeq_epi32_mask(kept, _mm512_set1_epi32(-1));
    return _mm512_mask_blend_epi32(_kandn_mask16(white, near), kept, replacement);
  }
};

struct GreyTypeLanes {
  __m512i highestDarkMean, slack;
  TINTABORRA_AVX512 explicit GreyTypeLanes(const GreyTypeRule& rule) {
    const GreyTypeConstants c(rule);
    highestDarkMean = _mm512_set1_epi32(c.highestDarkMean);
    slack = _mm512_set1_epi8(c.slack);
  }
  TINTABORRA_AVX512 __m512i operator()(__m512i p) const {
    // Read once, as kept, like the removal's pixels.
    const __m512i alpha = _mm512_set1_epi32(std::int32_t(Alpha)), white = _mm512_set1_epi32(-1);
    const __m512i kept = _mm512_or_si512(p, alpha);
    // red + green + blue in each lane, then its third: for every n below
    // 2^15, n \ 3 = (n * 0x5556) >> 16, and the sum is at most 765. The
    // sum's upper half is 0 and so is its product.
    const __m512i pairs = _mm512_maddubs_epi16(kept, _mm512_set1_epi32(0x00010101));
    const __m512i sum = _mm512_madd_epi16(pairs, _mm512_set1_epi16(1));
    const __m512i mean = _mm512_mulhi_epu16(sum, _mm512_set1_epi32(0x5556));
    // The mean copied into the lane's three channel bytes, alpha's left 0.
    const __m512i spread = _mm512_set4_epi32(int(0x800C0C0C), int(0x80080808), int(0x80040404), int(0x80000000));
    const __m512i means = _mm512_shuffle_epi8(mean, spread);
    const __m512i distance = _mm512_or_si512(_mm512_subs_epu8(kept, means), _mm512_subs_epu8(means, kept));
    const __mmask16 grey =
        _mm512_testn_epi32_mask(_mm512_subs_epu8(distance, slack), _mm512_set1_epi32(std::int32_t(Channels)));
    const __mmask16 dark = _mm512_cmple_epi32_mask(mean, highestDarkMean);
    // Pure black stays black, pure white stays white.
    const __mmask16 isBlack = _mm512_cmpeq_epi32_mask(kept, alpha);
    const __mmask16 isWhite = _mm512_cmpeq_epi32_mask(kept, white);
    const __mmask16 toBlack = _kor_mask16(isBlack, _kandn_mask16(isWhite, _kand_mask16(dark, grey)));
    return _mm512_mask_blend_epi32(toBlack, white, alpha);
  }
};

struct WhiteningLanes {
  TINTABORRA_AVX512 __m512i operator()(__m512i p) const {
    const __m512i alpha = _mm512_set1_epi32(std::int32_t(Alpha));
    const __mmask16 isBlack = _mm512_testn_epi32_mask(p, _mm512_set1_epi32(std::int32_t(Channels)));
    return _mm512_mask_blend_epi32(isBlack, _mm512_set1_epi32(-1), alpha);
  }
};

// The same for AVX2, eight pixels at a time: the masks become lanes of all
// ones or all zeros, and the choices byte blends.
template <class Lanes>
TINTABORRA_AVX2 inline void walk8(QRgb* row, std::ptrdiff_t count, const Lanes& lanes) {
  std::ptrdiff_t i = 0;
  for (; i + 8 <= count; i += 8) {
    auto* at = reinterpret_cast<__m256i*>(row + i);
    _mm256_storeu_si256(at, lanes(_mm256_loadu_si256(at)));
  }
  if (i < count) {
    const __m256i last = _mm256_cmpgt_epi32(_mm256_set1_epi32(int(count - i)), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    auto* at = reinterpret_cast<int*>(row + i);
    _mm256_maskstore_epi32(at, last, lanes(_mm256_maskload_epi32(at, last)));
  }
}

// Lanes whose three channel bytes in v are all 0.
TINTABORRA_AVX2 inline __m256i channelsZero(__m256i v) {
  return _mm256_cmpeq_epi32(_mm256_and_si256(v, _mm256_set1_epi32(std::int32_t(Channels))), _mm256_setzero_si256());
}

struct RemovalLanes8 {
  __m256i lo, hi, replacement;
  TINTABORRA_AVX2 explicit RemovalLanes8(const RemovalRule& rule) {
    const RemovalConstants c(rule);
    lo = _mm256_set1_epi32(c.lo);
    hi = _mm256_set1_epi32(c.hi);
    replacement = _mm256_set1_epi32(c.replacement);
  }
  TINTABORRA_AVX2 __m256i operator()(__m256i p) const {
    const __m256i kept = _mm256_or_si256(p, _mm256_set1_epi32(std::int32_t(Alpha)));
    const __m256i near = channelsZero(_mm256_or_si256(_mm256_subs_epu8(lo, kept), _mm256_subs_epu8(kept, hi)));
    const __m256i white = _mm256_cmpeq_epi32(kept, _mm256_set1_epi32(-1));
    return _mm256_blendv_epi8(kept, replacement, _mm256_andnot_si256(white, near));
  }
};

struct GreyTypeLanes8 {
  __m256i highestDarkMean, slack;
  TINTABORRA_AVX2 explicit GreyTypeLanes8(const GreyTypeRule& rule) {
    const GreyTypeConstants c(rule);
    highestDarkMean = _mm256_set1_epi32(c.highestDarkMean);
    slack = _mm256_set1_epi8(c.slack);
  }
  TINTABORRA_AVX2 __m256i operator()(__m256i p) const {
    const __m256i alpha = _mm256_set1_epi32(std::int32_t(Alpha)), white = _mm256_set1_epi32(-1);
    const __m256i kept = _mm256_or_si256(p, alpha);
    const __m256i pairs = _mm256_maddubs_epi16(kept, _mm256_set1_epi32(0x00010101));
    const __m256i sum = _mm256_madd_epi16(pairs, _mm256_set1_epi16(1));
    const __m256i mean = _mm256_mulhi_epu16(sum, _mm256_set1_epi32(0x5556));
    const __m256i spread = _mm256_setr_epi32(int(0x80000000), int(0x80040404), int(0x80080808), int(0x800C0C0C),
                                             int(0x80000000), int(0x80040404), int(0x80080808), int(0x800C0C0C));
    const __m256i means = _mm256_shuffle_epi8(mean, spread);
    const __m256i distance = _mm256_or_si256(_mm256_subs_epu8(kept, means), _mm256_subs_epu8(means, kept));
    const __m256i grey = channelsZero(_mm256_subs_epu8(distance, slack));
    const __m256i light = _mm256_cmpgt_epi32(mean, highestDarkMean);
    const __m256i isBlack = _mm256_cmpeq_epi32(kept, alpha);
    const __m256i isWhite = _mm256_cmpeq_epi32(kept, white);
    const __m256i toBlack = _mm256_or_si256(isBlack, _mm256_andnot_si256(_mm256_or_si256(isWhite, light), grey));
    return _mm256_blendv_epi8(white, alpha, toBlack);
  }
};

struct WhiteningLanes8 {
  TINTABORRA_AVX2 __m256i operator()(__m256i p) const {
    return _mm256_or_si256(_mm256_set1_epi32(std::int32_t(Alpha)),
                           _mm256_andnot_si256(channelsZero(p), _mm256_set1_epi32(std::int32_t(Channels))));
  }
};

}  // namespace

TINTABORRA_AVX512 void WalkRowAvx512(QRgb* row, std::ptrdiff_t count, const RemovalRule& rule) {
  walk16(row, count, RemovalLanes(rule));
}
TINTABORRA_AVX512 void WalkRowAvx512(QRgb* row, std::ptrdiff_t count, const GreyTypeRule& rule) {
  walk16(row, count, GreyTypeLanes(rule));
}
TINTABORRA_AVX512 void WalkRowAvx512(QRgb* row, std::ptrdiff_t count, const WhiteningRule&) {
  walk16(row, count, WhiteningLanes());
}

TINTABORRA_AVX2 void WalkRowAvx2(QRgb* row, std::ptrdiff_t count, const RemovalRule& rule) {
  walk8(row, count, RemovalLanes8(rule));
}
TINTABORRA_AVX2 void WalkRowAvx2(QRgb* row, std::ptrdiff_t count, const GreyTypeRule& rule) {
  walk8(row, count, GreyTypeLanes8(rule));
}
TINTABORRA_AVX2 void WalkRowAvx2(QRgb* row, std::ptrdiff_t count, const WhiteningRule&) {
  walk8(row, count, WhiteningLanes8());
}

#else

bool HasAvx512() { return false; }
bool HasAvx2() { return false; }
void WalkRowAvx512(QRgb* row, std::ptrdiff_t count, const RemovalRule& rule) { WalkRowPortable(row, count, rule); }
void WalkRowAvx512(QRgb* row, std::ptrdiff_t count, const GreyTypeRule& rule) { WalkRowPortable(row, count, rule); }
void WalkRowAvx512(QRgb* row, std::ptrdiff_t count, const WhiteningRule& rule) { WalkRowPortable(row, count, rule); }
void WalkRowAvx2(QRgb* row, std::ptrdiff_t count, const RemovalRule& rule) { WalkRowPortable(row, count, rule); }
void WalkRowAvx2(QRgb* row, std::ptrdiff_t count, const GreyTypeRule& rule) { WalkRowPortable(row, count, rule); }
void WalkRowAvx2(QRgb* row, std::ptrdiff_t count, const WhiteningRule& rule) { WalkRowPortable(row, count, rule); }

#endif

}  // namespace kernels

namespace {

template <class Rule>
void walkFastest(QRgb* row, std::ptrdiff_t count, const Rule& rule) {
  if (kernels::HasAvx512()) return kernels::WalkRowAvx512(row, count, rule);
  if (kernels::HasAvx2()) return kernels::WalkRowAvx2(row, count, rule);
  kernels::WalkRowPortable(row, count, rule);
}

}  // namespace

void WalkRow(QRgb* row, std::ptrdiff_t count, const RemovalRule& rule) { walkFastest(row, count, rule); }
void WalkRow(QRgb* row, std::ptrdiff_t count, const GreyTypeRule& rule) { walkFastest(row, count, rule); }
void WalkRow(QRgb* row, std::ptrdiff_t count, const WhiteningRule& rule) { walkFastest(row, count, rule); }

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
            if (bpl == width * 4)
              return WalkRow(reinterpret_cast<QRgb*>(bits + top * bpl), rows * width, rule);
            for (std::ptrdiff_t y = top; y < top + rows; ++y) WalkRow(reinterpret_cast<QRgb*>(bits + y * bpl), width, rule);
          },
          step);
  }
}

}  // namespace filters

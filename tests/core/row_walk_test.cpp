// The row walk, built for every instruction set this processor runs, against
// its rule called pixel by pixel, over every colour there is: for each of the
// settings below, the 2^24 colours (with varied alpha, which the rules ignore)
// are walked in runs whose ends fall at every place within a vector, and each
// pixel must come out as ToQRgb(rule(FromQRgb(pixel))).
#include "core/row_walk.h"
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
};

const Setting WhiteningSettings[] = {{"whitening", WhiteningRule()}};

QRgb expected(const RowStep& step, QRgb pixel) {
  return std::visit([&](const auto& rule) { return platform::ToQRgb(rule(platform::FromQRgb(pixel))); }, step);
}

// Every instruction set the walk was built for that this processor runs, by
// name, then the one WalkRow picks itself (0).
std::vector<std::pair<std::int64_t, std::string>> instructionSets() {
  std::vector<std::pair<std::int64_t, std::string>> sets;
  for (const std::int64_t target : kernels::Targets()) sets.emplace_back(target, kernels::TargetName(target));
  sets.emplace_back(0, "the best");
  return sets;
}

// Walks every colour with WalkRow on each instruction set. A chunk's first
// runs are 1, 2, ... 33 pixels long, each followed by a pixel left out that
// must stay as it was, and the last run is the rest: each loop's ends and
// tails fall everywhere, and a loop that writes past its end is caught.
void expectEveryColourAsTheRule(const Setting& setting) {
  constexpr std::ptrdiff_t Longest = 33;
  const auto walk = [&](QRgb* row, std::ptrdiff_t n) {
    std::visit([&](const auto& rule) { WalkRow(row, n, rule); }, setting.rule);
  };
  std::vector<QRgb> input(Chunk), want(Chunk), got(Chunk);
  for (std::uint32_t first = 0; first < Colours; first += Chunk) {
    for (std::uint32_t i = 0; i < Chunk; ++i) {
      const std::uint32_t colour = first + i;
      input[i] = colour | (colour * 2654435761u) << 24;
      want[i] = expected(setting.rule, input[i]);
    }
    std::ptrdiff_t rest = 0;
    for (std::ptrdiff_t length = 1; length <= Longest; ++length) {
      rest += length;
      want[rest] = input[rest];
      ++rest;
    }
    for (const auto& [target, name] : instructionSets()) {
      kernels::UseOnly(target);
      got = input;
      std::ptrdiff_t at = 0;
      for (std::ptrdiff_t length = 1; length <= Longest; at += length + 1, ++length) walk(got.data() + at, length);
      walk(got.data() + at, std::ptrdiff_t(Chunk) - at);
      kernels::UseOnly(0);
      for (std::uint32_t i = 0; i < Chunk; ++i)
        if (got[i] != want[i]) {
          ADD_FAILURE() << setting.name << ", " << name << ": pixel " << std::hex << input[i] << " gave " << got[i]
                        << ", expected " << want[i];
          return;
        }
    }
  }
}

}  // namespace

TEST(RowWalk, GreyTypeLoopsGiveTheRulesPixelsForEveryColour) {
  for (const Setting& s : GreyTypeSettings) expectEveryColourAsTheRule(s);
}

TEST(RowWalk, RemovalLoopsGiveTheRulesPixelsForEveryColour) {
  for (const Setting& s : RemovalSettings) expectEveryColourAsTheRule(s);
}

TEST(RowWalk, WhiteningLoopsGiveTheRulesPixelsForEveryColour) {
  for (const Setting& s : WhiteningSettings) expectEveryColourAsTheRule(s);
}

// The loops built for an instruction set this processor lacks go unchecked
// here: the run says so rather than passing in silence.
TEST(RowWalk, EveryInstructionSetItWasBuiltForIsCheckedOnThisProcessor) {
  const std::vector<std::int64_t> runs = kernels::Targets();
  std::string unchecked;
  for (const std::int64_t target : kernels::BuiltTargets())
    if (std::find(runs.begin(), runs.end(), target) == runs.end())
      unchecked += std::string(unchecked.empty() ? "" : ", ") + kernels::TargetName(target);
  if (!unchecked.empty()) GTEST_SKIP() << "this processor does not run " << unchecked << "; those loops are unchecked";
}

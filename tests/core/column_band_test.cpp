#include "core/column_band.h"
#include "core/row_kernels.h"

#include <gtest/gtest.h>

#include <vector>

using namespace platform;

namespace {
// The exchange on one instruction set while it lives, then on the best again.
struct OnlyInstructionSet {
  explicit OnlyInstructionSet(std::int64_t target) { filters::kernels::UseOnly(target); }
  ~OnlyInstructionSet() { filters::kernels::UseOnly(0); }
  OnlyInstructionSet(const OnlyInstructionSet&) = delete;
  OnlyInstructionSet& operator=(const OnlyInstructionSet&) = delete;
};
}  // namespace

// Taking columns out and putting some of them back, beside the plain
// definitions, on sizes that fill the eight-by-eight blocks and sizes that
// leave parts of them, with and without padding at the ends of the lines, on
// every instruction set this processor runs.
TEST(ColumnBand, TakesAndPutsBackExactlyTheColumnsAsked) {
  const struct {
    std::size_t width, rows, padding, x0, columns, first, last;
  } cases[] = {{1, 1, 0, 0, 1, 0, 0},     {16, 16, 0, 0, 16, 0, 15}, {16, 16, 0, 8, 8, 3, 3},
               {37, 23, 3, 5, 29, 0, 28}, {37, 23, 1, 0, 37, 9, 17}, {300, 9, 0, 44, 256, 250, 255},
               {9, 70, 2, 1, 8, 1, 7}};
  for (const auto& c : cases)
    for (const std::int64_t target : filters::kernels::Targets()) {
      const OnlyInstructionSet only(target);
      SCOPED_TRACE(testing::Message() << c.width << "x" << c.rows << " from " << c.x0 << " on "
                                      << filters::kernels::TargetName(target));
      const std::size_t stride = c.width + c.padding;
      std::vector<QRgb> image(stride * c.rows);
      for (std::size_t i = 0; i < image.size(); ++i) image[i] = QRgb(i * 2654435761u);
      const auto* bits = reinterpret_cast<uchar*>(image.data());
      const std::ptrdiff_t bpl = std::ptrdiff_t(stride * sizeof(QRgb));

      std::vector<QRgb> band(c.columns * c.rows);
      TakeColumns(bits, bpl, std::ptrdiff_t(c.x0), c.columns, c.rows, band.data());
      for (std::size_t col = 0; col < c.columns; ++col)
        for (std::size_t y = 0; y < c.rows; ++y)
          ASSERT_EQ(band[col * c.rows + y], image[y * stride + c.x0 + col]) << col << "," << y;

      std::vector<QRgb> expected = image;
      for (QRgb& p : band) p = ~p;
      for (std::size_t col = c.first; col <= c.last; ++col)
        for (std::size_t y = 0; y < c.rows; ++y) expected[y * stride + c.x0 + col] = band[col * c.rows + y];
      PutColumns(band.data(), c.rows, c.first, c.last, reinterpret_cast<uchar*>(image.data()), bpl,
                 std::ptrdiff_t(c.x0));
      EXPECT_EQ(image, expected);
    }
}

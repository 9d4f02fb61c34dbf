#include "files/tiff_codec.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "files_test_support.h"
#include "support/temp_dir.h"

namespace nvk::files {
namespace {

// Samples whose two bytes differ, so that a byte order or a row mixed up shows.
std::vector<std::uint16_t> samplesOf(std::size_t count, unsigned seed) {
  std::vector<std::uint16_t> v(count);
  std::uint32_t x = 2463534242u + seed;
  for (auto& s : v) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    s = static_cast<std::uint16_t>(x);
  }
  return v;
}

// The file as the TIFF layout describes it, a sample at a time: the header, then each file row
// (grey: image row r; 16-bit colour: rendering row n - 1 - r, red, green, blue) low byte first,
// then the colour files' three bits-per-sample values.
std::vector<std::uint8_t> referenceFile(const TiffLayout& t, const std::vector<std::uint16_t>& raw,
                                        const std::array<std::vector<std::uint16_t>, 3>& rgb) {
  std::vector<std::uint8_t> out = tiffHeader(t);
  const auto put = [&out](std::uint16_t v, bool sixteen) {
    if (sixteen) out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  for (int r = 0; r < t.strips * t.rowsPerStrip; ++r) {
    for (int x = 0; x < t.width; ++x) {
      if (!t.colour) {
        put(raw[static_cast<std::size_t>(r) * t.width + x], t.sixteenBit);
        continue;
      }
      for (const auto& plane : rgb)
        put(plane[static_cast<std::size_t>(t.rows - 1 - r) * t.width + x], true);
    }
  }
  for (int k = 0; t.colour && k < 3; ++k) {
    out.push_back(t.sixteenBit ? 16 : 8);
    out.push_back(0);
  }
  return out;
}

// The writer against the plain encoding on small and odd shapes, a partial last strip (whose
// rows the file leaves out) included.
TEST(TiffWriter, MatchesThePlainEncodingOnOddSizes) {
  const struct Case {
    int width, rows, rowsPerStrip;
    bool colour, sixteenBit;
  } cases[] = {
      {1, 1, 1, false, true},   {7, 5, 5, false, true},   {37, 9, 3, false, true},
      {33, 7, 3, false, true},  {5, 4, 2, true, true},    {37, 7, 3, true, true},
      {3041, 3, 1, true, true}, {37, 9, 3, false, false}, {33, 7, 3, false, false},
  };
  const test::TempDir root;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.width << " x " << c.rows << " / " << c.rowsPerStrip
                 << (c.colour ? " colour" : " grey") << (c.sixteenBit ? " 16" : " 8"));
    const TiffLayout t = tiffLayout(c.width, c.rows, c.rowsPerStrip, c.colour, c.sixteenBit);
    const std::size_t count = static_cast<std::size_t>(c.width) * c.rows;
    const auto raw = samplesOf(count, 1);
    const std::array<std::vector<std::uint16_t>, 3> rgb{samplesOf(count, 2), samplesOf(count, 3),
                                                        samplesOf(count, 4)};
    TiffPlanes planes;
    planes.height = c.rows;
    planes.raw = raw.data();
    planes.rendered = {rgb[0].data(), rgb[1].data(), rgb[2].data()};
    const auto path = root / "odd.tif";
    ASSERT_EQ(writeTiffImage(path, t, planes, TiffColourLook{}), SaveResult::Saved);
    EXPECT_EQ(test::readBytes(path), referenceFile(t, raw, rgb));
  }
}

}  // namespace
}  // namespace nvk::files

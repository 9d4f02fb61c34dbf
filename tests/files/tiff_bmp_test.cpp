#include <gtest/gtest.h>

#include <cstring>

#include "files/bmp_file.h"
#include "files/rgb_render.h"
#include "files/tiff_file.h"
#include "files_test_support.h"
#include "support/program_fixture.h"

namespace nvk::files {
namespace {

using test::makeImage;
using test::readBytes;

std::uint32_t u16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8);
}
std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return u16(b, at) | u16(b, at + 2) << 16;
}

class TiffTest : public ::testing::Test, protected test::ProgramFixture {};

// The directory of a binned grey 8-bit file, written out entry by entry by hand.
TEST(TiffLayoutBytes, BinnedGreyEightBitDirectory) {
  const auto h = tiffHeader(tiffLayoutFor(true, false, false));
  ASSERT_EQ(h.size(), 226u);
  const std::vector<std::uint8_t> start = {0x49, 0x49, 42, 0, 8, 0, 0, 0, 13, 0};
  EXPECT_EQ(std::vector<std::uint8_t>(h.begin(), h.begin() + 10), start);
  const std::uint32_t entries[13][4] = {
      {254, 4, 1, 0},   {256, 3, 1, 1520}, {257, 3, 1, 1010}, {258, 3, 1, 8},   {259, 3, 1, 1},
      {262, 3, 1, 1},   {273, 4, 5, 186},  {277, 3, 1, 1},    {278, 4, 1, 202}, {279, 4, 5, 206},
      {282, 5, 1, 170}, {283, 5, 1, 178},  {296, 3, 1, 3},
  };
  for (int i = 0; i < 13; ++i) {
    const std::size_t at = 10 + 12 * static_cast<std::size_t>(i);
    EXPECT_EQ(u16(h, at), entries[i][0]) << i;
    EXPECT_EQ(u16(h, at + 2), entries[i][1]) << i;
    EXPECT_EQ(u32(h, at + 4), entries[i][2]) << i;
    EXPECT_EQ(u32(h, at + 8), entries[i][3]) << i;
  }
  // No next directory; the resolutions 510/6 and 256/4.
  EXPECT_EQ(
      (std::vector<std::uint32_t>{u32(h, 166), u32(h, 170), u32(h, 174), u32(h, 178), u32(h, 182)}),
      (std::vector<std::uint32_t>{0, 510, 6, 256, 4}));
  for (std::uint32_t k = 0; k < 5; ++k) {
    EXPECT_EQ(u32(h, 186 + 4 * k), 226 + k * 307'040);
    EXPECT_EQ(u32(h, 206 + 4 * k), 307'040u);
  }
}

TEST(TiffLayoutBytes, StripsOfEveryKind) {
  struct Case {
    bool binned, colour, sixteen;
    int strips, rowsPerStrip;
    std::uint32_t dataOffset, stripBytes, dataBytes;
  };
  const Case cases[] = {
      {true, false, false, 5, 202, 226, 307'040, 1'535'200},
      {true, false, true, 5, 202, 226, 614'080, 3'070'400},
      {false, false, false, 10, 202, 266, 614'080, 6'140'800},
      {false, false, true, 10, 202, 266, 1'228'160, 12'281'600},
      {true, true, false, 10, 101, 266, 460'560, 4'605'600},
      {false, true, true, 20, 101, 346, 1'842'240, 36'844'800},
  };
  for (const auto& c : cases) {
    const auto t = tiffLayoutFor(c.binned, c.colour, c.sixteen);
    EXPECT_EQ(t.strips, c.strips);
    EXPECT_EQ(t.rowsPerStrip, c.rowsPerStrip);
    EXPECT_EQ(t.dataOffset, c.dataOffset);
    EXPECT_EQ(t.stripBytes, c.stripBytes);
    EXPECT_EQ(t.dataBytes, c.dataBytes);
    const auto h = tiffHeader(t);
    EXPECT_EQ(h.size(), c.dataOffset);
    EXPECT_EQ(u32(h, 10 + 12 * 9 + 8), 186u + 4 * c.strips);  // StripByteCounts offset
    if (c.colour) {
      // BitsPerSample: three values right after the pixel data.
      EXPECT_EQ(u32(h, 10 + 12 * 3 + 4), 3u);
      EXPECT_EQ(u32(h, 10 + 12 * 3 + 8), c.dataOffset + c.dataBytes);
    }
  }
}

// The pixel rows of every kind (grey from image row 0, colour from row 2 upright, red green
// blue) are read back through libtiff in the interop tests.

TEST(RgbRender8, EightBitRenderingDividesBy256AndClamps) {
  // s = 2 (saturation 3): red factor 1 -> 1.2 x 1001 = 1201.2 / 256 = 4; blue 0.5 -> 700.7 / 256
  // = 2; green 0 -> 200.2 / 256 = 0.
  const auto p = renderRgb8Pixel(1001, 200, 100, 0, 3);
  EXPECT_EQ(p.red, 4);
  EXPECT_EQ(p.blue, 2);
  EXPECT_EQ(p.green, 0);
  // From 65534 up the factors are 1 and 1.2 x raw clamps to 255.
  const auto q = renderRgb8Pixel(65534, 100, 0, 0, 3);
  EXPECT_EQ(q.red, 255);
  EXPECT_EQ(q.green, 255);
  EXPECT_EQ(q.blue, 255);
  // 65533 still takes the colour factors: green and blue go to 0.2 x 65533 / 256 = 51.
  const auto r = renderRgb8Pixel(65533, 100, 0, 0, 3);
  EXPECT_EQ(r.red, 255);
  EXPECT_EQ(r.green, 51);
}

// With the display stretch on, an 8-bit colour TIFF shows its colours as bright as the display:
// the raw sample's high byte goes through the display's curve before the colour factors.
TEST_F(TiffTest, DisplayStretchTonesTheEightBitColourRendering) {
  makeImage(program, true, true, 5);
  program.settings.tiff16Bit = false;
  program.displayOptions.stretchPower = 25.0;
  // File row 0 is image row 2 of a binned colour image; its pixel 7 is grey (equal planes).
  const std::size_t i = 2 * 1520 + 7;
  program.planes.RawImage[i] = 0x1000;
  for (int k = 0; k < 3; ++k)
    program.planes.ColourImage[k][i] = 100;
  const auto t = tiffLayoutFor(true, true, false);
  const std::size_t at = t.dataOffset + 7 * 3;

  // Off: 1.2 x 4096 / 256 = 19.2.
  EXPECT_FALSE(displayToneCurve(program).has_value());
  ASSERT_EQ(writeTiffFile(program, root / "plain.tif"), SaveResult::Saved);
  const auto plain = readBytes(root / "plain.tif");
  EXPECT_EQ(plain[at], 19);

  // On, power 25: byte 16 shows at 255 x 25 x (16/255) / ((16/255) x 24 + 1) = 159.6 -> 159;
  // the sample becomes 159 x 256 = 40704 and 1.2 x 40704 / 256 = 190.8.
  program.displayOptions.maxStretch = true;
  ASSERT_EQ(writeTiffFile(program, root / "toned.tif"), SaveResult::Saved);
  const auto toned = readBytes(root / "toned.tif");
  EXPECT_EQ(toned[at], 190);
  EXPECT_EQ(toned[at + 1], 190);
  EXPECT_EQ(toned[at + 2], 190);
}

TEST_F(TiffTest, FailedTiffKeepsThePreviousFile) {
  makeImage(program, true, false);
  test::writeBytes(root / "t.tif", "previous");
  EXPECT_EQ(saveTiffFile(program, root / "t.tif", DiskSpace{300}), SaveResult::WriteFailed);
  EXPECT_EQ(
      ui.messageTexts(),
      std::vector<std::string>{"Unable to create file, check disk space\nNo space left on device"});
  const auto kept = readBytes(root / "t.tif");
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "previous");
}

TEST(BitmapHeader, FileAndInformationHeaderFieldByField) {
  const auto h = bitmapHeader(760, 506, greyPalette());
  ASSERT_EQ(h.size(), 1078u);
  EXPECT_EQ(h[0], 'B');
  EXPECT_EQ(h[1], 'M');
  // {offset, size, value}: file size, reserved, data offset, header size, width, height,
  // planes, bits, no compression, image size.
  const std::uint32_t fields[][3] = {{2, 4, 1078 + 760 * 506},
                                     {6, 4, 0},
                                     {10, 4, 1078},
                                     {14, 4, 40},
                                     {18, 4, 760},
                                     {22, 4, 506},
                                     {26, 2, 1},
                                     {28, 2, 8},
                                     {30, 4, 0},
                                     {34, 4, 760 * 506}};
  for (const auto& f : fields)
    EXPECT_EQ(f[1] == 2 ? u16(h, f[0]) : u32(h, f[0]), f[2]) << "offset " << f[0];
  // Palette entries as blue, green, red, 0.
  EXPECT_EQ(std::vector<std::uint8_t>(h.begin() + 54 + 4 * 200, h.begin() + 58 + 4 * 200),
            (std::vector<std::uint8_t>{200, 200, 200, 0}));
  const auto f = bitmapHeader(128, 128, falseColourPalette());
  EXPECT_EQ(std::vector<std::uint8_t>(f.begin() + 54 + 4 * 100, f.begin() + 58 + 4 * 100),
            (std::vector<std::uint8_t>{62, 39, 100, 0}));
}

TEST(BitmapPalettes, GreyFalseColourAndStretched) {
  const auto grey = greyPalette();
  EXPECT_EQ(grey[0], (image::DisplayImage::Rgb{0, 0, 0}));
  EXPECT_EQ(grey[255], (image::DisplayImage::Rgb{255, 255, 255}));
  const auto fc = falseColourPalette();
  // c = 0: blue 255 - 0 - 65025 / 256 = 1; c = 100: green 10000 / 256 = 39, blue 155 - 24025 /
  // 256 = 62; c = 240: 240, 225, 15 - 0; above 240 grey.
  EXPECT_EQ(fc[0], (image::DisplayImage::Rgb{0, 0, 1}));
  EXPECT_EQ(fc[100], (image::DisplayImage::Rgb{100, 39, 62}));
  EXPECT_EQ(fc[240], (image::DisplayImage::Rgb{240, 225, 15}));
  EXPECT_EQ(fc[241], (image::DisplayImage::Rgb{241, 241, 241}));
  const auto st = stretchedPalette(10);
  EXPECT_EQ(st[9].r, 0);
  EXPECT_EQ(st[10].r, 0);
  EXPECT_EQ(st[11].r, 48);    // 1^0.3 x 255^0.7 = 48.37
  EXPECT_EQ(st[12].r, 59);    // 2^0.3 x 48.37 = 59.5
  EXPECT_EQ(st[255].r, 251);  // 245^0.3 x 48.37
  EXPECT_EQ(stretchedPalette(0)[255].r, 255);
}

class BitmapTest : public ::testing::Test, protected test::ProgramFixture {};

TEST_F(BitmapTest, BitmapsRoundTripBottomRowFirstWithPaddedRows) {
  for (int width : {128, 5}) {
    Bitmap bm;
    bm.width = width;
    bm.height = 3;
    bm.palette = falseColourPalette();
    for (int i = 0; i < width * 3; ++i)
      bm.pixels.push_back(static_cast<std::uint8_t>(i * 7));
    const auto path = focusBitmapPath(program);
    ASSERT_TRUE(saveBitmapFile(program, path, bm));
    const auto b = readBytes(path);
    const std::size_t stride = (static_cast<std::size_t>(width) + 3) / 4 * 4;
    ASSERT_EQ(b.size(), 1078 + 3 * stride);
    EXPECT_EQ(b[1078], bm.pixels[static_cast<std::size_t>(2 * width)]);  // bottom row first
    const auto back = loadBitmapFile(program, path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixels, bm.pixels);
    EXPECT_EQ(back->palette, bm.palette);
  }
  EXPECT_TRUE(ui.messageTexts().empty());
}

TEST_F(BitmapTest, BitmapLargerThanAFullFrameIsRefused) {
  // A header claiming 65536 x 65536 had its 4 GiB allocated before a row was read: a sparse
  // file of that length ended the program with bad_alloc.
  struct Claim {
    int width, height;
    bool wholeFile;  // the file is as long as the header claims (sparse where large)
  };
  for (const Claim& c : {Claim{3041, 1, true}, Claim{4, 2025, true}, Claim{3040, 2024, false},
                         Claim{65536, 65536, true}}) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    const auto path = root / "claim.bmp";
    const auto header = bitmapHeader(c.width, c.height, greyPalette());
    test::writeBytes(path, std::string(header.begin(), header.end()));
    const std::uint64_t rows = (static_cast<std::uint64_t>(c.width) + 3) / 4 * 4 * c.height;
    std::filesystem::resize_file(path, 1078 + rows - (c.wholeFile ? 0 : 1));
    // Stops at the first acceptance, before a larger claim is tried.
    ASSERT_FALSE(readBitmapFile(path));
  }
  const auto path = root / "full.bmp";
  const auto header = bitmapHeader(3040, 2024, greyPalette());
  test::writeBytes(path, std::string(header.begin(), header.end()));
  std::filesystem::resize_file(path, 1078 + 3040 * 2024);
  EXPECT_TRUE(readBitmapFile(path));  // the largest the program writes
}

TEST_F(BitmapTest, EachFailureHasItsMessage) {
  Bitmap bm;
  bm.width = 128;
  bm.height = 128;
  bm.pixels.assign(128 * 128, 1);
  // A missing autosave folder is created.
  EXPECT_TRUE(saveBitmapFile(program, root / "missing" / "dir" / "x.bmp", bm));
  EXPECT_TRUE(ui.messageTexts().empty());
  test::writeBytes(root / "blocker", "file");
  EXPECT_FALSE(saveBitmapFile(program, root / "blocker" / "x.bmp", bm));
  EXPECT_FALSE(saveBitmapFile(program, displayBitmapPath(program), bm, DiskSpace{100}));
  EXPECT_FALSE(saveBitmapFile(program, displayBitmapPath(program), bm, DiskSpace{2000}));
  EXPECT_FALSE(loadBitmapFile(program, root / "nothing.bmp"));
  EXPECT_EQ(
      ui.messageTexts(),
      (std::vector<std::string>{"Failed to create temp bitmap\nNot a directory",
                                "Unable to create temp bitmap file header\nNo space left on device",
                                "Unable to create temp bitmap file\nNo space left on device",
                                "Cannot open bitmap file"}));
}

}  // namespace
}  // namespace nvk::files

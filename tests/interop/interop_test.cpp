// Outside software reads what we write: cfitsio and fitsverify the FITS files, libtiff the TIFF
// files, Qt's image reader the bitmaps.
#include <fitsio.h>
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "files/bmp_file.h"
#include "files/fits_file.h"
#include "files/raw_file.h"
#include "files/rgb_render.h"
#include "files/tiff_file.h"
#include "image/bayer_pattern.h"
#include "support/program_fixture.h"

#ifdef NVK_INTEROP_QT
#include <QImage>
#include <QString>
#endif

namespace nvk::files {
namespace {

void fillImage(app::Program& program, bool binned, bool colour, std::uint32_t seed) {
  program.state.binned = binned;
  program.state.colourConverted = colour;
  program.applyGeometry();
  std::uint32_t s = seed;
  auto next = [&s] {
    s = s * 1664525u + 1013904223u;
    return static_cast<std::uint16_t>(s >> 16);
  };
  const std::size_t n = program.geometry.pixelCount;
  for (std::size_t i = 0; i < n; ++i)
    program.planes.RawImage[i] = next();
  for (int k = 0; k < 3; ++k) {
    for (std::size_t i = 0; i < n; ++i)
      program.planes.ColourImage[k][i] = next();
  }
  // The boundary samples at the start of the raw plane.
  const std::uint16_t edges[] = {0, 1, 32767, 32768, 65534, 65535};
  for (std::size_t i = 0; i < std::size(edges); ++i)
    program.planes.RawImage[i] = edges[i];
}

// fitsverify's one-line verdict on `path`; `status` is its exit status.
std::string fitsverifyErrors(const std::filesystem::path& path, int& status) {
  const auto report = path.string() + ".verify";
  const std::string commandLine = "fitsverify -q '" + path.string() + "' > '" + report + "' 2>&1";
  status = std::system(commandLine.c_str());
  std::ifstream in(report);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool fitsverifyPresent() {
  return std::system("command -v fitsverify > /dev/null 2>&1") == 0;
}

class Interop : public ::testing::Test, protected test::ProgramFixture {};

TEST_F(Interop, CfitsioReadsOurPaddedMonoFileSampleForSample) {
  for (bool binned : {true, false}) {
    fillImage(program, binned, false, 17);
    program.settings.padFits = true;
    const auto path = root / "mono.fit";
    ASSERT_EQ(writeFitsFile(program, path, {}), SaveResult::Saved);

    fitsfile* f = nullptr;
    int status = 0;
    ASSERT_EQ(fits_open_file(&f, path.c_str(), READONLY, &status), 0) << status;
    int bitpix = 0, naxis = 0;
    long naxes[3] = {};
    fits_get_img_param(f, 3, &bitpix, &naxis, naxes, &status);
    EXPECT_EQ(bitpix, 16);
    EXPECT_EQ(naxis, 2);
    EXPECT_EQ(naxes[0], program.geometry.width);
    EXPECT_EQ(naxes[1], program.geometry.height);
    const long n = naxes[0] * naxes[1];
    std::vector<unsigned short> samples(static_cast<std::size_t>(n));
    long first[2] = {1, 1};
    int anyNull = 0;
    fits_read_pix(f, TUSHORT, first, n, nullptr, samples.data(), &anyNull, &status);
    EXPECT_EQ(status, 0);
    char object[FLEN_VALUE] = {};
    fits_read_key(f, TSTRING, "INSTRUME", object, nullptr, &status);
    EXPECT_STREQ(object, "Norvane CCD");
    fits_close_file(f, &status);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), program.planes.RawImage.begin()));
  }
}

TEST_F(Interop, CfitsioReadsOurRgbFileAsRedGreenBluePlanes) {
  fillImage(program, true, true, 23);
  program.settings.padFits = true;
  const auto path = root / "rgb.fit";
  ASSERT_EQ(writeFitsFile(program, path, {false, true, {}}), SaveResult::Saved);
  fitsfile* f = nullptr;
  int status = 0;
  ASSERT_EQ(fits_open_file(&f, path.c_str(), READONLY, &status), 0) << status;
  int bitpix = 0, naxis = 0;
  long naxes[3] = {};
  fits_get_img_param(f, 3, &bitpix, &naxis, naxes, &status);
  EXPECT_EQ(naxis, 3);
  EXPECT_EQ(naxes[2], 3);
  const long plane = naxes[0] * naxes[1];
  std::vector<unsigned short> samples(static_cast<std::size_t>(3 * plane));
  long first[3] = {1, 1, 1};
  int anyNull = 0;
  fits_read_pix(f, TUSHORT, first, 3 * plane, nullptr, samples.data(), &anyNull, &status);
  char filter2[FLEN_VALUE] = {};
  fits_read_key(f, TSTRING, "FILTER2", filter2, nullptr, &status);
  fits_close_file(f, &status);
  EXPECT_EQ(status, 0);
  EXPECT_STREQ(filter2, "GRN");
  const auto& out = program.planes.RgbOutputImage;
  const image::Plane order[] = {out.red(), out.green(), out.blue()};
  for (int k = 0; k < 3; ++k) {
    EXPECT_TRUE(std::equal(samples.begin() + k * plane, samples.begin() + (k + 1) * plane,
                           order[k].begin()))
        << k;
  }
}

TEST_F(Interop, FitsverifyFindsNoErrorsInOurPaddedFiles) {
  if (!fitsverifyPresent()) GTEST_SKIP() << "fitsverify is not installed";
  struct Case {
    const char* name;
    bool colour, rgb;
  };
  for (const Case c : {Case{"mono.fit", false, false}, Case{"rgb.fit", true, true}}) {
    fillImage(program, true, c.colour, 5);
    program.settings.padFits = true;
    program.fits.object = "M42";
    // As Save FITS and quick save fill it: an empty DATE-OBS is not a valid FITS date.
    program.fits.dateObs = "2026-03-07";
    program.fits.timeObs = "03:10:05";
    program.fits.historyText = "first night";
    program.history.add("Dark Frame Subtracted");
    const auto path = root / c.name;
    ASSERT_EQ(writeFitsFile(program, path, {false, c.rgb, {}}), SaveResult::Saved);
    int status = 0;
    const std::string report = fitsverifyErrors(path, status);
    EXPECT_EQ(status, 0) << report;
    EXPECT_NE(report.find("verification OK"), std::string::npos) << report;
  }
}

// The CLI's convert and process once wrote an image opened from a raw file (which carries no
// date) with DATE-OBS = '', which fitsverify reports as an error. They now date it as Save FITS
// does; a mode-6 image also carries its mode code after the readout card's value.
TEST_F(Interop, WhatConvertAndProcessWriteOfAnUndatedImageVerifiesCleanly) {
  fillImage(program, false, false, 9);
  program.state.readoutMode = image::ReadoutMode::FullFrame6;
  program.state.modeCode = '6';
  const auto raw = root / "mode6.raw";
  ASSERT_EQ(saveRawFile(program, raw), SaveResult::Saved);
  const std::vector<std::vector<std::string>> runs = {
      {"convert", raw.string(), (root / "converted.fit").string(), "--as", "fits"},
      {"process", raw.string(), (root / "processed.fit").string(), "invert"},
  };
  for (const auto& args : runs) {
    SCOPED_TRACE(args[0]);
    std::vector<std::string> line = {"--root", root.path().string()};
    line.insert(line.end(), args.begin(), args.end());
    std::ostringstream out, err;
    ASSERT_EQ(cli::runCli(line, out, err), 0) << err.str();
    const std::filesystem::path path = args[2];

    fitsfile* f = nullptr;
    int status = 0;
    ASSERT_EQ(fits_open_file(&f, path.c_str(), READONLY, &status), 0);
    char date[FLEN_VALUE] = {};
    fits_read_key(f, TSTRING, "DATE-OBS", date, nullptr, &status);
    int year = 0, month = 0, day = 0;
    fits_str2date(date, &year, &month, &day, &status);
    EXPECT_EQ(status, 0) << date;
    EXPECT_GE(year, 2024);
    int closeStatus = 0;
    fits_close_file(f, &closeStatus);

    if (fitsverifyPresent()) {
      int verifyStatus = 0;
      const std::string report = fitsverifyErrors(path, verifyStatus);
      EXPECT_EQ(verifyStatus, 0) << report;
      EXPECT_NE(report.find("verification OK"), std::string::npos) << report;
    }
  }
}

// A simulated capture with the standard keywords: fitsverify accepts it and cfitsio finds the
// pattern, binning, pixel size, temperature and the ISO start time.
TEST_F(Interop, SimulatedCaptureWithStandardKeywordsVerifiesAndReadsBack) {
  const auto path = root / "capture.fit";
  std::ostringstream out, err;
  ASSERT_EQ(cli::runCli({"--root", root.path().string(), "--simulate", "capture", "--mode", "1",
                         "--exposure", "2s", path.string()},
                        out, err),
            0)
      << err.str();
  if (fitsverifyPresent()) {
    int status = 0;
    const std::string report = fitsverifyErrors(path, status);
    EXPECT_EQ(status, 0) << report;
    EXPECT_NE(report.find("verification OK"), std::string::npos) << report;
  }
  fitsfile* f = nullptr;
  int status = 0;
  ASSERT_EQ(fits_open_file(&f, path.c_str(), READONLY, &status), 0);
  char text[FLEN_VALUE] = {};
  char start[FLEN_VALUE] = {};
  int binning = 0;
  double pixelSize = 0.0, temperature = -99.0;
  fits_read_key(f, TSTRING, "BAYERPAT", text, nullptr, &status);
  fits_read_key(f, TINT, "XBINNING", &binning, nullptr, &status);
  fits_read_key(f, TDOUBLE, "XPIXSZ", &pixelSize, nullptr, &status);
  fits_read_key(f, TDOUBLE, "CCD-TEMP", &temperature, nullptr, &status);
  fits_read_key(f, TSTRING, "DATE-BEG", start, nullptr, &status);
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  double second = 0.0;
  fits_str2time(start, &year, &month, &day, &hour, &minute, &second, &status);
  fits_close_file(f, &status);
  EXPECT_EQ(status, 0);
  EXPECT_STREQ(text, "BGGR");  // the defaults: "Line Offset" on
  EXPECT_EQ(binning, 1);
  EXPECT_DOUBLE_EQ(pixelSize, 7.8);
  EXPECT_GT(temperature, -60.0);
  EXPECT_GE(year, 2000);
}

bool sirilPresent() {
  return std::system("command -v siril-cli > /dev/null 2>&1") == 0;
}

// Siril debayers our raw frames by the pattern the header names, without being told it: a
// frame lit only on the sites the pattern calls red comes out red, for both offsets and for a
// sub-frame starting on an odd column or row.
TEST_F(Interop, SirilDebayersOurRawFramesIntoTheRightChannel) {
  if (!sirilPresent()) GTEST_SKIP() << "siril-cli is not installed";
  struct Case {
    const char* name;
    bool pixelOffset, lineOffset, subFrame;
    int originX, originY;
  };
  const Case cases[] = {{"full", false, true, false, 0, 0},
                        {"subodd", true, false, true, 761, 338},
                        {"subboth", false, false, true, 253, 171}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fillImage(program, c.subFrame, false, 3);
    program.state.readoutMode =
        c.subFrame ? image::ReadoutMode::SubFrame : image::ReadoutMode::HighResolution;
    program.state.modeCode = c.subFrame ? '5' : '1';
    program.settings.pixelOffset = c.pixelOffset;
    program.settings.lineOffset = c.lineOffset;
    program.fits.dateObs = "2026-03-07";
    program.fits.frame.originX = c.originX;
    program.fits.frame.originY = c.originY;
    const auto pattern =
        image::bayerLayout(c.pixelOffset, c.lineOffset, c.originX, c.originY).pattern;
    const auto& g = program.geometry;
    for (int y = 0; y < g.height; ++y) {
      for (int x = 0; x < g.width; ++x) {
        const bool red = pattern[static_cast<std::size_t>((y & 1) * 2 + (x & 1))] == 'R';
        program.planes.RawImage[static_cast<std::size_t>(y) * g.width + x] = red ? 40000 : 1000;
      }
    }
    const auto folder = root / c.name;
    std::filesystem::create_directories(folder);
    ASSERT_EQ(writeFitsFile(program, folder / "target.fit", {}), SaveResult::Saved);
    {
      std::ofstream script(folder / "debayer.ssf");
      script << "requires 1.0.0\nconvert target -debayer -out=out\n";
    }
    const std::string commandLine = "siril-cli -d '" + folder.string() + "' -s '" +
                                    (folder / "debayer.ssf").string() + "' > '" +
                                    (folder / "siril.log").string() + "' 2>&1";
    ASSERT_EQ(std::system(commandLine.c_str()), 0);

    fitsfile* f = nullptr;
    int status = 0;
    const auto result = folder / "out" / "target_00001.fit";
    ASSERT_EQ(fits_open_file(&f, result.c_str(), READONLY, &status), 0) << result;
    long size[3] = {};
    int axes = 0;
    fits_get_img_dim(f, &axes, &status);
    fits_get_img_size(f, 3, size, &status);
    ASSERT_EQ(axes, 3);
    ASSERT_EQ(size[2], 3);
    // The mean of each colour plane over the middle rows.
    double mean[3] = {};
    std::vector<float> row(static_cast<std::size_t>(size[0]));
    for (int k = 0; k < 3; ++k) {
      int count = 0;
      for (long y = size[1] / 4; y < size[1] * 3 / 4; y += 37, ++count) {
        long first[3] = {1, y + 1, k + 1};
        fits_read_pix(f, TFLOAT, first, size[0], nullptr, row.data(), nullptr, &status);
        double sum = 0.0;
        for (long x = size[0] / 4; x < size[0] * 3 / 4; ++x)
          sum += row[static_cast<std::size_t>(x)];
        mean[k] += sum / static_cast<double>(size[0] / 2);
      }
      mean[k] /= count;
    }
    fits_close_file(f, &status);
    EXPECT_EQ(status, 0);
    EXPECT_GT(mean[0], 30000.0) << pattern;
    EXPECT_LT(mean[1], 5000.0) << pattern;
    EXPECT_LT(mean[2], 5000.0) << pattern;
  }
}

TEST_F(Interop, UnpaddedFileIsWhatOtherSoftwareCallsTruncated) {
  // Why padding is on by default: without it the last record is short, cfitsio cannot read the
  // last row and fitsverify reports the file.
  fillImage(program, true, false, 3);
  program.settings.padFits = false;
  program.fits.dateObs = "2026-03-07";
  const auto path = root / "short.fit";
  ASSERT_EQ(writeFitsFile(program, path, {}), SaveResult::Saved);
  fitsfile* f = nullptr;
  int status = 0;
  ASSERT_EQ(fits_open_file(&f, path.c_str(), READONLY, &status), 0);
  std::vector<unsigned short> row(1520);
  long lastRow[2] = {1, 1012};
  int anyNull = 0;
  fits_read_pix(f, TUSHORT, lastRow, 1520, nullptr, row.data(), &anyNull, &status);
  EXPECT_EQ(status, READ_ERROR);  // 108
  int closeStatus = 0;
  fits_close_file(f, &closeStatus);
  if (fitsverifyPresent()) {
    int verifyStatus = 0;
    const std::string report = fitsverifyErrors(path, verifyStatus);
    EXPECT_NE(verifyStatus, 0) << report;
  }
}

struct TiffImage {
  std::uint32_t width = 0, height = 0;
  std::uint16_t bits = 0, samplesPerPixel = 0, photometric = 0;
  std::vector<std::uint8_t> bytes;
};

TiffImage readTiff(const std::filesystem::path& path) {
  TiffImage image;
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (tif == nullptr) return image;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &image.width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &image.height);
  TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &image.bits);
  TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &image.samplesPerPixel);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &image.photometric);
  const tmsize_t line = TIFFScanlineSize(tif);
  image.bytes.resize(static_cast<std::size_t>(line) * image.height);
  for (std::uint32_t row = 0; row < image.height; ++row) {
    if (TIFFReadScanline(tif, image.bytes.data() + row * line, row, 0) < 0) {
      image.bytes.clear();
      break;
    }
  }
  TIFFClose(tif);
  return image;
}

TEST_F(Interop, LibtiffReadsOurGreyAndRgbFilesPixelForPixel) {
  struct Case {
    bool colour, sixteen;
  };
  for (const Case c :
       {Case{false, false}, Case{false, true}, Case{true, false}, Case{true, true}}) {
    SCOPED_TRACE(testing::Message() << "colour " << c.colour << " 16-bit " << c.sixteen);
    fillImage(program, true, c.colour, 31);
    program.settings.tiff16Bit = c.sixteen;
    const auto path = root / "t.tif";
    ASSERT_EQ(writeTiffFile(program, path), SaveResult::Saved);
    const auto image = readTiff(path);
    ASSERT_EQ(image.width, 1520u);
    ASSERT_EQ(image.height, 1010u);
    EXPECT_EQ(image.bits, c.sixteen ? 16 : 8);
    EXPECT_EQ(image.samplesPerPixel, c.colour ? 3 : 1);
    EXPECT_EQ(image.photometric, c.colour ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    ASSERT_FALSE(image.bytes.empty());
    const auto& raw = program.planes.RawImage;
    const auto& colour = program.planes.ColourImage;
    std::size_t mismatches = 0;
    for (std::uint32_t y = 0; y < image.height; ++y) {
      for (std::uint32_t x = 0; x < image.width; ++x) {
        const std::size_t p = static_cast<std::size_t>(y) * image.width + x;
        if (!c.colour) {
          const std::uint16_t want = raw[p];
          const std::uint16_t got =
              c.sixteen
                  ? static_cast<std::uint16_t>(image.bytes[2 * p] | image.bytes[2 * p + 1] << 8)
                  : image.bytes[p];
          mismatches += got != (c.sixteen ? want : want >> 8);
          continue;
        }
        // Colour files hold image rows 2 on, upright.
        const std::size_t i = (y + 2) * 1520u + x;
        if (c.sixteen) {
          const auto want = renderRgbPixel(raw[i], colour.red()[i], colour.blue()[i],
                                           colour.green()[i], program.settings.colourSaturation);
          const auto* b = &image.bytes[6 * p];
          mismatches += (b[0] | b[1] << 8) != want.red;
          mismatches += (b[2] | b[3] << 8) != want.green;
          mismatches += (b[4] | b[5] << 8) != want.blue;
        } else {
          const auto want = renderRgb8Pixel(raw[i], colour.red()[i], colour.blue()[i],
                                            colour.green()[i], program.settings.colourSaturation);
          const auto* b = &image.bytes[3 * p];
          mismatches += b[0] != want.red;
          mismatches += b[1] != want.green;
          mismatches += b[2] != want.blue;
        }
      }
    }
    EXPECT_EQ(mismatches, 0u);
  }
}

#ifdef NVK_INTEROP_QT
TEST_F(Interop, QtReadsOurBitmaps) {
  for (int width : {760, 130}) {
    Bitmap bm;
    bm.width = width;
    bm.height = 51;
    bm.palette = falseColourPalette();
    for (int i = 0; i < width * bm.height; ++i)
      bm.pixels.push_back(static_cast<std::uint8_t>(i * 13 + i / width));
    const auto path = root / "nvkk7lq.bmp";
    ASSERT_TRUE(saveBitmapFile(program, path, bm));
    const QImage image(QString::fromStdString(path.string()));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), width);
    EXPECT_EQ(image.height(), bm.height);
    std::size_t mismatches = 0;
    for (int y = 0; y < bm.height; ++y) {
      for (int x = 0; x < width; ++x) {
        const auto& e = bm.palette[bm.pixels[static_cast<std::size_t>(y * width + x)]];
        const QRgb got = image.pixel(x, y);
        mismatches += qRed(got) != e.r || qGreen(got) != e.g || qBlue(got) != e.b;
      }
    }
    EXPECT_EQ(mismatches, 0u);
  }
}
#endif

}  // namespace
}  // namespace nvk::files

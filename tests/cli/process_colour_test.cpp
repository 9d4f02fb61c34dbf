#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "colour/anti_alias.h"
#include "colour/colour_reference.h"
#include "colour/synthesis.h"
#include "files/open_image.h"
#include "files/raw_file.h"
#include "support/cli_run.h"
#include "support/program_fixture.h"

namespace nvk::cli {
namespace {

// The colour operations of `process` end to end: a raw file in, a raw file out.
struct ProcessColourTest : ::testing::Test, test::ProgramFixture {
  int run(std::vector<std::string> args) {
    args.insert(args.begin(), "process");
    return test::cliRun(root, std::move(args)).status;
  }
  std::filesystem::path monoRawFile() {
    const auto raw = test::randomSamples(program.geometry.pixelCount, program.geometry.width, 4);
    std::copy(raw.begin(), raw.end(), program.planes.RawImage.begin());
    const auto path = root / "mono.raw";
    EXPECT_EQ(files::saveRawFile(program, path), files::SaveResult::Saved);
    return path;
  }
};

// A colour-converted result saved as a raw file carries its colour planes.
TEST_F(ProcessColourTest, SynthesisedRawFileCarriesItsColourPlanes) {
  const auto in = monoRawFile();
  const auto out = root / "colour.raw";
  ASSERT_EQ(run({in.string(), out.string(), "synth:daylight", "colourundo", "antialias"}), 0);
  EXPECT_EQ(std::filesystem::file_size(out),
            static_cast<std::uintmax_t>(files::kFullColourRawSize));

  // The same steps on the program that wrote the input.
  program.colour.daylightImage = true;
  colour::synthesizeColour(program);
  colour::UndoLastColourFilter(program);
  colour::AntiAlias(program, false);
  test::ProgramFixture loaded;
  ASSERT_TRUE(files::openImageFile(loaded.program, out).loaded);
  EXPECT_TRUE(loaded.program.state.colourConverted);
  const std::size_t n = program.geometry.pixelCount;
  for (int plane = 0; plane < 3; ++plane)
    EXPECT_TRUE(std::equal(program.planes.ColourImage[plane].begin(),
                           program.planes.ColourImage[plane].begin() + n,
                           loaded.program.planes.ColourImage[plane].begin()))
        << "plane " << plane;
  EXPECT_TRUE(std::equal(program.planes.RawImage.begin(), program.planes.RawImage.begin() + n,
                         loaded.program.planes.RawImage.begin()));
}

// Refusals exit with 1 and the program's message, names that are not operations with 2; neither
// writes the output. The single-filter image of a site is a monochrome full frame.
TEST_F(ProcessColourTest, RefusedOrUnknownOperationsWriteNothing) {
  const auto in = monoRawFile();
  const auto out = root / "out.raw";
  const struct {
    std::vector<std::string> ops;
    int status;
    const char* message;
  } cases[] = {
      {{"antialias"}, 1, "Image Not Colour Converted"},
      {{"colourundo"}, 1, ""},
      {{"synth", "synth"}, 1, "Already Colour Converted"},
      {{"mono:5"}, 2, ""},
      {{"mono"}, 2, ""},
      {{"mono:0"}, 2, ""},
      {{"synth:night"}, 2, ""},
      {{"anti"}, 2, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ops.back());
    std::vector<std::string> args{"process", in.string(), out.string()};
    args.insert(args.end(), c.ops.begin(), c.ops.end());
    const auto r = test::cliRun(root, args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));
  }
  EXPECT_EQ(run({in.string(), out.string(), "mono:2"}), 0);
  EXPECT_EQ(std::filesystem::file_size(out), static_cast<std::uintmax_t>(files::kFullRawSize));
}

}  // namespace
}  // namespace nvk::cli

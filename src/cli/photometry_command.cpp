#include <optional>

#include "base/parse_int.h"
#include "cli/cli.h"
#include "files/open_image.h"
#include "process/measure_tools.h"

namespace nvk::cli {
namespace {

constexpr const char* kUsage = "usage: photometry FILE X Y [R1 R2 R3]\n";

}  // namespace

// Opens an image file and measures the star nearest (X, Y) (image pixels) by aperture
// photometry, with the aperture radius R1 and the sky annulus R2..R3 when given.
int runPhotometryCommand(CliSession& session, CommandArgs args) {
  if (args.size() != 3 && args.size() != 6) {
    session.err() << kUsage;
    return 2;
  }
  const auto x = base::parseInt(args[1]);
  const auto y = base::parseInt(args[2]);
  if (!x || !y) {
    session.err() << "X and Y must be whole numbers\n" << kUsage;
    return 2;
  }
  app::Program& program = session.program();
  if (args.size() == 6) {
    const auto r1 = base::parseInt(args[3]), r2 = base::parseInt(args[4]),
               r3 = base::parseInt(args[5]);
    const process::PhotometryApertures radii{r1.value_or(0), r2.value_or(0), r3.value_or(0)};
    if (!r1 || !r2 || !r3 || !radii.valid()) {
      session.err() << "the radii must satisfy 1 <= R1 < R2 < R3 <= 100\n";
      return 2;
    }
    program.measure.apertures = radii;
  }
  if (!inputFileReadable(program.ui(), args[0])) return 1;
  const files::OpenResult opened = files::openImageFile(program, args[0]);
  if (!opened.loaded) return 1;
  if (opened.kind != files::FileKind::Raw && opened.kind != files::FileKind::Fits &&
      opened.kind != files::FileKind::Flat) {
    session.err() << "not an image file\n";
    return 1;
  }
  const auto& g = program.geometry;
  const process::PhotometryResult result = process::measureStar(
      std::span<const std::uint16_t>(program.planes.RawImage.data(), g.pixelCount), g.width,
      g.height, *x, *y, process::photometryOptions(program));
  if (!result.measured()) {
    session.err() << process::photometryRefusalText(result.status) << '\n';
    return 1;
  }
  session.out() << process::formatPhotometry(result);
  return 0;
}

}  // namespace nvk::cli

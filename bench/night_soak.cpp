// A whole night on the simulated camera, guide head, filter wheel and mount, on the virtual
// clock: guided five-minute exposures with autosave, guiding on the guide head with its dark,
// the next filter and the cooler set before every exposure. Every simulated hour it prints the
// frames saved, the files in the autosave folder against those expected, resident memory and
// open descriptors, and the wall time taken. Not part of CI; run it as
//   build/default/bench/nvk_night_soak [hours]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "support/night.h"
#include "support/temp_dir.h"

int main(int argc, char** argv) {
  using nvk::test::processUse;
  const int hours = argc > 1 ? std::atoi(argv[1]) : 8;
  nvk::test::TempDir root;
  nvk::test::Night night(root.path(), {});
  const auto start = std::chrono::steady_clock::now();
  const auto first = processUse();
  std::printf("%5s %7s %6s %9s %12s %12s %8s\n", "hour", "frames", "files", "expected",
              "resident MB", "descriptors", "wall s");
  std::printf("%5d %7d %6zu %9zu %12.1f %12d %8.1f\n", 0, 0, night.autosaveFolder().size(),
              night.expectedFiles().size(), first.residentMb, first.openDescriptors, 0.0);
  bool ok = true;
  double afterFirstHourMb = 0.0;
  int afterFirstHourFds = 0;
  for (int hour = 1; hour <= hours && ok; ++hour) {
    ok = night.runFor(60);
    const auto use = processUse();
    const auto files = night.autosaveFolder();
    const auto expected = night.expectedFiles();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%5d %7d %6zu %9zu %12.1f %12d %8.1f%s\n", hour, night.framesSaved(), files.size(),
                expected.size(), use.residentMb, use.openDescriptors, wall,
                files == expected ? "" : "  (files differ)");
    std::fflush(stdout);
    if (hour == 1) {
      afterFirstHourMb = use.residentMb;
      afterFirstHourFds = use.openDescriptors;
    } else {
      ok = ok && files == expected && use.residentMb - afterFirstHourMb < 8.0 &&
           use.openDescriptors <= afterFirstHourFds;
    }
  }
  if (!night.problem().empty()) std::printf("problem: %s\n", night.problem().c_str());
  std::printf("%s\n", ok ? "level: memory within 8 MB of hour 1, no descriptor growth, files as "
                           "expected"
                         : "NOT LEVEL");
  return ok ? 0 : 1;
}

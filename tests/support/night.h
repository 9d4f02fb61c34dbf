#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "app/program.h"
#include "port/scripted_ui.h"
#include "port/virtual_clock.h"
#include "sim/guiding_rig.h"

namespace nvk::test {

// What the process holds, read from /proc: resident memory and open descriptors.
struct ProcessUse {
  double residentMb = 0.0;
  int openDescriptors = 0;
};
ProcessUse processUse();

// A night of work on the simulated camera, guide head, filter wheel and mount, on the virtual
// clock: guided exposures ("Autoguide Photo" in the camera dialog) with autosave, guiding on the
// guide head with its dark subtracted, the next filter before every exposure and the cooler set
// every time.
class Night {
 public:
  struct Options {
    int exposureMinutes = 5;
    std::int16_t setPointC = -20;
  };

  Night(const std::filesystem::path& dataRoot, Options options);
  ~Night();

  // Exposes until the clock has run `minutes` more; false when something went wrong (a frame
  // not saved, a message shown).
  bool runFor(int minutes);

  std::uint64_t elapsedMinutes() const { return clock_.elapsedMs() / 60'000; }
  int framesSaved() const { return framesSaved_; }
  // The names in the autosave folder, and the names that should be there.
  std::set<std::string> autosaveFolder() const;
  std::set<std::string> expectedFiles() const;
  // What went wrong first, if anything.
  const std::string& problem() const { return problem_; }

 private:
  bool exposeOnce();

  Options options_;
  port::VirtualClock clock_;
  port::ScriptedUi ui_{&clock_};
  std::unique_ptr<app::Program> program_;
  std::unique_ptr<sim::GuidingRig> rig_;
  std::set<std::string> filesBefore_;
  int framesSaved_ = 0;
  int filter_ = 1;
  std::string problem_;
};

}  // namespace nvk::test

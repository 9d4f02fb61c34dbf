#include "support/night.h"

#include <unistd.h>

#include <fstream>

#include "acquire/camera_dialog.h"
#include "acquire/exposure_sequence.h"
#include "scope/guide_camera.h"
#include "scope/guider.h"

namespace nvk::test {

ProcessUse processUse() {
  ProcessUse use;
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  if (statm >> pages >> resident) {
    use.residentMb = static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
                     (1024.0 * 1024.0);
  }
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator("/proc/self/fd", ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    ++use.openDescriptors;
  }
  return use;
}

namespace {

std::set<std::string> namesIn(const std::filesystem::path& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(folder, ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    names.insert(it->path().filename().string());
  }
  return names;
}

}  // namespace

Night::Night(const std::filesystem::path& dataRoot, Options options)
    : options_(options),
      program_(std::make_unique<app::Program>(clock_, ui_, base::ProgramPaths(dataRoot))) {
  sim::GuidingRigOptions o;
  o.mount.start = {2.0, 0.0};
  o.devices.sky.focusedSigma = 2.5;
  rig_ = std::make_unique<sim::GuidingRig>(clock_, o);
  auto& p = *program_;
  if (!rig_->attach(p)) {
    problem_ = "the simulated camera was not found";
    return;
  }
  auto& s = p.settings;
  s.guideOutputMode = settings::GuideOutputMode::AutoguiderSocket;
  s.serialRoute = 1;
  s.guideStarMaskRadius = 9;
  s.guiderGuide.raRate = 7;
  s.guiderGuide.decRate = 7;
  p.saveSettingsFile();
  p.devices.cooler.on = true;
  p.devices.cooler.setPointC = options_.setPointC;
  // Guide frames of one second, with a dark of the same length taken first.
  auto& guide = p.guiding.camera;
  guide.unit = 's';
  guide.value = 1;
  if (!scope::TakeGuideDark(p)) problem_ = "no guide dark";
  guide.applyDark = true;
  scope::GuideExposure(p);
  int best = -1, bx = 0, by = 0;
  const auto& image = p.devices.guideImage;
  for (int y = 110; y < 180; ++y) {
    for (int x = 180; x < 320; ++x) {
      const int v = image[static_cast<std::size_t>(y * scope::kGuideImageWidth + x)];
      if (v > best) best = v, bx = x, by = y;
    }
  }
  if (!scope::SelectGuideStarAt(p, bx + scope::kGuideImageLeft, by + scope::kGuideImageTop)) {
    problem_ = "no guide star";
  }
  filesBefore_ = namesIn(p.autosaveFolder());
  ui_.clearRecord();
}

Night::~Night() = default;

bool Night::exposeOnce() {
  auto& p = *program_;
  filter_ = filter_ % 7 + 1;
  p.camera().selectFilter(filter_);
  p.camera().applyCooler();
  const int minutes = options_.exposureMinutes;
  ui_.onDialog<acquire::TNVDialog>("TNVDialog", [minutes](acquire::TNVDialog& d) {
    using Check = acquire::TNVDialog::Check;
    d.chooseReadoutMode(4);
    d.chooseUnit('m');
    if (!d.checked(Check::AutoSave)) d.toggle(Check::AutoSave);
    d.setExposureField(std::to_string(minutes));
    return d.autoguidePhoto().value_or(port::DialogResult::Cancel);
  });
  if (acquire::CameraInterface(p) != acquire::InterfaceOutcome::Ran) {
    problem_ = "the exposure did not run";
    return false;
  }
  ++framesSaved_;
  if (!ui_.messages().empty()) {
    problem_ = "message: " + ui_.messages()[0].text;
    return false;
  }
  if (!ui_.scriptErrors().empty()) {
    problem_ = "dialog script: " + ui_.scriptErrors()[0];
    return false;
  }
  ui_.clearRecord();
  return true;
}

bool Night::runFor(int minutes) {
  if (!problem_.empty()) return false;
  const std::uint64_t end = clock_.elapsedMs() + static_cast<std::uint64_t>(minutes) * 60'000;
  while (clock_.elapsedMs() < end) {
    if (!exposeOnce()) return false;
  }
  return true;
}

std::set<std::string> Night::autosaveFolder() const {
  return namesIn(program_->autosaveFolder());
}

std::set<std::string> Night::expectedFiles() const {
  std::set<std::string> names = filesBefore_;
  for (int n = 1; n <= framesSaved_; ++n)
    names.insert("IMG" + std::to_string(n) + ".FIT");
  // Guiding keeps the night's guide log there too.
  const auto& log = program_->guideLog.path();
  if (!log.empty()) names.insert(log.filename().string());
  return names;
}

}  // namespace nvk::test

#include <charconv>
#include <cmath>
#include <cstdio>

#include "acquire/main_guiding.h"
#include "cli/cli.h"
#include "scope/guide_camera.h"
#include "scope/guider.h"
#include "settings/settings_file.h"
#include "sim/guiding_rig.h"

namespace nvk::cli {
namespace {

constexpr const char* kUsage =
    "usage: nvk-k7lq-cli --simulate guide train [--head] [--angle DEG]\n"
    "       nvk-k7lq-cli --simulate guide run --minutes M [--head] [--ao] [--angle DEG]\n";

struct GuideArgs {
  bool train = false;
  bool head = false;
  bool ao = false;
  double minutes = 0.0;
  double angle = 0.0;
};

bool parseNumber(const std::string& text, double& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && !text.empty();
}

std::optional<GuideArgs> parse(CommandArgs args) {
  if (args.empty() || (args[0] != "train" && args[0] != "run")) return std::nullopt;
  GuideArgs g;
  g.train = args[0] == "train";
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--head") {
      g.head = true;
    } else if (args[i] == "--ao" && !g.train) {
      g.ao = g.head = true;
    } else if ((args[i] == "--minutes" || args[i] == "--angle") && i + 1 < args.size()) {
      double& target = args[i] == "--minutes" ? g.minutes : g.angle;
      if (!parseNumber(args[++i], target)) return std::nullopt;
    } else {
      return std::nullopt;
    }
  }
  if (!g.train && g.minutes <= 0.0) return std::nullopt;
  return g;
}

// Picks the brightest star near the middle of the guide image, as a click would.
bool selectGuideHeadStar(app::Program& program) {
  scope::GuideExposure(program);
  const auto& image = program.devices.guideImage;
  int best = -1, bx = 0, by = 0;
  for (int y = 110; y < 180; ++y) {
    for (int x = 180; x < 320; ++x) {
      const int v = image[static_cast<std::size_t>(y * scope::kGuideImageWidth + x)];
      if (v > best) best = v, bx = x, by = y;
    }
  }
  return best > 0 &&
         scope::SelectGuideStarAt(program, bx + scope::kGuideImageLeft, by + scope::kGuideImageTop);
}

// The brightest star near the middle of the main sensor, as command 21's click would find it.
void pickMainStar(app::Program& program, sim::GuidingRig& rig) {
  const auto& sky = rig.devices().sky();
  constexpr int kW = 400, kH = 300, kLeft = 1320, kTop = 860;
  std::vector<std::uint16_t> region(kW * kH);
  sky.render(sim::mainSensorView(sky), kLeft, kTop, kW, kH, 1.0, 20.0, 1, region.data());
  int best = -1, bx = 0, by = 0;
  for (int y = 20; y < kH - 20; ++y) {
    for (int x = 20; x < kW - 20; ++x) {
      const int v = region[static_cast<std::size_t>(y * kW + x)];
      if (v > best) best = v, bx = x, by = y;
    }
  }
  program.guiding.mainStar.position = {kLeft + bx, 0, kTop + by, 0};
  program.guiding.mainStarPicked = true;
}

}  // namespace

void useGuideRunSettings(app::Program& program) {
  auto& s = program.settings;
  // The guide outputs are chosen as `settings set` chooses them.
  settings::setSettingsField("guideOutputMode", "b", s, program.fits);
  s.serialRoute = 1;
  s.guideStarMaskRadius = 9;
  s.guiderGuide.raRate = s.guiderGuide.decRate = 7;
  s.mainGuide.raRate = s.mainGuide.decRate = 7;
  s.guiderTrainingSeconds = 4;
  s.mainTrainingSeconds = 1;
  program.guiding.camera.unit = program.acquisition.exposureUnit = 't';
  program.guiding.camera.value = program.acquisition.exposureValue = 3;
  program.telescope.telescopeConnected = true;  // the settings above are this run's
}

// Training and guiding runs on the simulated mount, camera, guide head and AO unit, on the
// virtual clock: prints the training results, or the RMS and worst error of a run in pixels
// and the corrections sent.
int runGuideCommand(CliSession& session, CommandArgs args) {
  const auto parsed = parse(args);
  if (!parsed) {
    session.err() << kUsage;
    return 2;
  }
  if (!session.options().simulate) {
    session.err() << "guide: runs on the simulated hardware only; add --simulate\n";
    return 2;
  }
  const GuideArgs g = *parsed;
  app::Program& program = session.program();
  sim::GuidingRig rig(session.clock(), sim::guidingSimulation(g.angle, g.head));
  if (!rig.attach(program)) {
    session.err() << "guide: the simulated camera was not found\n";
    return 1;
  }
  useGuideRunSettings(program);
  auto& s = program.settings;
  if (g.ao) {
    s.guidingMode = settings::GuidingMode::AoUnit;
    s.aoDefaultGainUpDown = s.aoDefaultGainLeftRight = 5;
    s.mountEastWestLetters = {'W', 'T'};
    s.aoHalfRate = true;
  }
  auto& out = session.out();
  char line[160];

  if (g.train) {
    bool trained = false;
    if (g.head) {
      trained =
          selectGuideHeadStar(program) && scope::TrainGuideHead(program, [](std::string_view) {});
      if (trained) out << scope::guideHeadTrainingText(program.guiding.trained) << '\n';
    } else {
      pickMainStar(program, rig);
      trained = acquire::TrainAutoGuiding(program);
      if (trained) {
        out << scope::mainTrainingText({s.mainGuide.raRate, s.mainGuide.decRate,
                                        s.mainGuide.raBacklash, s.mainGuide.decBacklash})
            << '\n';
      }
    }
    if (!trained) {
      session.err() << "guide: training lost the star\n";
      return 1;
    }
    return 0;
  }

  const std::uint32_t runMs = static_cast<std::uint32_t>(g.minutes * 60'000);
  double sum = 0.0, peak = 0.0;
  int samples = 0;
  if (g.head) {
    if (!selectGuideHeadStar(program)) {
      session.err() << "guide: no guide star on the guide head\n";
      return 1;
    }
    rig.markReference();
    if (!scope::CreateGuidingFrame(program)) {
      session.err() << "guide: guiding could not start\n";
      return 1;
    }
    const std::uint32_t end = session.clock().nowMs() + runMs;
    scope::GuideStatus status = scope::GuideStatus::Ok;
    while (static_cast<std::int32_t>(end - session.clock().nowMs()) > 0) {
      const double r = std::hypot(rig.starOffsetX(), rig.starOffsetY());
      sum += r * r;
      peak = std::max(peak, r);
      ++samples;
      status = scope::GuideStep(program);
      if (status != scope::GuideStatus::Ok) break;
    }
    scope::EndGuidedExposure(program);
    if (status == scope::GuideStatus::StarLost) out << "star lost\n";
    if (status == scope::GuideStatus::CameraLost) out << "camera lost\n";
  } else {
    pickMainStar(program, rig);
    const sim::SkyView start = sim::mainSensorView(rig.devices().sky());
    const std::uint32_t end = session.clock().nowMs() + runMs;
    acquire::StartAutoGuiding(program, [&] {
      const sim::SkyView now = sim::mainSensorView(rig.devices().sky());
      const double r = std::hypot(now.originX - start.originX, now.originY - start.originY);
      sum += r * r;
      peak = std::max(peak, r);
      ++samples;
      if (static_cast<std::int32_t>(end - session.clock().nowMs()) <= 0)
        program.guiding.active = false;
    });
  }
  std::snprintf(line, sizeof line,
                "guided %.1f min on the %s: RMS error %.3f px, peak %.3f px, %d corrections "
                "sent\n",
                g.minutes,
                g.ao     ? "guide head with the AO unit"
                : g.head ? "guide head"
                         : "main camera",
                std::sqrt(sum / std::max(1, samples)), peak, program.guiding.pulsesSent);
  out << line;
  return 0;
}

}  // namespace nvk::cli

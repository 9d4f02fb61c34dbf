#include "scope/mount_factory.h"

#include "scope/guide_output_mount.h"
#include "scope/indi_mount.h"
#include "scope/lx200_mount.h"
#include "scope/program.h"
#include "scope/serial_link.h"

namespace nvk::scope {
namespace {

using settings::GuideOutputMode;

// No drive chosen: the timed pulses go to the guide outputs and everything else is LX200.
class UnchosenDriveMount final : public Mount {
 public:
  explicit UnchosenDriveMount(Program& program) : lx200_(program), lines_(program) {}

  void guidePulse(Direction direction, int durationMs) override {
    lines_.guidePulse(direction, durationMs);
  }
  void startMove(Direction direction, MoveRate rate) override { lx200_.startMove(direction, rate); }
  void stopMove() override { lx200_.stopMove(); }
  GoToReply goTo(const GoToTarget& target) override { return lx200_.goTo(target); }
  MountStatus startFocus(FocusDirection direction, FocusSpeed speed) override {
    return lx200_.startFocus(direction, speed);
  }
  void stopFocus() override { lx200_.stopFocus(); }
  const InfoLines& infoLines() const override { return lx200_.infoLines(); }
  // No mount is chosen to ask.
  std::optional<EquatorialPosition> reportedPosition() override { return std::nullopt; }
  // Nothing guides or trains without a drive, so nothing waits for a slew to end.
  bool slewing() override { return false; }
  bool goToAvailable() const override { return lx200_.goToAvailable(); }
  bool focuserAvailable() const override { return lx200_.focuserAvailable(); }
  bool checksLinesBeforeTraining() const override { return false; }
  bool reachedThroughCamera(bool pulses) const override {
    return pulses ? lines_.reachedThroughCamera(true) : lx200_.reachedThroughCamera(false);
  }

 private:
  Lx200Mount lx200_;
  GuideOutputMount lines_;
};

}  // namespace

std::optional<IndiAddress> chosenIndiAddress(const Program& program) {
  const auto& p = program.preferences;
  if (!p.indiEnabled || p.indiMount.empty() || !program.telescope.makeIndiClient)
    return std::nullopt;
  return IndiAddress{p.indiHost, p.indiPort, p.indiMount, p.indiFocuser};
}

std::unique_ptr<Mount> makeMount(Program& program) {
  if (const auto indi = chosenIndiAddress(program))
    return std::make_unique<IndiMount>(program, program.telescope.makeIndiClient(), *indi);
  switch (program.settings.guideOutputMode) {
    case GuideOutputMode::Lx200:
      return std::make_unique<Lx200Mount>(program);
    case GuideOutputMode::AutoguiderSocket:
      return std::make_unique<GuideOutputMount>(program);
    case GuideOutputMode::None:
      break;
  }
  return std::make_unique<UnchosenDriveMount>(program);
}

Mount& chosenMount(Program& program) {
  auto& telescope = program.telescope;
  // The INDI mount is remade when its server or devices change.
  const auto indi = chosenIndiAddress(program);
  const std::string choice =
      indi ? "indi " + indi->host + ":" + std::to_string(indi->port) + "," + indi->mount + "," +
                 indi->focuser
           : std::string(1, static_cast<char>(program.settings.guideOutputMode));
  if (telescope.mount == nullptr || telescope.mountChoice != choice) {
    telescope.mount = makeMount(program);
    telescope.mountChoice = choice;
  }
  return *telescope.mount;
}

bool telescopeDriveChosen(const Program& program) {
  return program.settings.guideOutputMode != GuideOutputMode::None ||
         chosenIndiAddress(program).has_value();
}

int pcPortBaud(const settings::Settings& settings) {
  return settings.guideOutputMode == GuideOutputMode::AutoguiderSocket ? kSocketBaud : kLx200Baud;
}

}  // namespace nvk::scope

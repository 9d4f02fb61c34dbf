#include "scope/guide_output_mount.h"

#include "scope/program.h"
#include "scope/serial_link.h"

namespace nvk::scope {
namespace {

// The lines rest before and after a pulse.
constexpr std::uint32_t kBeforePulseMs = 10;
constexpr std::uint32_t kAfterPulseMs = 300;

}  // namespace

std::uint8_t guideSocketBit(Direction direction) {
  switch (direction) {
    case Direction::West:
      return kSocketWest;
    case Direction::South:
      return kSocketSouth;
    case Direction::North:
      return kSocketNorth;
    case Direction::East:
      return kSocketEast;
  }
  return 0;
}

void GuideOutputMount::guidePulse(Direction direction, int durationMs) {
  auto& clock = program_.clock();
  const auto duration = static_cast<std::uint32_t>(durationMs > 0 ? durationMs : 0);
  clock.waitMs(kBeforePulseMs);
  const std::uint32_t t1 = clock.nowMs();
  SetGuideSocket(program_, guideSocketBit(direction));
  clock.waitUntilMs(t1 + duration);
  SetGuideSocket(program_, 0);
  clock.waitMs(kAfterPulseMs);
}

void GuideOutputMount::startMove(Direction direction, MoveRate) {
  SetGuideSocket(program_, guideSocketBit(direction));
}

void GuideOutputMount::stopMove() {
  SetGuideSocket(program_, 0);
}

GoToReply GuideOutputMount::goTo(const GoToTarget&) {
  return {MountStatus::NotAvailable, {}};
}

MountStatus GuideOutputMount::startFocus(FocusDirection, FocusSpeed) {
  return MountStatus::NotAvailable;
}

const InfoLines& GuideOutputMount::infoLines() const {
  return program_.telescope.infoLines;
}

bool GuideOutputMount::reachedThroughCamera(bool pulses) const {
  // The socket takes no commands, so only its lines go anywhere.
  if (!pulses) return false;
  const auto& s = program_.settings;
  return !(usesPcRoute(s.serialRoute) && s.bypassHelmixInterface);
}

}  // namespace nvk::scope

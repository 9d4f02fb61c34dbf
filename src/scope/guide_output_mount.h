#pragma once

#include <cstdint>

#include "scope/mount.h"

namespace nvk::scope {

class Program;

// Autoguider socket bits of the guide-output lines.
inline constexpr std::uint8_t kSocketWest = 1;
inline constexpr std::uint8_t kSocketSouth = 2;
inline constexpr std::uint8_t kSocketNorth = 4;
inline constexpr std::uint8_t kSocketEast = 8;

// The socket bit of a direction.
std::uint8_t guideSocketBit(Direction direction);

// A mount on the autoguider socket: one line per direction, held for a pulse or while an
// arrow is held, through the camera's guide outputs or, with the bypass flag on the PC route,
// as one byte on the PC port (SetGuideSocket). It moves at the rate set on the mount's hand
// box and takes no commands: GoTo and the focuser are not available on this drive.
class GuideOutputMount final : public Mount {
 public:
  explicit GuideOutputMount(Program& program) : program_(program) {}

  // 10 ms of rest, the line for the duration, 300 ms of rest.
  void guidePulse(Direction direction, int durationMs) override;
  // The direction's line until the stop; `rate` is the hand box's.
  void startMove(Direction direction, MoveRate rate) override;
  // Releases all lines, held or not.
  void stopMove() override;
  GoToReply goTo(const GoToTarget& target) override;
  MountStatus startFocus(FocusDirection direction, FocusSpeed speed) override;
  void stopFocus() override {}
  // The program's lines, which no GoTo of this drive fills.
  const InfoLines& infoLines() const override;
  // The socket's lines carry no answer.
  std::optional<EquatorialPosition> reportedPosition() override { return std::nullopt; }
  bool slewing() override { return false; }

  bool goToAvailable() const override { return false; }
  bool focuserAvailable() const override { return false; }
  bool checksLinesBeforeTraining() const override { return true; }
  bool reachedThroughCamera(bool pulses) const override;

 private:
  Program& program_;
};

}  // namespace nvk::scope

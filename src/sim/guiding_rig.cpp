#include "sim/guiding_rig.h"

#include <cmath>
#include <numbers>

#include "acquire/program.h"
#include "sim/sky_mount.h"

namespace nvk::sim {

GuidingRigOptions guidingSimulation(double cameraDegrees, bool guideHead) {
  constexpr double kArcsecPerPixel = kGuidingArcsecPerPixel;
  constexpr double kGuideScale = 2.0;
  GuidingRigOptions o;
  o.mount.start = {2.0, 0.0};
  o.devices.sky.arcsecPerPixel = guideHead ? kArcsecPerPixel / kGuideScale : kArcsecPerPixel;
  o.devices.sky.focusedSigma = 2.5;
  o.devices.camera.guideScale = kGuideScale;
  o.devices.camera.guideAngle = cameraDegrees * std::numbers::pi / 180.0;
  o.mount.raDriftArcsecPerSecond = kArcsecPerPixel / 60.0;
  o.mount.decDriftArcsecPerSecond = kArcsecPerPixel / 60.0;
  o.mount.periodicErrorArcsec = 4 * kArcsecPerPixel;
  o.mount.periodicErrorPeriodSeconds = 480.0;
  o.mount.decBacklashArcsec = 4 * kArcsecPerPixel;
  return o;
}

GuidingRig::GuidingRig(port::Clock& clock, GuidingRigOptions options)
    : options_(options),
      devices_(clock, options.devices),
      mount_(clock, options.mount),
      ao_(clock, devices_.camera(), options.aoStepsPerPixel,
          [this](char direction, int ms) { mount_.bump(direction, ms); }),
      guideLines_(ao_, mount_, mount_,
                  [this] { return program_ != nullptr && program_->settings.aoPulseMode; }) {
  ao_.setRotatedHalfTurn(options.aoRotatedHalfTurn);
  followMount(devices_.sky(), mount_);
}

GuidingRig::~GuidingRig() {
  detachMount(devices_.sky());
}

bool GuidingRig::attach(acquire::Program& program) {
  program_ = &program;
  program.devices.enumerator = &devices_;
  program.telescope.cameraLink = this;
  program.camera().connect();
  return program.camera().connected();
}

void GuidingRig::sendSerial(int portIndex, std::span<const std::uint8_t> bytes) {
  if (portIndex == options_.aoSerialPort) {
    ao_.receive(bytes);
  } else {
    mount_.receive(bytes);
  }
}

std::vector<std::uint8_t> GuidingRig::readSerial(int portIndex, int count) {
  std::vector<std::uint8_t> bytes = portIndex == options_.aoSerialPort
                                        ? ao_.transmit(static_cast<std::size_t>(count))
                                        : mount_.transmit(static_cast<std::size_t>(count));
  bytes.resize(static_cast<std::size_t>(count), 0);
  return bytes;
}

void GuidingRig::starOffset(double& x, double& y) {
  const SkyView view = devices_.camera().guideView();
  // A fixed sky point seen through the view (as Sky::render maps it back).
  const double dx = -view.originX;
  const double dy = -view.originY;
  const double c = std::cos(view.angle);
  const double s = std::sin(view.angle);
  x = (c * dx + s * dy) / view.scale - view.shiftX;
  y = (-s * dx + c * dy) / view.scale - view.shiftY;
}

void GuidingRig::markReference() {
  starOffset(referenceX_, referenceY_);
}

double GuidingRig::starOffsetX() {
  double x, y;
  starOffset(x, y);
  return x - referenceX_;
}

double GuidingRig::starOffsetY() {
  double x, y;
  starOffset(x, y);
  return y - referenceY_;
}

}  // namespace nvk::sim

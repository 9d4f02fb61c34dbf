#pragma once

namespace nvk::acquire {

class Program;

// What the camera control dialog asks of the camera. Realised over the camera protocol for
// the program; tests may use a recording fake.
class CameraControl {
 public:
  virtual ~CameraControl() = default;
  // The cooling command with the program's cooler state; returns the measured temperature.
  virtual int setCooling() = 0;
  // Moves the filter wheel to position n.
  virtual void selectFilter(int n) = 0;
};

// The realisation over the camera protocol functions.
class ProgramCameraControl final : public CameraControl {
 public:
  explicit ProgramCameraControl(Program& program) : program_(program) {}
  int setCooling() override;
  void selectFilter(int n) override;

 private:
  Program& program_;
};

}  // namespace nvk::acquire

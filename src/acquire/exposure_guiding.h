#pragma once

namespace nvk::acquire {

// Guiding with the guide head while the main camera exposes ("Autoguide Photo" turns on guide
// during exposure). The guiding subsystem realises it and puts it in Program::exposureGuiding;
// the exposure sequence calls it at these points of a run:
//
//   per frame, when guide during exposure is on:
//     startGuiding()          once, when the timed exposure begins
//     guideStep()             on every pass of the exposure's waiting loop
//     stopGuiding()           after the exposure, unless more frames of the run follow
//   userAbort()               the user's abort (Esc) during any wait of the run
//   runEnded()                after each pass of a continuous run (star tracking between runs)
//   commandEnded()            once, at the end of the camera interface command
//
// Without a realisation (Program::exposureGuiding null) guiding cannot start, and a frame
// that asks for it is aborted as when no guide star is selected.
class ExposureGuiding {
 public:
  virtual ~ExposureGuiding() = default;

  // Opens the guiding display and creates the guiding frame (reference star). False when
  // guiding cannot start (no guide star, no drive method, no camera): the frame is aborted.
  virtual bool startGuiding() = 0;
  // One guide frame and correction. False when guiding asks the exposure to end now (star
  // lost, "Stop Guiding"): the exposure ends at once and is read out.
  virtual bool guideStep() = 0;
  // Ends guiding after an exposure: closes the guiding display; with the AO unit as the guide
  // output, first sends the AO unit's end-of-guiding command.
  virtual void stopGuiding() = 0;

  // The user asked to stop (Esc, Abort) during a wait: clear the guiding-active flag and switch
  // star tracking between runs off. Returns true when star tracking was on (the sequence then
  // switches the continuous setting off too).
  virtual bool userAbort() { return false; }
  // Whether the user asked to stop while the last guide step dispatched events; reported
  // once. The sequence takes it as a press during its own wait.
  virtual bool takePressDuringStep() { return false; }
  // After the frames of one pass of the run: with star tracking between runs on, run the
  // tracking correction on the new image.
  virtual void runEnded() {}
  // End of the camera interface command: restore the guide reference, close any guiding
  // display.
  virtual void commandEnded() {}
};

}  // namespace nvk::acquire

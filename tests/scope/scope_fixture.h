#pragma once

#include <gtest/gtest.h>

#include "scope/recording_links.h"
#include "support/program_fixture.h"

namespace nvk::test {

// A program whose mount routes are recorded: the PC port and the camera link write into one
// log, stamped with virtual time.
struct ScopeFixture : ::testing::Test, ProgramFixture {
  LinkLog log;
  RecordingSerialPort pcPort{clock, log};
  RecordingCameraLink camera{clock, log};

  ScopeFixture() {
    program.telescope.pcPort = &pcPort;
    program.telescope.cameraLink = &camera;
  }
  void usePcRoute(bool bypass = false) {
    program.settings.serialRoute = 3;
    program.settings.bypassHelmixInterface = bypass;
  }
  void useCameraRoute(int telescopePort = 0) {
    program.settings.serialRoute = 1;
    program.telescope.portIndex = telescopePort;
  }
  // The camera serial writes, with or without their "N:" port prefix.
  std::vector<std::string> cameraWrites(bool withPort = false) const {
    std::vector<std::string> out;
    for (const auto& e : log)
      if (e.call == "camera-write") out.push_back(withPort ? e.bytes : e.bytes.substr(2));
    return out;
  }
  // The log without the calls that open the PC port.
  LinkLog traffic() const {
    LinkLog out;
    for (const auto& e : log)
      if (e.call != "reset" && e.call != "baud" && e.call != "dtr" && e.call != "rts" &&
          e.call != "8n1")
        out.push_back(e);
    return out;
  }
};

}  // namespace nvk::test

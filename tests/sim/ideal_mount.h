#pragma once

#include "sim/mount.h"

namespace nvk::test {

// A simulated mount without tracking errors or Dec. backlash.
inline sim::MountOptions idealMount() {
  sim::MountOptions o;
  o.decBacklashArcsec = 0.0;
  o.raDriftArcsecPerSecond = 0.0;
  o.decDriftArcsecPerSecond = 0.0;
  o.periodicErrorArcsec = 0.0;
  return o;
}

}  // namespace nvk::test

#pragma once

#include <functional>
#include <optional>

#include "sim/mount.h"
#include "sim/mount_catalogue.h"
#include "sim/sky.h"

namespace nvk::sim {

// Where a sky position falls on the simulated sky, in sky pixels of `arcsecPerPixel` arcsec.
//
// The sky is a plane; the mapping is a sinusoidal projection about the meridian of
// `trackingOrigin` (the mount's, see SimulatedMount::trackingOrigin()):
//   east (arcsec)  u = 54000 * (ra0 * cos(dec0) + dRa * cos(dec))    ra in hours, 1 h = 54000"
//   north (arcsec) v = 3600 * dec                                     dec in degrees
//   x = -u / arcsecPerPixel,  y = -v / arcsecPerPixel
// where (ra0, dec0) is the origin and dRa = ra - ra0 taken the short way round (-12..12 h).
// So north is up (rows grow to the south) and east is to the left, as the sky looks on the
// sensor; near the origin an R.A. move of a arcsec of axis angle moves the field by
// a * cos(dec) / arcsecPerPixel pixels and a Dec. move of d arcsec by d / arcsecPerPixel, with no
// cross-talk between the axes (what guiding needs). The same GoTo target always shows the same
// field, because a GoTo lands with the origin on the target.
SkyPoint skyPixelOf(const SkyPosition& position, const SkyPosition& trackingOrigin,
                    double arcsecPerPixel);

// Lets `mount` drive `sky`: from now on the main sensor's centre looks at the sky pixel of the
// mount's pointing (with the sky's image scale), and the sky's focuser is the mount's, so a
// slew, a guide pulse, a manual move, the drift and periodic error, and the focuser all show
// in the next frame of every simulated sensor (the guide head sits at its fixed offset from the
// main sensor). Whatever pointing the sky had is dropped. Both must outlive the attachment;
// detachMount() ends it.
void followMount(Sky& sky, SimulatedMount& mount);

// Lets a mount outside the simulator (an INDI driver) drive `sky`: the main sensor's centre
// looks where `reported` says that mount points (where it last said, while it says nothing),
// with the tracking errors of `errors` on top: how far that simulated mount, left alone, has
// drifted (drift and periodic error) since this call. The projection's origin is the first
// reported position. `errors` must outlive the attachment; detachMount() ends it.
void followReportedPointing(Sky& sky, SimulatedMount& errors,
                            std::function<std::optional<SkyPosition>()> reported);
void detachMount(Sky& sky);

}  // namespace nvk::sim

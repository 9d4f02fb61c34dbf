// The camera's replies, decoded as the program decodes them, for every readout mode, the focus
// window, the guide head and the short replies (cooler, firmware). The USB channel is replaced
// by one that answers from the input:
//   byte 0   the operation; byte 1 how the camera answers (bit 0 short, bit 1 failing);
//   bytes 2..5  the sub-frame or focus-window centre (x, y); the rest is the reply, repeated.
#include <memory>

#include "camera/protocol.h"
#include "device_replies.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto& f = nvk::fuzz::fuzzProgram();
  auto& program = f.program;
  static nvk::fuzz::Replies replies;
  nvk::fuzz::InputBytes in({data, size});
  const int operation = in.next() % 13;
  const std::uint8_t shape = in.next();
  replies.shortAnswers = shape & 1;
  replies.failures = shape & 2;
  const int x = in.next() << 4 | in.next() >> 4;
  const int y = in.next() << 4 | in.next() >> 4;
  replies.reply.assign(in.rest().begin(), in.rest().end());
  program.devices.camera = std::make_unique<nvk::fuzz::ReplyingCameraTransport>(replies);
  program.devices.cameraConnected = true;

  constexpr std::int32_t kExposureMs = 10;
  switch (operation) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
      program.state.subFrameFraction = static_cast<std::int16_t>(2 + shape % 3);
      nvk::camera::ReadImageForMode(program, static_cast<nvk::image::ReadoutMode>(operation + 1),
                                    kExposureMs, x, y);
      break;
    case 7:
      nvk::camera::ReadFocusWindow(program, kExposureMs, x, y, shape & 4);
      break;
    case 8:
      nvk::camera::ReadGuideHead(program, shape & 4);
      break;
    case 9:
      program.devices.cooler.on = shape & 4;
      nvk::camera::SetCooling(program);
      break;
    case 10:
      nvk::camera::ReadCoolerTemperature(program);
      break;
    case 11:
      nvk::camera::ReadFirmwareVersion(program);
      break;
    case 12:
      nvk::camera::FlushGuideHead(program, shape & 4 ? 50 : 2);
      break;
  }
  program.devices.camera.reset();
  return 0;
}

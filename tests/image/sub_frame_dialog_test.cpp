#include "image/sub_frame_dialog.h"

#include <gtest/gtest.h>

#include "port/scripted_ui.h"

namespace nvk::image {
namespace {

TEST(SubFrameDialogTest, EachChoiceSetsFractionAndDisplaySize) {
  struct Row {
    int control;
    int fraction, width, height;
  };
  for (const Row& r : {Row{211, 3, 1013, 675}, Row{212, 4, 760, 506}, Row{210, 2, 1520, 1012}}) {
    ImageState state;
    state.binned = true;
    SubFrameDialog dialog(state);
    dialog.select(r.control);
    EXPECT_EQ(state.subFrameFraction, r.fraction);
    EXPECT_EQ(state.subFrameWidth, r.width);
    EXPECT_EQ(state.subFrameHeight, r.height);
    EXPECT_EQ(dialog.checkedControl(), r.control);
    // The sub-frame is always read into the binned grid, whatever its size.
    EXPECT_TRUE(state.binned);
  }
}

TEST(SubFrameDialogTest, MarksTheCurrentFractionWhenDrawn) {
  ImageState state;
  state.subFrameFraction = 4;
  EXPECT_EQ(SubFrameDialog(state).checkedControl(), SubFrameDialog::kQuarterFrame);
  EXPECT_EQ(SubFrameDialog::choice(211).label, "1/3 Frame (1011x672)");
}

}  // namespace
}  // namespace nvk::image

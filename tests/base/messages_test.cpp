#include "base/messages.h"

#include <gtest/gtest.h>

#include "port/scripted_ui.h"

namespace nvk::base {
namespace {

TEST(MessagesTest, CallerTextEmptyAndUnknownCodes) {
  port::ScriptedUi ui;
  ShowMessage(ui, Message::CallerText, "line one\nline two");
  ShowMessage(ui, Message::EmptyBox, "not shown");
  ShowMessage(ui, Message(53), "not shown");
  ShowMessage(ui, Message(3));
  ShowMessage(ui, Message::CallerText, std::string(300, 'x'));
  // Fixed texts ignore the caller's text: a plain one, the multi-line guide-star text, the
  // first and the last code of the table.
  ShowMessage(ui, Message::OutsideImageArea, "ignored");
  ShowMessage(ui, Message::GuideStarLost, "ignored");
  ShowMessage(ui, Message::NoIniFile);
  ShowMessage(ui, Message::NotInFullScreen);
  ASSERT_EQ(ui.messages().size(), 9u);
  EXPECT_EQ(ui.messages()[0].text, "line one\nline two");
  EXPECT_EQ(ui.messages()[1].text, "");
  EXPECT_EQ(ui.messages()[2].text, "");
  EXPECT_EQ(ui.messages()[3].text, "");
  EXPECT_EQ(ui.messages()[4].text.size(), 255u);
  EXPECT_EQ(ui.messages()[5].text, "Sorry, outside Image area - try again");
  EXPECT_EQ(ui.messages()[6].text,
            "Sorry. Guide star lost.\n\nStar may have moved more than 10 pixels, or has different "
            "intensity to previous reading (+/-5%)");
  EXPECT_EQ(ui.messages()[7].text, "Warning!\nNo INI file found, please set defaults...");
  EXPECT_EQ(ui.messages()[8].text, "Sorry, Not available in full screen display");
  for (const auto& m : ui.messages())
    EXPECT_EQ(m.title, "NVK_K7LQ_USB");
}

TEST(MessagesTest, ShowErrorCode) {
  port::ScriptedUi ui;
  EXPECT_EQ(ShowErrorCode(ui, 0), 0);
  EXPECT_EQ(ShowErrorCode(ui, 17), 17);
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_EQ(ShowErrorCode(ui, -5), -1);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].text, "ERROR -5 ");
}

}  // namespace
}  // namespace nvk::base

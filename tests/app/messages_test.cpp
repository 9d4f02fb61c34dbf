#include "app/messages.h"

#include <gtest/gtest.h>

#include "port/scripted_ui.h"

namespace nvk::app {
namespace {

TEST(MessagesTest, FixedTextsByCode) {
  struct Row {
    int code;
    const char* text;
  };
  const Row rows[] = {
      {1, "Warning!\nNo INI file found, please set defaults..."},
      {2, "Sorry, outside Image area - try again"},
      {4,
       "Sorry. Guide star lost.\n\nStar may have moved more than 10 pixels, or has different "
       "intensity to previous reading (+/-5%)"},
      {73, "Sorry, Not available in full screen display"},
  };
  for (const auto& r : rows) {
    port::ScriptedUi ui;
    ShowMessage(ui, r.code, "ignored");
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].title, "NVK_K7LQ_USB");
    EXPECT_EQ(ui.messages()[0].text, r.text) << r.code;
  }
}

TEST(MessagesTest, CallerTextEmptyAndUnknownCodes) {
  port::ScriptedUi ui;
  ShowMessage(ui, 50, "line one\nline two");
  ShowMessage(ui, 41, "not shown");
  ShowMessage(ui, 53, "not shown");
  ShowMessage(ui, 3);
  ShowMessage(ui, 50, std::string(300, 'x'));
  ASSERT_EQ(ui.messages().size(), 5u);
  EXPECT_EQ(ui.messages()[0].text, "line one\nline two");
  EXPECT_EQ(ui.messages()[1].text, "");
  EXPECT_EQ(ui.messages()[2].text, "");
  EXPECT_EQ(ui.messages()[3].text, "");
  EXPECT_EQ(ui.messages()[4].text.size(), 255u);
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
}  // namespace nvk::app

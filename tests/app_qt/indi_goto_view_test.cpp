#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/qt/defaults_dialog_view.h"
#include "app/qt/move_telescope_dialog_view.h"
#include "app/qt/qt_ui.h"
#include "settings/defaults_dialog.h"
#include "support/program_fixture.h"
#include "support/scripted_indi_client.h"

namespace nvk::app::qt {
namespace {

// "INDI" chosen in Set Program Defaults makes the Move Telescope dialog's GoTo go to the INDI
// mount named there.
TEST(IndiGoToView, GoToThroughTheIndiChoiceOfSetProgramDefaults) {
  nvk::test::ProgramFixture f;
  QtUi qtUi;
  nvk::test::ScriptedIndiClient* client = nullptr;
  f.program.telescope.makeIndiClient = [&client] {
    auto made = std::make_unique<nvk::test::ScriptedIndiClient>();
    made->answers["EQUATORIAL_EOD_COORD"] = {
        nvk::test::ScriptedIndiClient::event("EQUATORIAL_EOD_COORD", port::IndiState::Busy)};
    client = made.get();
    return made;
  };

  settings::DefaultsDialog defaults(f.program.settings, f.program.fits, f.program.paths(),
                                    f.program.comPorts, qtUi);
  defaults.attachPreferences(f.program.preferences);
  {
    DefaultsDialogView view(defaults, qtUi, nullptr);
    view.findChild<QRadioButton*>(QStringLiteral("INDI"))->click();
    const std::pair<const char*, const char*> fields[] = {
        {"INDI host", "127.0.0.1"}, {"INDI port", "7625"}, {"INDI mount", "Mount"}};
    for (const auto& [name, text] : fields) {
      auto* edit = view.findChild<QLineEdit*>(QString::fromUtf8(name));
      ASSERT_NE(edit, nullptr) << name;
      edit->setText(QString::fromUtf8(text));
      emit edit->textEdited(edit->text());
      emit edit->editingFinished();
    }
  }
  EXPECT_TRUE(f.program.preferences.indiEnabled);
  EXPECT_EQ(f.program.preferences.indiPort, 7625);

  scope::TMTDialog model(f.program);
  TMTDialogView view(model, qtUi, nullptr);
  view.findChild<QLineEdit*>(QStringLiteral("messier"))->setText("42");
  QTest::mouseClick(view.findChild<QPushButton*>(QStringLiteral("goToObject")), Qt::LeftButton);
  ASSERT_NE(client, nullptr);
  ASSERT_FALSE(client->sent.empty());
  EXPECT_EQ(client->sent.back().property, "EQUATORIAL_EOD_COORD");
  const QString info = view.findChild<QLineEdit*>(QStringLiteral("info1"))->text();
  EXPECT_TRUE(info.startsWith("M42 -> ")) << info.toStdString();
  EXPECT_TRUE(info.endsWith(": slewing")) << info.toStdString();
  EXPECT_EQ(view.findChild<QLineEdit*>(QStringLiteral("info2"))->text(), "");
}

}  // namespace
}  // namespace nvk::app::qt

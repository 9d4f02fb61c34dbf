#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "settings/defaults_dialog.h"

class QLabel;
class QLineEdit;

namespace nvk::app::qt {

class QtUi;

// "Set Program Defaults": every control of the model in labelled groups. Each control acts on
// the model at once and the whole dialog then shows the settings again.
class DefaultsDialogView final : public QDialog {
  Q_OBJECT

 public:
  DefaultsDialogView(settings::DefaultsDialog& model, QtUi& ui, QWidget* parent);

  // Shows the settings and the edits of the model.
  void refresh();

 private:
  // A line edit bound to a text of the model: typing writes the text, refresh() reads it.
  QLineEdit* boundEdit(std::string& text, QWidget* parent, int maxLength = 0);

  settings::DefaultsDialog& model_;
  std::vector<std::function<void()>> refreshers_;
};

}  // namespace nvk::app::qt

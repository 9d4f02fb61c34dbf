#pragma once

#include <QDialog>
#include <QLineEdit>

#include "colour/colour_dialog.h"
#include "colour/single_filter.h"

namespace nvk::app::qt {

class QtUi;

// "SYNTHESIZE COLOUR IMAGE": the check boxes, the stretch radio group and the three number
// edits bound to TColourDialog; "Create Image" closes only when the model accepts the numbers.
class ColourDialogView final : public QDialog {
  Q_OBJECT

 public:
  ColourDialogView(colour::TColourDialog& model, QtUi& ui, QWidget* parent);

 private:
  void showEdits();

  colour::TColourDialog& model_;
  QLineEdit* userPower_;
  QLineEdit* diameter_;
  QLineEdit* power_;
};

// "Construct Single Filter Image": the 2 x 2 grid of sites bound to the model.
class SingleFilterDialogView final : public QDialog {
  Q_OBJECT

 public:
  SingleFilterDialogView(colour::SingleFilterDialog& model, QtUi& ui, QWidget* parent);

 private:
  colour::SingleFilterDialog& model_;
};

}  // namespace nvk::app::qt

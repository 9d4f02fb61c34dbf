#pragma once

#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "colour/colour_tools_dialogs.h"
#include "process/measure_merge.h"
#include "process/measure_tools.h"

namespace nvk::app::qt {

class QtUi;

// Thin views of the measurement and colour tool dialogs: the edits show the model's texts, OK
// hands the typed texts to the model, which decides whether the dialog closes.

// A dialog of edits bound to texts of its model.
class TextEditsDialog : public QDialog {
 public:
  using QDialog::QDialog;

 protected:
  // A new edit (named for the tests) that shows and takes `text`.
  QLineEdit* bindEdit(const QString& name, std::string& text);
  // OK and Cancel (and `more`) at the foot of `layout`: OK takes every edit into its text, asks
  // `ok`, shows the texts again (the model may have rewritten them) and closes when `ok` allows.
  QDialogButtonBox* addButtons(QLayout* layout, const std::function<bool()>& ok,
                               QDialogButtonBox::StandardButtons more = {});
  void showTexts();

 private:
  std::vector<std::pair<QLineEdit*, std::string*>> bound_;
};

// "Photometry Apertures": R1, R2 and R3.
class PhotometryDialogView final : public TextEditsDialog {
  Q_OBJECT

 public:
  PhotometryDialogView(process::PhotometryDialog& model, QtUi& ui, QWidget* parent);
};

// "Colour Starting Balance": start, minimum and maximum for red, green and blue, and the
// saturation factor; OK, Cancel, Reset and Help.
class BalanceDialogView final : public TextEditsDialog {
  Q_OBJECT

 public:
  BalanceDialogView(colour::TBalanceDialog& model, QtUi& ui, QWidget* parent);
};

// "Adjust Chromatism": the shifts of the red and blue planes.
class ChromatismDialogView final : public TextEditsDialog {
  Q_OBJECT

 public:
  ChromatismDialogView(colour::TChromatismDialog& model, QtUi& ui, QWidget* parent);
};

// "Merge two Images together": add or average.
class MergeDialogView final : public QDialog {
  Q_OBJECT

 public:
  MergeDialogView(process::MergeDialog& model, QtUi& ui, QWidget* parent);
};

}  // namespace nvk::app::qt

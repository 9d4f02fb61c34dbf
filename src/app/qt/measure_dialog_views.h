#pragma once

#include <QDialog>
#include <QLineEdit>
#include <array>

#include "colour/colour_tools_dialogs.h"
#include "process/measure_merge.h"
#include "process/measure_tools.h"

namespace nvk::app::qt {

class QtUi;

// Thin views of the measurement and colour tool dialogs: the edits show the model's texts, OK
// hands the typed texts to the model, which decides whether the dialog closes.

// "Photometry Apertures": R1, R2 and R3.
class PhotometryDialogView final : public QDialog {
  Q_OBJECT

 public:
  PhotometryDialogView(process::PhotometryDialog& model, QtUi& ui, QWidget* parent);

 private:
  void showModel();
  process::PhotometryDialog& model_;
  std::array<QLineEdit*, 3> edits_{};
};

// "Colour Starting Balance": start, minimum and maximum for red, green and blue, and the
// saturation factor; OK, Cancel, Reset and Help.
class BalanceDialogView final : public QDialog {
  Q_OBJECT

 public:
  BalanceDialogView(colour::TBalanceDialog& model, QtUi& ui, QWidget* parent);

 private:
  void showModel();
  void takeEdits();
  colour::TBalanceDialog& model_;
  std::array<QLineEdit*, 3> start_{};
  std::array<QLineEdit*, 3> minimum_{};
  std::array<QLineEdit*, 3> maximum_{};
  QLineEdit* saturation_ = nullptr;
};

// "Adjust Chromatism": the shifts of the red and blue planes.
class ChromatismDialogView final : public QDialog {
  Q_OBJECT

 public:
  ChromatismDialogView(colour::TChromatismDialog& model, QtUi& ui, QWidget* parent);

 private:
  void showModel();
  colour::TChromatismDialog& model_;
  std::array<QLineEdit*, 4> edits_{};
};

// "Merge two Images together": add or average.
class MergeDialogView final : public QDialog {
  Q_OBJECT

 public:
  MergeDialogView(process::MergeDialog& model, QtUi& ui, QWidget* parent);
};

}  // namespace nvk::app::qt

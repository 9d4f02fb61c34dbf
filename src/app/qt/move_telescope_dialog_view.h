#pragma once

#include <QDialog>

#include "scope/move_telescope_dialog.h"

class QLineEdit;
class QAbstractButton;

namespace nvk::app::qt {

class QtUi;

// "NVK_K7LQ_USB Move Telescope": the GoTo edits and buttons, the planets, the move and focus
// arrows (press starts, release stops), the speed radios and the two "Info from Scope" lines,
// all bound to the TMTDialog model.
class TMTDialogView final : public QDialog {
  Q_OBJECT

 public:
  TMTDialogView(scope::TMTDialog& model, QtUi& ui, QWidget* parent);

 private:
  // Shows the model's info lines and radios again after an action.
  void refresh();
  QAbstractButton* arrow(scope::Arrow arrow, const QString& name, Qt::ArrowType type);

  scope::TMTDialog& model_;
  QLineEdit* info_[2] = {nullptr, nullptr};
  QAbstractButton* rates_[4] = {};
  QAbstractButton* fast_ = nullptr;
  QAbstractButton* slow_ = nullptr;
};

// "Move Telescope": four arrows that hold the autoguider socket's lines, and Finished.
class TCBDialogView final : public QDialog {
  Q_OBJECT

 public:
  TCBDialogView(scope::TCBDialog& model, QtUi& ui, QWidget* parent);
};

}  // namespace nvk::app::qt

#pragma once

#include <QDialog>

#include "files/fits_details_dialog.h"

class QLineEdit;
class QScrollBar;

namespace nvk::app::qt {

class QtUi;

// "FITS DETAILS": an edit per field of the model (History and Comments multi-line), the UT
// offset with its scroll bar, the eight-bit box, "Continue" and "Abort".
class FitsDetailsDialogView final : public QDialog {
  Q_OBJECT

 public:
  FitsDetailsDialogView(files::FitsDetailsDialog& model, QtUi& ui, QWidget* parent);

 private:
  files::FitsDetailsDialog& model_;
  QLineEdit* utOffset_ = nullptr;
  QScrollBar* utScroll_ = nullptr;
};

// "DELETE FILE DIALOG": the question, the full path read-only, OK and Cancel.
class DeleteFileDialogView final : public QDialog {
  Q_OBJECT

 public:
  DeleteFileDialogView(files::DeleteFileDialog& model, QtUi& ui, QWidget* parent);
};

}  // namespace nvk::app::qt

#pragma once

#include <QDialog>

#include "app/label_stamp.h"
#include "process/process_dialogs.h"

namespace nvk::app::qt {

class QtUi;

// Thin views of the image-processing dialogs: every rule lives in the model, the widgets only
// show it and pass the user's actions on.
class NormalStretchView final : public QDialog {
 public:
  NormalStretchView(process::NormalStretchDialog& model, QtUi& ui, QWidget* parent);
};
class PowerLawView final : public QDialog {
 public:
  PowerLawView(process::PowerLawDialog& model, QtUi& ui, QWidget* parent);
};
class NonLinearView final : public QDialog {
 public:
  NonLinearView(process::NonLinearDialog& model, QtUi& ui, QWidget* parent);
};
class AutoProcessingView final : public QDialog {
 public:
  AutoProcessingView(process::AutoProcessingDialog& model, QtUi& ui, QWidget* parent);
};
class StretchDisplayView final : public QDialog {
 public:
  StretchDisplayView(process::StretchDisplayDialog& model, QtUi& ui, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  process::StretchDisplayDialog& model_;
};
class UnsharpMaskView final : public QDialog {
 public:
  UnsharpMaskView(process::UnsharpMaskDialog& model, QtUi& ui, QWidget* parent);
};
class MedianFilterView final : public QDialog {
 public:
  MedianFilterView(process::MedianFilterDialog& model, QtUi& ui, QWidget* parent);
};
class HotPixelMapView final : public QDialog {
 public:
  HotPixelMapView(process::HotPixelMapDialog& model, QtUi& ui, QWidget* parent);
};
class LabelView final : public QDialog {
 public:
  LabelView(LabelDialog& model, QtUi& ui, QWidget* parent);
};

}  // namespace nvk::app::qt

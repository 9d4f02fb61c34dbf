#include "app/qt/dialog_views.h"

#include <array>
#include <string_view>

#include "app/qt/camera_dialog_view.h"
#include "app/qt/colour_dialog_views.h"
#include "app/qt/defaults_dialog_view.h"
#include "app/qt/file_dialog_views.h"
#include "app/qt/guider_dialog_view.h"
#include "app/qt/measure_dialog_views.h"
#include "app/qt/move_telescope_dialog_view.h"
#include "app/qt/process_dialog_views.h"
#include "app/qt/sub_frame_dialog_view.h"

namespace nvk::app::qt {
namespace {

using ViewFactory = std::unique_ptr<QDialog> (*)(port::DialogModel&, QtUi&, QWidget*);

template <typename View, typename Model>
std::unique_ptr<QDialog> make(port::DialogModel& model, QtUi& ui, QWidget* parent) {
  return std::make_unique<View>(dynamic_cast<Model&>(model), ui, parent);
}

// One line per dialog: the model's dialogId() and its view.
constexpr std::pair<std::string_view, ViewFactory> kViews[] = {
    {"TSubFrameDialog", make<SubFrameDialogView, image::SubFrameDialog>},
    {"TDefaultsDialog", make<DefaultsDialogView, settings::DefaultsDialog>},
    {"TColourDialog", make<ColourDialogView, colour::TColourDialog>},
    {"TSingleFilterDialog", make<SingleFilterDialogView, colour::SingleFilterDialog>},
    {"TNormalStretchDialog", make<NormalStretchView, process::NormalStretchDialog>},
    {"TPowerLawDialog", make<PowerLawView, process::PowerLawDialog>},
    {"TNonLinearDialog", make<NonLinearView, process::NonLinearDialog>},
    {"TAutoProcessDialog", make<AutoProcessingView, process::AutoProcessingDialog>},
    {"TStretchDisplayDialog", make<StretchDisplayView, process::StretchDisplayDialog>},
    {"TUnsharpMaskDialog", make<UnsharpMaskView, process::UnsharpMaskDialog>},
    {"TMedianFilterDialog", make<MedianFilterView, process::MedianFilterDialog>},
    {"THPMDialog", make<HotPixelMapView, process::HotPixelMapDialog>},
    {"TLabelDialog", make<LabelView, LabelDialog>},
    {"TMTDialog", make<TMTDialogView, scope::TMTDialog>},
    {"TCBDialog", make<TCBDialogView, scope::TCBDialog>},
    {"TFitsDetailsDialog", make<FitsDetailsDialogView, files::FitsDetailsDialog>},
    {"TDeleteFileDialog", make<DeleteFileDialogView, files::DeleteFileDialog>},
    {"TNVDialog", make<CameraDialogView, acquire::TNVDialog>},
    {"TGNVDialog", make<GuiderDialogView, acquire::TGNVDialog>},
    {"TPhotometryDialog", make<PhotometryDialogView, process::PhotometryDialog>},
    {"TBalanceDialog", make<BalanceDialogView, colour::TBalanceDialog>},
    {"TChromatismDialog", make<ChromatismDialogView, colour::TChromatismDialog>},
    {"TMergeDialog", make<MergeDialogView, process::MergeDialog>},
};

}  // namespace

std::unique_ptr<QDialog> makeDialogView(port::DialogModel& model, QtUi& ui, QWidget* parent) {
  for (const auto& [id, factory] : kViews) {
    if (id == model.dialogId()) return factory(model, ui, parent);
  }
  return nullptr;
}

}  // namespace nvk::app::qt

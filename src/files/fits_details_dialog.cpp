#include "files/fits_details_dialog.h"

#include <cstdio>
#include <string>

namespace nvk::files {
namespace {

std::string numberText(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%f", value);
  return text;
}

// As sscanf("%lf"): a text that does not start with a number leaves the value unchanged.
void readNumber(const std::string& text, double& value) {
  double parsed = 0.0;
  if (std::sscanf(text.c_str(), "%lf", &parsed) == 1) value = parsed;
}

}  // namespace

FitsDetailsDialog::FitsDetailsDialog(image::FitsHeaderInfo& info, bool& eightBit)
    : info_(info), eightBit_(eightBit) {
  setText(101, info.object);
  setText(102, info.observer);
  setText(109, info.origin);
  setText(104, info.telescope);
  setText(113, numberText(info.focalLength));
  setText(114, numberText(info.aperture));
  setText(115, info.filter);
  setText(105, info.instrument);
  setText(116, numberText(info.exposureSeconds));
  setText(107, info.historyText);
  setText(106, info.commentText);
  setText(103, info.dateObs);
  setText(110, info.timeObs);
  utOffset_ = info.utOffsetHours;
  if (utOffset_ < kMinUtOffset || utOffset_ > kMaxUtOffset) utOffset_ = 0;
  utOffsetText_ = std::to_string(utOffset_);
}

const FitsDetailsDialog::Edit* FitsDetailsDialog::findEdit(int controlId) {
  for (const auto& edit : kEdits) {
    if (edit.controlId == controlId) return &edit;
  }
  return nullptr;
}

std::string& FitsDetailsDialog::slot(int controlId) {
  return texts_[static_cast<std::size_t>(findEdit(controlId) - kEdits.data())];
}

const std::string& FitsDetailsDialog::text(int controlId) const {
  if (controlId == kUtOffsetEdit) return utOffsetText_;
  static const std::string kNone;
  const Edit* edit = findEdit(controlId);
  return edit ? texts_[static_cast<std::size_t>(edit - kEdits.data())] : kNone;
}

bool FitsDetailsDialog::setText(int controlId, std::string_view text) {
  const Edit* edit = findEdit(controlId);
  if (edit == nullptr) return false;
  slot(controlId).assign(text.substr(0, edit->limit));
  return true;
}

void FitsDetailsDialog::scrollUtOffset(int step) {
  const int next = utOffset_ + (step > 0 ? 1 : step < 0 ? -1 : 0);
  if (next >= kMinUtOffset && next <= kMaxUtOffset) utOffset_ = next;
  utOffsetText_ = std::to_string(utOffset_);
}

port::DialogResult FitsDetailsDialog::pressContinue() {
  info_.object = slot(101);
  info_.observer = slot(102);
  info_.origin = slot(109);
  info_.telescope = slot(104);
  readNumber(slot(113), info_.focalLength);
  readNumber(slot(114), info_.aperture);
  info_.filter = slot(115);
  info_.instrument = slot(105);
  readNumber(slot(116), info_.exposureSeconds);
  info_.historyText = slot(107);
  info_.commentText = slot(106);
  info_.dateObs = slot(103);
  info_.timeObs = slot(110);
  info_.utOffsetHours = static_cast<std::int16_t>(utOffset_);
  return port::DialogResult::Ok;
}

}  // namespace nvk::files

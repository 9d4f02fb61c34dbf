#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "colour/program.h"
#include "port/ui.h"

namespace nvk::colour {

// A site of the 2 x 2 colour matrix as "Construct Single Filter Image" offers it: the chosen
// samples are those whose row has the parity of `firstRow` and whose column that of
// `firstColumn`. The grid is fixed; it does not follow "Pixel Offset" and "Line Offset".
struct MatrixSite {
  int choice;  // 1..4
  int controlId;
  std::string_view label;
  int firstRow;
  int firstColumn;
};
const std::array<MatrixSite, 4>& matrixSites();
// The site of choice 1..4 (anything else gives choice 1).
const MatrixSite& matrixSite(int choice);

// Overwrites every sample of a `width` x `height` frame that is not of `site` with averages of
// its neighbours of that site (integer halves, each taken before the addition):
//   1. in the site's rows, a sample between two site samples takes half of each; the last
//      column, when it lies after a site sample with no site sample to its right, takes the
//      value of that site sample (the row is never read past its end);
//   2. in the rows between (rows firstRow + 1, + 3, ... below height - 1), every column from
//      firstColumn on takes half of the sample above and half of the sample below.
// Samples outside both passes (row 0 or column 0 when the site starts at 1, the last row when
// the site's rows are even) keep their values.
void buildSingleFilterRows(std::uint16_t* frame, int width, int rowBegin, int rowEnd,
                           const MatrixSite& site);
void buildSingleFilterBetweenRows(std::uint16_t* frame, int width, int rowBegin, int rowEnd,
                                  const MatrixSite& site);

// "Construct Single Filter Image": four radio buttons, each choosing its site at once.
class SingleFilterDialog final : public port::DialogModel {
 public:
  static constexpr int kBuildImage = 1;
  static constexpr int kCancel = 2;
  static constexpr int kHelp = 9;
  static constexpr std::string_view kPrompt = "Select Pixel from colour grid";
  static constexpr std::string_view kHelpText =
      "Select the filter from the matrix that you want to base the image on.\n\nThe rest will "
      "be overwritten with averages from adjacent similar filters\n\nThis option is used to "
      "extract mono data when Halpha filter has been used";

  SingleFilterDialog(int& choice, port::Ui& ui) : choice_(choice), ui_(ui) {}

  std::string_view dialogId() const override { return "TSingleFilterDialog"; }
  std::string title() const override { return "Construct Single Filter Image"; }

  int checkedControl() const { return matrixSite(choice_).controlId; }
  // A click on radio button 3101..3104.
  void select(int controlId);
  void help() const;

 private:
  int& choice_;
  port::Ui& ui_;
};

// Builds the single-filter image of the chosen site in RawImage with progress, undo copy and
// history line; refuses a colour-converted or binned image. No dialog.
void buildSingleFilterImage(Program& program, int choice);

// "Create Mono Image from Raw" (command 8117): the refusal, the dialog, then the image.
void CreateMonoImageFromRaw(Program& program);

}  // namespace nvk::colour

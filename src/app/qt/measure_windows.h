#pragma once

#include <QDialog>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/command_map.h"
#include "app/measure_windows_model.h"
#include "process/measure_histogram.h"
#include "process/measure_plots.h"
#include "process/measure_tools.h"

class QLabel;
class QPlainTextEdit;
class QSlider;
class QSpinBox;

namespace nvk::app::qt {

// The plot of "Histogram of Current Image": one vertical line per display value 0..255, count / 5
// pixels high and at most 210; a cut line is drawn in the second colour.
class HistogramPlot final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kLeft = 10;  // x of value 0
  static constexpr int kBaseline = process::DisplayHistogram::kMaxLine + 10;
  static constexpr QRgb kLineColour = 0xff000080;
  static constexpr QRgb kCutColour = 0xffd00000;

  explicit HistogramPlot(QWidget* parent);
  void setHistogram(const process::DisplayHistogram& histogram);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  process::DisplayHistogram histogram_;
};

// "Histogram of Current Image": the plot and, beside it, the listing of the cut values.
class HistogramWindow final : public QDialog {
  Q_OBJECT

 public:
  explicit HistogramWindow(QWidget* parent);
  void setHistogram(const process::DisplayHistogram& histogram);
  QString listing() const;
  HistogramPlot* plot() const { return plot_; }

 private:
  HistogramPlot* plot_;
  QLabel* listing_;
};

// The row plot: the samples of the row against the column, with labelled axes; red, green and
// blue curves for a colour image.
class RowPlotView final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kLeft = 60;  // room for the value labels
  static constexpr int kTop = 10;
  static constexpr int kRight = 10;
  static constexpr int kBottom = 30;  // room for the column labels

  explicit RowPlotView(QWidget* parent);
  void setPlot(process::RowPlot plot);
  const process::RowPlot& plot() const { return plot_; }
  // The value range drawn: the row's minimum to maximum, widened when they are equal.
  std::pair<double, double> valueRange() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  process::RowPlot plot_;
};

// "Intensity Plot of Current Row".
class RowPlotWindow final : public QDialog {
  Q_OBJECT

 public:
  explicit RowPlotWindow(QWidget* parent);
  void setPlot(process::RowPlot plot);
  RowPlotView* view() const { return view_; }
  QString caption() const;

 private:
  RowPlotView* view_;
  QLabel* caption_;
};

// The wireframe of "3-D Intensity Plot", painted far lines first.
class Plot3dView final : public QWidget {
  Q_OBJECT

 public:
  explicit Plot3dView(QWidget* parent);
  void setPlot(process::Plot3d plot);
  const process::Plot3d& plot() const { return plot_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  process::Plot3d plot_;
};

// "3-D Intensity Plot": the wireframe, the sliders that turn and tilt it, and the region's size
// and the grid's.
class IntensityPlot3dWindow final : public QDialog {
  Q_OBJECT

 public:
  IntensityPlot3dWindow(const MeasureWindowsModel& model, QWidget* parent);
  // Recomputes the plot from the image with the sliders' angles.
  void refresh();
  process::Plot3dOptions options() const;
  Plot3dView* view() const { return view_; }
  QSlider* azimuth() const { return azimuth_; }
  QSlider* elevation() const { return elevation_; }
  QSpinBox* regionSize() const { return regionSize_; }
  QSpinBox* gridSize() const { return gridSize_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  MeasureWindowsModel model_;
  Plot3dView* view_;
  QSlider* azimuth_;
  QSlider* elevation_;
  QSpinBox* regionSize_;
  QSpinBox* gridSize_;
  QLabel* caption_;
};

// "Photometry": the list of the measurements since photometry mode began, and the details of
// the last one. Closing it ends photometry mode.
class PhotometryWindow final : public QDialog {
  Q_OBJECT

 public:
  explicit PhotometryWindow(QWidget* parent);
  void refresh(const process::MeasureState& measure);
  QStringList listLines() const;
  QString details() const;

 private:
  QPlainTextEdit* list_;
  QLabel* details_;
  QLabel* radii_;
};

// "Show Values": x, y and the sample under the mouse (and red, green and blue when converted).
class ShowValuesWindow final : public QDialog {
  Q_OBJECT

 public:
  explicit ShowValuesWindow(QWidget* parent);
  void setReadout(const process::PixelReadout& readout);
  QString text() const;

 private:
  QLabel* text_;
};

// The main window's measurement tool windows: opened on request, refreshed when the picture
// changes or the mouse moves, and closing them ends their tools.
class ToolWindows final {
 public:
  // `changed` is called when closing a window changed the program's state (check marks).
  ToolWindows(CommandContext& context, QWidget* parent, std::function<void()> changed);
  ~ToolWindows();

  void show(ToolWindow which);
  // The picture was rebuilt: the histogram and the 3-D plot follow it.
  void pictureChanged();
  // The mouse is over display pixel (x, y).
  void mouseMoved(int displayX, int displayY);
  // Closes the show-values window once its flag is off.
  void sync();

  HistogramWindow* histogram() const { return histogram_; }
  RowPlotWindow* rowPlot() const { return rowPlot_; }
  IntensityPlot3dWindow* plot3d() const { return plot3d_; }
  PhotometryWindow* photometry() const { return photometry_; }
  ShowValuesWindow* showValues() const { return showValues_; }

 private:
  template <typename Window>
  void present(Window* window);

  MeasureWindowsModel model_;
  QWidget* parent_;
  std::function<void()> changed_;
  // The receiver of the windows' signals: they fall silent once this object is gone.
  std::unique_ptr<QObject> guard_;
  QPointer<HistogramWindow> histogram_;
  QPointer<RowPlotWindow> rowPlot_;
  QPointer<IntensityPlot3dWindow> plot3d_;
  QPointer<PhotometryWindow> photometry_;
  QPointer<ShowValuesWindow> showValues_;
};

}  // namespace nvk::app::qt

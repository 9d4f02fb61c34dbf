#include "app/qt/print_picture.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QPrinter>
#include <filesystem>

#include "support/temp_dir.h"

namespace nvk::app::qt {
namespace {

// A picture of `width` x `height` indexed pixels, all of palette entry 7, which is pure red.
QImage redIndexedPicture(int width, int height) {
  QImage picture(width, height, QImage::Format_Indexed8);
  QList<QRgb> palette(256, qRgb(0, 0, 0));
  palette[7] = qRgb(255, 0, 0);
  picture.setColorTable(palette);
  picture.fill(7);
  return picture;
}

TEST(PrintPicture, ThePictureFillsThePageWidthOrHeightCentredInItsColours) {
  struct Case {
    QSize picture;
    QRect page;
    QRect expected;
  };
  const Case cases[] = {
      // A wide picture on a square page: full width, centred vertically.
      {{40, 20}, {0, 0, 100, 100}, {0, 25, 100, 50}},
      // A tall picture on a wide page with a margin: full height, centred across.
      {{20, 40}, {10, 20, 200, 60}, {10 + 85, 20, 30, 60}},
  };
  for (const auto& c : cases) {
    QImage page(220, 120, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    const QRect filled = paintPictureOnPage(
        painter, c.page, redIndexedPicture(c.picture.width(), c.picture.height()));
    painter.end();
    EXPECT_EQ(filled, c.expected);
    // Inside the rectangle the palette's red; outside it the page stays white.
    EXPECT_EQ(page.pixel(c.expected.center()), qRgb(255, 0, 0));
    EXPECT_EQ(page.pixel(c.expected.left() + 1, c.expected.top() + 1), qRgb(255, 0, 0));
    EXPECT_EQ(page.pixel(c.expected.right() - 1, c.expected.bottom() - 1), qRgb(255, 0, 0));
    if (c.expected.top() > 1) {
      EXPECT_EQ(page.pixel(c.expected.center().x(), c.expected.top() - 2), qRgb(255, 255, 255));
    }
    if (c.expected.left() > 1) {
      EXPECT_EQ(page.pixel(c.expected.left() - 2, c.expected.center().y()), qRgb(255, 255, 255));
    }
    EXPECT_EQ(page.pixel(c.expected.right() + 2, c.expected.bottom() + 2), qRgb(255, 255, 255));
  }
}

TEST(PrintPicture, NoPictureNothingPainted) {
  QImage page(10, 10, QImage::Format_RGB32);
  page.fill(Qt::white);
  QPainter painter(&page);
  EXPECT_TRUE(paintPictureOnPage(painter, page.rect(), QImage()).isEmpty());
  painter.end();
  EXPECT_EQ(page.pixel(5, 5), qRgb(255, 255, 255));
}

TEST(PrintPicture, SaysWhetherThePagePrinted) {
  nvk::test::TempDir root;
  struct Case {
    const char* what;
    QImage picture;
    std::filesystem::path output;
    bool printed;
  };
  const Case cases[] = {
      {"a picture on a PDF printer", redIndexedPicture(40, 20), root / "page.pdf", true},
      {"no picture", QImage(), root / "none.pdf", false},
      // The printer cannot start: its output goes into a folder that does not exist.
      {"a printer that fails", redIndexedPicture(40, 20), root / "missing" / "page.pdf", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(c.output.string()));
    EXPECT_EQ(printPicture(printer, c.picture), c.printed);
    EXPECT_EQ(std::filesystem::exists(c.output), c.printed);
  }
}

}  // namespace
}  // namespace nvk::app::qt

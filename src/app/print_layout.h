#pragma once

namespace nvk::app {

// A rectangle of the printed page, in the printer's device pixels.
struct PageRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const PageRect&) const = default;
};

// Where Print puts the picture on the page: as large as the printable area allows with the
// picture's proportions kept (no pixel becomes oblong), centred. A picture or page without area
// gives an empty rectangle: nothing is printed.
PageRect placeOnPage(int pictureWidth, int pictureHeight, int pageWidth, int pageHeight);

}  // namespace nvk::app

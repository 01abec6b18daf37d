#pragma once
// Drawing page files with a QPainter (the Qt front end's page views, the renderers).
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSizeF>
#include <string>

#include "runtime/report/page_file.h"

namespace rt::report::render {

// Draws the page into `target` (device coordinates), scaled to fill it: white paper, then the
// items in file order.
void paintPage(QPainter& painter, const PageFile& page, const QRectF& target);

// Reads and draws a page file; a file that cannot be read is drawn as a blank page.
void paintPageFile(QPainter& painter, const std::string& path, const QRectF& target);

// The page's paper in inches (Letter for a file that cannot be read).
QSizeF pageInches(const std::string& path);

// The page as a picture `width` pixels wide (height in the paper's proportion).
QImage pageImage(const std::string& path, int width);

// A picture file; JPEG through libjpeg-turbo (jpeg_picture.h), other formats through Qt's
// readers. Null when it cannot be read whole.
QImage loadPicture(const std::string& path);

}  // namespace rt::report::render

#pragma once
#include <QByteArray>
#include <QImage>

// The PNG file of an opaque raster: 8-bit RGB, no interlacing, its resolution (pHYs) when it
// has one. Rows go unfiltered into a fast zlib level: a chart page is mostly runs of one
// colour, which deflate finds without filters, and trying the five filters on every row (the
// general-purpose writers' default) costs several times the whole page's drawing.
// Alpha is dropped. The image is taken by value and its pixels are reused as the work buffer:
// move a raster in when it is no longer needed, and no copy is made. An empty result means the
// image was null or there was not enough memory.
QByteArray EncodePng(QImage image);

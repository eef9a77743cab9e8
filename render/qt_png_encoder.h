#pragma once
#include <QByteArray>
#include <QImage>

// The PNG file of an opaque raster: 8-bit palette indexes where the image has at most 256
// colours (a page without antialiased ink), else 8-bit RGB; no interlacing; its resolution
// (pHYs) when it has one. Rows go unfiltered into our own deflate encoder (png_deflate.h),
// which finds a drawn page's runs of one colour and repeated rows at a fraction of a general
// encoder's cost; trying the five filters on every row (the general-purpose writers' default)
// costs several times the whole page's drawing.
// Alpha is dropped. The image is taken by value and its pixels are reused as the work buffer:
// move a raster in when it is no longer needed, and no copy is made. An empty result means the
// image was null or there was not enough memory.
QByteArray EncodePng(QImage image);

// A raster of 32-bit RGB pixels for a drawing to be encoded, or a null image when there is not
// enough memory. Its memory is asked for in huge pages where the system gives them for the
// asking: a page's few megabytes then cost the kernel two faults instead of a thousand.
QImage NewRaster(int width, int height);

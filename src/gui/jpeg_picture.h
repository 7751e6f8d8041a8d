#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// JPEG pictures decoded by libjpeg-turbo itself, so that a picture shows the same whichever
// image plug-ins the Qt installation has. Colour (YCbCr, RGB), grey and CMYK pictures are read;
// a picture that cannot be decoded raises UserError with libjpeg's reason, and one whose header
// claims more than kLargestPicture pixels a side is refused before any decoding.
inline constexpr int kLargestPicture = 4096;
QImage decodeJpeg(const QByteArray& bytes);
QImage loadJpegFile(const QString& fileName);

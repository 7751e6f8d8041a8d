#include "gui/jpeg_picture.h"

#include "core/base/user_error.h"

#include <QFile>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return: it jumps back to
// the decoding frame, which holds nothing that needs destroying.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void errorExit(j_common_ptr info)
{
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->jump, 1);
}

// Warnings about damaged data are not worth a word on stderr: what can be decoded is shown.
void ignoreMessage(j_common_ptr) {}

// Adobe writes CMYK inverted, which libjpeg hands over as it is stored.
QRgb cmykToRgb(const JSAMPLE* p, bool inverted)
{
    int c = p[0], m = p[1], y = p[2], k = p[3];
    if (!inverted) {
        c = 255 - c;
        m = 255 - m;
        y = 255 - y;
        k = 255 - k;
    }
    return qRgb(c * k / 255, m * k / 255, y * k / 255);
}

// Decodes into `image`; on failure returns false with libjpeg's reason in `message`, or with
// the size its header claims in `width` and `height` when that is over kLargestPicture.
// No object with a destructor lives in this frame, so the jump out of libjpeg skips nothing.
bool decodeInto(const QByteArray& bytes, QImage& image, char* message, unsigned& width, unsigned& height)
{
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = errorExit;
    errors.base.output_message = ignoreMessage;
    if (setjmp(errors.jump)) {
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", errors.message);
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    // A few hundred bytes can claim 20000 × 20000 pixels: gigabytes and seconds to decode.
    if (info.image_width > unsigned(kLargestPicture) || info.image_height > unsigned(kLargestPicture)) {
        width = info.image_width;
        height = info.image_height;
        jpeg_destroy_decompress(&info);
        return false;
    }

    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBX;
    jpeg_start_decompress(&info);

    image =
        QImage(int(info.output_width), int(info.output_height), cmyk ? QImage::Format_RGB32 : QImage::Format_RGBX8888);
    if (image.isNull()) {
        std::snprintf(message, JMSG_LENGTH_MAX, "picture too large (%u x %u)", info.output_width, info.output_height);
        jpeg_destroy_decompress(&info);
        return false;
    }
    const bool inverted = info.saw_Adobe_marker;
    JSAMPARRAY rowBuffer =
        cmyk ? (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, info.output_width * 4, 1)
             : nullptr;
    while (info.output_scanline < info.output_height) {
        const int y = int(info.output_scanline);
        if (!cmyk) {
            JSAMPROW row = image.scanLine(y);
            jpeg_read_scanlines(&info, &row, 1);
            continue;
        }
        jpeg_read_scanlines(&info, rowBuffer, 1);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (JDIMENSION x = 0; x < info.output_width; ++x)
            out[x] = cmykToRgb(rowBuffer[0] + 4 * x, inverted);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace

QImage decodeJpeg(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        throw UserError(QStringLiteral("图片无法解码：文件是空的。"));
    QImage image;
    char message[JMSG_LENGTH_MAX] = {};
    unsigned width = 0;
    unsigned height = 0;
    if (!decodeInto(bytes, image, message, width, height)) {
        if (width || height)
            throw UserError(QStringLiteral("图片太大：%1 × %2 像素，最大只能是 %3 × %3 像素")
                                .arg(width)
                                .arg(height)
                                .arg(kLargestPicture));
        throw UserError(QStringLiteral("图片无法解码：%1").arg(QString::fromLocal8Bit(message)));
    }
    return image;
}

QImage loadJpegFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw UserError(cannotOpenFileText(fileName, file.errorString()));
    try {
        return decodeJpeg(file.readAll());
    } catch (const UserError& e) {
        throw UserError(QStringLiteral("%1（%2）").arg(e.message(), fileName));
    }
}

#include "core/base/text_decoding.h"

#include <vector>

namespace {

constexpr qsizetype kChunk = 1 << 16;

// Feeds `bytes` to `decoder` in chunks through one small buffer: a large file costs no more
// memory than a chunk. Stops at the first chunk that holds an error or a NUL; returns where that
// chunk starts, or -1 when none does.
qsizetype feed(QStringDecoder& decoder, QByteArrayView bytes, std::vector<QChar>& buffer)
{
    for (qsizetype at = 0; at < bytes.size(); at += kChunk) {
        const QByteArrayView chunk = bytes.sliced(at, std::min(kChunk, bytes.size() - at));
        decoder.appendToBuffer(buffer.data(), chunk);
        if (decoder.hasError() || chunk.contains('\0'))
            return at;
    }
    return -1;
}

// Where the decoder of `name` first finds a byte it cannot read, or -1. A character cut off by
// the end of the file counts: a line end fed after the last byte shows it.
qsizetype firstUndecodable(QByteArrayView bytes, const char* name)
{
    std::vector<QChar> buffer(std::size_t(2 * std::min(kChunk, bytes.size()) + 8));
    QStringDecoder decoder(name);
    qsizetype chunk = feed(decoder, bytes, buffer);
    if (chunk < 0) {
        decoder.appendToBuffer(buffer.data(), "\n");
        if (!decoder.hasError())
            return -1;
        chunk = std::max<qsizetype>(0, bytes.size() - 4);
    }
    // Again up to that chunk, then byte by byte through it.
    QStringDecoder again(name);
    feed(again, bytes.first(chunk), buffer);
    for (qsizetype i = chunk; i <= bytes.size(); ++i) {
        const bool end = i == bytes.size();
        again.appendToBuffer(buffer.data(), end ? QByteArrayView("\n") : bytes.sliced(i, 1));
        if (!end && bytes[i] == '\0')
            return i;
        if (again.hasError()) {
            // Found at a byte that cannot go on a character: the character began before it.
            qsizetype start = i;
            while (start > chunk && i - start < 3 && static_cast<unsigned char>(bytes[start - 1]) >= 0x80 &&
                   (end || static_cast<unsigned char>(bytes[i]) < 0x80))
                --start;
            return start;
        }
    }
    return bytes.size();
}

qint64 lineOf(QByteArrayView bytes, qsizetype offset)
{
    qint64 line = 1;
    qsizetype next = 0;
    while (next < bytes.size()) {
        qsizetype after = 0;
        lineEnd(bytes, next, after);
        if (after > offset)
            break;
        ++line;
        next = after;
    }
    return line;
}

}  // namespace

qsizetype lineEnd(QByteArrayView bytes, qsizetype from, qsizetype& next)
{
    const char* data = bytes.data();
    const qsizetype size = bytes.size();
    qsizetype at = from;
    while (at < size && data[at] != '\n' && data[at] != '\r')
        ++at;
    next = at < size ? at + 1 : size;
    if (at < size && data[at] == '\r' && next < size && data[next] == '\n')
        ++next;
    return at;
}

QByteArrayView withoutByteOrderMark(QByteArrayView bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") ? bytes.sliced(3) : bytes;
}

TextEncoding detectTextEncoding(QByteArrayView bytes)
{
    TextEncoding encoding;
    encoding.bomLength = bytes.size() - withoutByteOrderMark(bytes).size();
    const QByteArrayView text = bytes.sliced(encoding.bomLength);
    const qsizetype utf8Stop = firstUndecodable(text, "UTF-8");
    if (utf8Stop < 0)
        return encoding;
    encoding.utf8 = false;
    static const bool canReadGbk = QStringDecoder("GBK").isValid();
    const qsizetype gbkStop = canReadGbk ? firstUndecodable(text, "GBK") : 0;
    if (gbkStop < 0)
        return encoding;
    const qsizetype stop = encoding.bomLength + std::max(utf8Stop, gbkStop);
    encoding.badByte = stop + 1;
    encoding.badLine = lineOf(bytes, stop);
    return encoding;
}

QStringDecoder textDecoder(const TextEncoding& encoding)
{
    return encoding.utf8 ? QStringDecoder(QStringDecoder::Utf8) : QStringDecoder("GBK");
}

QString badTextPlace(const TextEncoding& encoding)
{
    return QStringLiteral("第%1行第%2字节").arg(encoding.badLine).arg(encoding.badByte);
}

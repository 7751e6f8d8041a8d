#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

// Text files people write or export by hand come in UTF-8 or in GBK. A file is taken as UTF-8
// when all of it reads as UTF-8 (a byte order mark says so too), otherwise as GBK; a NUL byte is
// no text in either (a UTF-16 or binary file).

struct TextEncoding {
    bool utf8 = true;
    qsizetype bomLength = 0;  // bytes of a UTF-8 byte order mark to pass over
    // Neither encoding reads the file: where the reading that came further stopped (1-based), so
    // that the user can find the line.
    qint64 badLine = 0;
    qint64 badByte = 0;
    bool readable() const { return badLine == 0; }
};

TextEncoding detectTextEncoding(QByteArrayView bytes);

// The bytes after a UTF-8 byte order mark, or all of them where there is none.
QByteArrayView withoutByteOrderMark(QByteArrayView bytes);

// A decoder for the encoding, to decode a file one line at a time: lines never split a character,
// since neither encoding uses the bytes of CR or LF inside one. Invalid when the machine cannot
// read GBK.
QStringDecoder textDecoder(const TextEncoding& encoding);

// "第3行第17字节": where an unreadable file stops being text.
QString badTextPlace(const TextEncoding& encoding);

// Where the next line ends, from `from`: at CR, LF or CR LF alike. Returns the end of the line's
// text and sets `next` to where the line after it starts.
qsizetype lineEnd(QByteArrayView bytes, qsizetype from, qsizetype& next);

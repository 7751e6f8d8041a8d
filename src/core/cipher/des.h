#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

// DES (FIPS 46) block by block, with the framing the side files of an installation are written
// in. Texts, keys and hex texts are byte strings; a non-ASCII text is its GBK bytes.
//
// Key: NUL-padded to 8 bytes, or cut to its first 8. Enciphering pads the text with NUL to a
// multiple of 8 and refuses a text that ends with NUL, because deciphering strips every NUL at
// the end and could not give it back. Deciphering drops a final part shorter than a block.
//
// Errors are raised as UserError with the cipher's own messages.

// Enciphered bytes, as long as the NUL-padded text.
QByteArray DesEncipherText(const QByteArray& text, const QByteArray& key);
QByteArray DesDecipherText(const QByteArray& bytes, const QByteArray& key);

// DesEncipherText written as upper-case hex, two digits per byte, no separators.
QByteArray DesEncipherHex(const QByteArray& text, const QByteArray& key);
// Reads either case; an odd last character is ignored.
QByteArray DesDecipherHex(const QByteArray& hex, const QByteArray& key);

// One 64-bit block, the first byte in the most significant bits, under an 8-byte key given the
// same way (the parity bits are ignored).
quint64 desEncipherBlock(quint64 block, quint64 key);
quint64 desDecipherBlock(quint64 block, quint64 key);

// Every side text of an installation is enciphered under this key.
inline const QByteArray kSideTextKey = QByteArrayLiteral("47");

// Lines 1..count of a side file as bytes without their line breaks; a line the file does not
// have is empty. Raises UserError when the file cannot be read, or when one of those lines is
// longer than kLongestSideLine bytes (naming the file and the line).
inline constexpr qsizetype kLongestSideLine = 4096;
QList<QByteArray> readSideFileLines(const QString& fileName, int count);

// A deciphered side text (GBK bytes) as the screen shows it.
QString sideTextForDisplay(const QByteArray& gbk);

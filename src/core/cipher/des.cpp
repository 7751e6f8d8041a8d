#include "core/cipher/des.h"

#include "core/base/user_error.h"

#include <QFile>
#include <QStringDecoder>
#include <array>

namespace {

// clang-format off
// The tables of FIPS 46, with its numbering: bit 1 is the most significant bit of the input.
constexpr std::array<quint8, 64> kInitialPermutation = {
    58, 50, 42, 34, 26, 18, 10,  2,
    60, 52, 44, 36, 28, 20, 12,  4,
    62, 54, 46, 38, 30, 22, 14,  6,
    64, 56, 48, 40, 32, 24, 16,  8,
    57, 49, 41, 33, 25, 17,  9,  1,
    59, 51, 43, 35, 27, 19, 11,  3,
    61, 53, 45, 37, 29, 21, 13,  5,
    63, 55, 47, 39, 31, 23, 15,  7,
};

constexpr std::array<quint8, 64> kFinalPermutation = {
    40,  8, 48, 16, 56, 24, 64, 32,
    39,  7, 47, 15, 55, 23, 63, 31,
    38,  6, 46, 14, 54, 22, 62, 30,
    37,  5, 45, 13, 53, 21, 61, 29,
    36,  4, 44, 12, 52, 20, 60, 28,
    35,  3, 43, 11, 51, 19, 59, 27,
    34,  2, 42, 10, 50, 18, 58, 26,
    33,  1, 41,  9, 49, 17, 57, 25,
};

constexpr std::array<quint8, 48> kExpansion = {
    32,  1,  2,  3,  4,  5,
     4,  5,  6,  7,  8,  9,
     8,  9, 10, 11, 12, 13,
    12, 13, 14, 15, 16, 17,
    16, 17, 18, 19, 20, 21,
    20, 21, 22, 23, 24, 25,
    24, 25, 26, 27, 28, 29,
    28, 29, 30, 31, 32,  1,
};

constexpr std::array<quint8, 32> kRoundPermutation = {
    16,  7, 20, 21,
    29, 12, 28, 17,
     1, 15, 23, 26,
     5, 18, 31, 10,
     2,  8, 24, 14,
    32, 27,  3,  9,
    19, 13, 30,  6,
    22, 11,  4, 25,
};

constexpr std::array<quint8, 56> kPermutedChoice1 = {
    57, 49, 41, 33, 25, 17,  9,
     1, 58, 50, 42, 34, 26, 18,
    10,  2, 59, 51, 43, 35, 27,
    19, 11,  3, 60, 52, 44, 36,
    63, 55, 47, 39, 31, 23, 15,
     7, 62, 54, 46, 38, 30, 22,
    14,  6, 61, 53, 45, 37, 29,
    21, 13,  5, 28, 20, 12,  4,
};

constexpr std::array<quint8, 48> kPermutedChoice2 = {
    14, 17, 11, 24,  1,  5,
     3, 28, 15,  6, 21, 10,
    23, 19, 12,  4, 26,  8,
    16,  7, 27, 20, 13,  2,
    41, 52, 31, 37, 47, 55,
    30, 40, 51, 45, 33, 48,
    44, 49, 39, 56, 34, 53,
    46, 42, 50, 36, 29, 32,
};

constexpr std::array<quint8, 16> kKeyRotations = {
     1,  1,  2,  2,  2,  2,  2,  2,  1,  2,  2,  2,  2,  2,  2,  1,
};

constexpr quint8 kSBoxes[8][64] = {
    {
        14,  4, 13,  1,  2, 15, 11,  8,  3, 10,  6, 12,  5,  9,  0,  7,
         0, 15,  7,  4, 14,  2, 13,  1, 10,  6, 12, 11,  9,  5,  3,  8,
         4,  1, 14,  8, 13,  6,  2, 11, 15, 12,  9,  7,  3, 10,  5,  0,
        15, 12,  8,  2,  4,  9,  1,  7,  5, 11,  3, 14, 10,  0,  6, 13,
    },
    {
        15,  1,  8, 14,  6, 11,  3,  4,  9,  7,  2, 13, 12,  0,  5, 10,
         3, 13,  4,  7, 15,  2,  8, 14, 12,  0,  1, 10,  6,  9, 11,  5,
         0, 14,  7, 11, 10,  4, 13,  1,  5,  8, 12,  6,  9,  3,  2, 15,
        13,  8, 10,  1,  3, 15,  4,  2, 11,  6,  7, 12,  0,  5, 14,  9,
    },
    {
        10,  0,  9, 14,  6,  3, 15,  5,  1, 13, 12,  7, 11,  4,  2,  8,
        13,  7,  0,  9,  3,  4,  6, 10,  2,  8,  5, 14, 12, 11, 15,  1,
        13,  6,  4,  9,  8, 15,  3,  0, 11,  1,  2, 12,  5, 10, 14,  7,
         1, 10, 13,  0,  6,  9,  8,  7,  4, 15, 14,  3, 11,  5,  2, 12,
    },
    {
         7, 13, 14,  3,  0,  6,  9, 10,  1,  2,  8,  5, 11, 12,  4, 15,
        13,  8, 11,  5,  6, 15,  0,  3,  4,  7,  2, 12,  1, 10, 14,  9,
        10,  6,  9,  0, 12, 11,  7, 13, 15,  1,  3, 14,  5,  2,  8,  4,
         3, 15,  0,  6, 10,  1, 13,  8,  9,  4,  5, 11, 12,  7,  2, 14,
    },
    {
         2, 12,  4,  1,  7, 10, 11,  6,  8,  5,  3, 15, 13,  0, 14,  9,
        14, 11,  2, 12,  4,  7, 13,  1,  5,  0, 15, 10,  3,  9,  8,  6,
         4,  2,  1, 11, 10, 13,  7,  8, 15,  9, 12,  5,  6,  3,  0, 14,
        11,  8, 12,  7,  1, 14,  2, 13,  6, 15,  0,  9, 10,  4,  5,  3,
    },
    {
        12,  1, 10, 15,  9,  2,  6,  8,  0, 13,  3,  4, 14,  7,  5, 11,
        10, 15,  4,  2,  7, 12,  9,  5,  6,  1, 13, 14,  0, 11,  3,  8,
         9, 14, 15,  5,  2,  8, 12,  3,  7,  0,  4, 10,  1, 13, 11,  6,
         4,  3,  2, 12,  9,  5, 15, 10, 11, 14,  1,  7,  6,  0,  8, 13,
    },
    {
         4, 11,  2, 14, 15,  0,  8, 13,  3, 12,  9,  7,  5, 10,  6,  1,
        13,  0, 11,  7,  4,  9,  1, 10, 14,  3,  5, 12,  2, 15,  8,  6,
         1,  4, 11, 13, 12,  3,  7, 14, 10, 15,  6,  8,  0,  5,  9,  2,
         6, 11, 13,  8,  1,  4, 10,  7,  9,  5,  0, 15, 14,  2,  3, 12,
    },
    {
        13,  2,  8,  4,  6, 15, 11,  1, 10,  9,  3, 14,  5,  0, 12,  7,
         1, 15, 13,  8, 10,  3,  7,  4, 12,  5,  6, 11,  0, 14,  9,  2,
         7, 11,  4,  1,  9, 12, 14,  2,  0,  6, 10, 13, 15,  3,  5,  8,
         2,  1, 14,  7,  4, 10,  8, 13, 15, 12,  9,  0,  3,  5,  6, 11,
    },
};
// clang-format on

// Bit `table[i]` of an `inputBits`-bit value becomes bit i + 1 of the result (both counted from
// the most significant end).
template <std::size_t N>
quint64 permute(quint64 input, int inputBits, const std::array<quint8, N>& table)
{
    quint64 output = 0;
    for (quint8 position : table)
        output = (output << 1) | ((input >> (inputBits - position)) & 1U);
    return output;
}

using Subkeys = std::array<quint64, 16>;

Subkeys keySchedule(quint64 key)
{
    constexpr quint32 kHalfMask = (1U << 28) - 1;
    const quint64 chosen = permute(key, 64, kPermutedChoice1);
    quint32 c = quint32(chosen >> 28) & kHalfMask;
    quint32 d = quint32(chosen) & kHalfMask;
    Subkeys subkeys{};
    for (int round = 0; round < 16; ++round) {
        const int shift = kKeyRotations[round];
        c = ((c << shift) | (c >> (28 - shift))) & kHalfMask;
        d = ((d << shift) | (d >> (28 - shift))) & kHalfMask;
        subkeys[round] = permute((quint64(c) << 28) | d, 56, kPermutedChoice2);
    }
    return subkeys;
}

quint32 roundFunction(quint32 right, quint64 subkey)
{
    const quint64 mixed = permute(right, 32, kExpansion) ^ subkey;
    quint32 substituted = 0;
    for (int box = 0; box < 8; ++box) {
        const unsigned six = unsigned(mixed >> (42 - 6 * box)) & 0x3FU;
        const unsigned row = ((six >> 4) & 2U) | (six & 1U);
        const unsigned column = (six >> 1) & 0xFU;
        substituted = (substituted << 4) | kSBoxes[box][row * 16 + column];
    }
    return quint32(permute(substituted, 32, kRoundPermutation));
}

quint64 cryptBlock(quint64 block, const Subkeys& subkeys, bool decipher)
{
    const quint64 permuted = permute(block, 64, kInitialPermutation);
    quint32 left = quint32(permuted >> 32);
    quint32 right = quint32(permuted);
    for (int round = 0; round < 16; ++round) {
        const quint64 subkey = subkeys[decipher ? 15 - round : round];
        const quint32 next = left ^ roundFunction(right, subkey);
        left = right;
        right = next;
    }
    // The halves leave the last round swapped.
    return permute((quint64(right) << 32) | left, 64, kFinalPermutation);
}

quint64 blockAt(const QByteArray& bytes, qsizetype offset)
{
    quint64 block = 0;
    for (int i = 0; i < 8; ++i)
        block = (block << 8) | quint8(bytes[offset + i]);
    return block;
}

void appendBlock(QByteArray& bytes, quint64 block)
{
    for (int shift = 56; shift >= 0; shift -= 8)
        bytes.append(char(quint8(block >> shift)));
}

quint64 framedKey(const QByteArray& key)
{
    QByteArray eight = key.left(8);
    eight.append(8 - eight.size(), '\0');
    return blockAt(eight, 0);
}

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

}  // namespace

quint64 desEncipherBlock(quint64 block, quint64 key)
{
    return cryptBlock(block, keySchedule(key), false);
}

quint64 desDecipherBlock(quint64 block, quint64 key)
{
    return cryptBlock(block, keySchedule(key), true);
}

QByteArray DesEncipherText(const QByteArray& text, const QByteArray& key)
{
    if (!text.isEmpty() && text.back() == '\0')
        throw UserError(QStringLiteral("Error: the last char is NULL char."));
    const Subkeys subkeys = keySchedule(framedKey(key));
    QByteArray padded = text;
    padded.append((8 - padded.size() % 8) % 8, '\0');
    QByteArray result;
    result.reserve(padded.size());
    for (qsizetype offset = 0; offset < padded.size(); offset += 8)
        appendBlock(result, cryptBlock(blockAt(padded, offset), subkeys, false));
    return result;
}

QByteArray DesDecipherText(const QByteArray& bytes, const QByteArray& key)
{
    const Subkeys subkeys = keySchedule(framedKey(key));
    const qsizetype wholeBlocks = bytes.size() / 8;
    QByteArray result;
    result.reserve(wholeBlocks * 8);
    for (qsizetype b = 0; b < wholeBlocks; ++b)
        appendBlock(result, cryptBlock(blockAt(bytes, b * 8), subkeys, true));
    while (!result.isEmpty() && result.back() == '\0')
        result.chop(1);
    return result;
}

QByteArray DesEncipherHex(const QByteArray& text, const QByteArray& key)
{
    return DesEncipherText(text, key).toHex().toUpper();
}

QByteArray DesDecipherHex(const QByteArray& hex, const QByteArray& key)
{
    QByteArray bytes;
    bytes.reserve(hex.size() / 2);
    for (qsizetype i = 0; i + 1 < hex.size(); i += 2) {
        const int high = hexDigitValue(hex[i]);
        const int low = hexDigitValue(hex[i + 1]);
        if (high < 0 || low < 0)
            throw UserError(QStringLiteral("Error: not a Hex String"));
        bytes.append(char(high * 16 + low));
    }
    return DesDecipherText(bytes, key);
}

QList<QByteArray> readSideFileLines(const QString& fileName, int count)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw UserError(cannotOpenFileText(fileName, file.errorString()));

    // Read as far as the lines wanted, each at most kLongestSideLine bytes: a side file is a few
    // short lines, and a huge one must not hold up the window that shows them.
    // A line ends at CR LF, LF or CR alone: the files are written on more than one system.
    QList<QByteArray> lines;
    QByteArray line;
    bool afterCr = false;
    char buffer[16384];
    while (lines.size() < count) {
        const qint64 got = file.read(buffer, sizeof buffer);
        if (got < 0)
            throw UserError(cannotReadFileText(fileName, file.errorString()));
        if (got == 0)
            break;
        for (qint64 i = 0; i < got && lines.size() < count; ++i) {
            const char c = buffer[i];
            if (afterCr && c == '\n') {
                afterCr = false;
                continue;
            }
            afterCr = c == '\r';
            if (c == '\n' || c == '\r') {
                lines << line;
                line.clear();
                continue;
            }
            if (line.size() >= kLongestSideLine)
                throw UserError(QStringLiteral("文件 %1 第%2行过长（超过%3字节），不予读取")
                                    .arg(fileName)
                                    .arg(lines.size() + 1)
                                    .arg(kLongestSideLine));
            line += c;
        }
    }
    if (lines.size() < count && !line.isEmpty())
        lines << line;
    while (lines.size() < count)
        lines << QByteArray();
    return lines;
}

QString sideTextForDisplay(const QByteArray& gbk)
{
    QStringDecoder decoder("GBK");
    return decoder.isValid() ? decoder.decode(gbk) : QString::fromLatin1(gbk);
}

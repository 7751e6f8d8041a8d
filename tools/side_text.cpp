// Enciphers the lines of an installation's side files ("附属/flash.txt", "附属/about.txt") the way
// the program deciphers them, and reads them back.
//
//   quorlin_side_text [--decipher] [--gbk] [--key KEY] < input > output
//
// Each input line becomes one output line. Enciphering takes text lines (UTF-8 unless --gbk says
// the bytes are GBK already) and writes hex lines; --decipher does the reverse. The key is the
// one every side text is written under unless --key names another.

#include "core/cipher/des.h"

#include <QByteArray>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>

namespace {

int usage()
{
    std::fputs(
        "usage: quorlin_side_text [--decipher] [--gbk] [--key KEY] < input > output\n"
        "  Enciphers each line of a side file (UTF-8 text, or GBK bytes with --gbk) into hex text;\n"
        "  --decipher turns hex lines back into text.\n",
        stderr);
    return 2;
}

QByteArray toGbk(const QByteArray& utf8)
{
    const QString text = QString::fromUtf8(utf8);
    if (text.toUtf8() != utf8)
        throw std::runtime_error("not UTF-8 text (use --gbk for GBK bytes)");
    QStringEncoder encoder("GBK");
    QByteArray gbk = encoder.encode(text);
    if (encoder.hasError())
        throw std::runtime_error("holds a character that GBK cannot hold");
    return gbk;
}

QByteArray fromGbk(const QByteArray& gbk)
{
    QStringDecoder decoder("GBK");
    return QString(decoder.decode(gbk)).toUtf8();
}

}  // namespace

int main(int argc, char* argv[])
{
    bool decipher = false;
    bool gbk = false;
    QByteArray key = kSideTextKey;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--decipher") == 0 || std::strcmp(argv[i], "-d") == 0)
            decipher = true;
        else if (std::strcmp(argv[i], "--gbk") == 0)
            gbk = true;
        else if (std::strcmp(argv[i], "--key") == 0 && i + 1 < argc)
            key = QByteArray(argv[++i]);
        else
            return usage();
    }
    if (!QStringEncoder("GBK").isValid()) {
        std::fputs("quorlin_side_text: this Qt build has no GBK codec\n", stderr);
        return 1;
    }

    std::string line;
    long lineNumber = 0;
    try {
        while (std::getline(std::cin, line)) {
            ++lineNumber;
            QByteArray bytes(line.data(), qsizetype(line.size()));
            if (bytes.endsWith('\r'))
                bytes.chop(1);
            QByteArray out;
            if (decipher) {
                out = DesDecipherHex(bytes, key);
                if (!gbk)
                    out = fromGbk(out);
            } else {
                out = DesEncipherHex(gbk ? bytes : toGbk(bytes), key);
            }
            std::cout.write(out.constData(), out.size());
            std::cout.put('\n');
        }
    } catch (const std::exception& e) {
        std::cerr << "quorlin_side_text: line " << lineNumber << ": " << e.what() << '\n';
        return 1;
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}

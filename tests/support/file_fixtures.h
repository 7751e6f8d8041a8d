#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringEncoder>
#include <QTest>
#include <exception>
#include <functional>

namespace fixtures {

// A file's text as UTF-8, or "<missing>" when it cannot be read, so that a comparison shows
// which of the two went wrong.
inline QString readFileText(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("<missing>");
}

// Writes `bytes` as the whole file, making its folder first.
inline void writeFile(const QString& fileName, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Text as the outside pages and the side files hold it.
inline QByteArray gbk(const QString& text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

// The message of what `call` raised, or empty when it returned.
inline QString errorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

}  // namespace fixtures

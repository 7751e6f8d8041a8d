#include "core/acquire/sources/json_path.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

QJsonValue memberOf(const QJsonObject& object, QStringView name)
{
    const auto exact = object.constFind(name);
    if (exact != object.constEnd())
        return exact.value();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return it.value();
    }
    return QJsonValue(QJsonValue::Undefined);
}

bool isIdentifierByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
           c == '.';
}

}  // namespace

QJsonValue jsonAt(const QJsonValue& root, QStringView path)
{
    QJsonValue value = root;
    if (path.isEmpty())
        return value;
    for (QStringView part : path.tokenize(u'.')) {
        if (value.isArray()) {
            bool ok = false;
            const int index = part.toInt(&ok);
            const QJsonArray list = value.toArray();
            if (!ok || index < 0 || index >= list.size())
                return QJsonValue(QJsonValue::Undefined);
            value = list.at(index);
        } else if (value.isObject()) {
            value = memberOf(value.toObject(), part);
        } else {
            return QJsonValue(QJsonValue::Undefined);
        }
        if (value.isUndefined())
            return value;
    }
    return value;
}

QByteArrayView withoutJsonp(QByteArrayView bytes)
{
    const QByteArrayView text = bytes.trimmed();
    qsizetype open = 0;
    while (open < text.size() && isIdentifierByte(text[open]))
        ++open;
    if (open == 0 || open >= text.size() || text[open] != '(')
        return bytes;
    QByteArrayView inner = text.sliced(open + 1);
    if (inner.endsWith(';'))
        inner.chop(1);
    inner = inner.trimmed();
    if (!inner.endsWith(')'))
        return bytes;
    inner.chop(1);
    return inner.trimmed();
}

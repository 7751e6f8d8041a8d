#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonValue>
#include <QStringView>

// The one reader of JSON paths: "value.list" is the member "list" of the member "value"; a part
// that is a whole number picks an element of a list ("result.0.code"). Member names are matched
// whatever their case, as the lists spell them differently from one year to the next. An empty
// path is the value itself; a path that leads nowhere gives an undefined value.
QJsonValue jsonAt(const QJsonValue& root, QStringView path);

// The JSON inside a JSONP answer, "callback({…});" or "callback([…])"; the bytes as they are when
// they are no such wrapper.
QByteArrayView withoutJsonp(QByteArrayView bytes);

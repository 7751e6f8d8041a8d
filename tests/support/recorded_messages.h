#pragma once

#include "gui/dialogs.h"

#include <QString>
#include <QStringList>
#include <QTest>

namespace fixtures {

// Takes the boxes recorded so far and checks them against what one step should have shown:
// nothing when `start` is empty, otherwise exactly one box whose text begins with `start`.
inline void checkOneReport(dialogs::testing::Recorder& recorder, const QString& start)
{
    const QStringList messages = recorder.takeMessages();
    if (start.isEmpty()) {
        QCOMPARE(messages, QStringList());
    } else {
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].startsWith(start), qPrintable(messages[0]));
    }
}

}  // namespace fixtures

#include "gui/dialogs.h"
#include "gui/qt_translations.h"
#include "gui/run_command.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void qtSpeaksChinese();
    void boxesAreSelectable_data();
    void boxesAreSelectable();
    void outOfMemoryIsToldInChinese();
};

void TestDialogs::qtSpeaksChinese()
{
    QVERIFY(installQtChineseTranslations(*qApp));
    // The standard buttons, and the question of a save dialog over an existing file.
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Yes | QDialogButtonBox::No |
                             QDialogButtonBox::Cancel);
    for (auto [which, english] :
         {std::pair{QDialogButtonBox::Ok, "OK"}, std::pair{QDialogButtonBox::Yes, "&Yes"},
          std::pair{QDialogButtonBox::No, "&No"}, std::pair{QDialogButtonBox::Cancel, "Cancel"}}) {
        const QString text = buttons.button(which)->text();
        QVERIFY2(text != QLatin1String(english) && text.contains(QRegularExpression(QStringLiteral("\\p{Han}"))),
                 qPrintable(text));
    }
    const QString overwrite =
        QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?").arg("bet.txt");
    QVERIFY2(overwrite.startsWith("bet.txt") && !overwrite.contains("replace"), qPrintable(overwrite));
    QVERIFY2(QCoreApplication::translate("QFileDialog", "Save As") != QLatin1String("Save As"), "save dialog title");
}

void TestDialogs::boxesAreSelectable_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("icon");
    QTest::newRow("message") << int(dialogs::MessageKind::Plain) << int(QMessageBox::NoIcon);
    QTest::newRow("warning") << int(dialogs::MessageKind::Warning) << int(QMessageBox::Warning);
    QTest::newRow("error") << int(dialogs::MessageKind::Error) << int(QMessageBox::Critical);
    QTest::newRow("question") << int(dialogs::MessageKind::Question) << int(QMessageBox::Question);
}

void TestDialogs::boxesAreSelectable()
{
    QFETCH(int, kind);
    QFETCH(int, icon);
    // What the box showed is noted and the box closed first, so that a wrong box fails the
    // test instead of waiting for a click that never comes.
    bool seen = false;
    int shownIcon = -1;
    Qt::TextInteractionFlags boxFlags;
    Qt::TextInteractionFlags labelFlags;
    QString labelText;
    QString defaultButton;
    QTimer::singleShot(0, this, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen = true;
            shownIcon = int(box->icon());
            boxFlags = box->textInteractionFlags();
            if (box->defaultButton())
                defaultButton = box->defaultButton()->text();
            if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
                labelText = label->text();
                labelFlags = label->textInteractionFlags();
            }
        }
        if (modal)
            modal->close();
    });
    const QString text = QStringLiteral("第20261209001期已存在");
    switch (dialogs::MessageKind(kind)) {
        case dialogs::MessageKind::Plain:
            dialogs::showMessage(nullptr, text);
            break;
        case dialogs::MessageKind::Warning:
            dialogs::showWarning(nullptr, text);
            break;
        case dialogs::MessageKind::Error:
            dialogs::showError(nullptr, text);
            break;
        case dialogs::MessageKind::Question:
            // Closed unanswered, and Enter pressed in haste, a question changes nothing.
            QVERIFY(!dialogs::ask(nullptr, text));
            QCOMPARE(defaultButton, QStringLiteral("否(&N)"));
            break;
    }
    QVERIFY(seen);
    QCOMPARE(shownIcon, icon);
    // A failure's reason can be selected and copied to be passed on.
    QVERIFY(boxFlags & Qt::TextSelectableByMouse);
    QVERIFY(boxFlags & Qt::TextSelectableByKeyboard);
    QCOMPARE(labelText, QStringLiteral("第20261209001期已存在"));
    QVERIFY(labelFlags & Qt::TextSelectableByMouse);
}

void TestDialogs::outOfMemoryIsToldInChinese()
{
    dialogs::testing::Recorder recorder;
    runCommand(nullptr, [] { throw std::bad_alloc(); });
    QCOMPARE(recorder.takeMessages(), QStringList{QStringLiteral("内存不足，操作未能完成。")});
}

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"

#include "gui/dialogs.h"
#include "gui/qt_translations.h"

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
}

void TestDialogs::boxesAreSelectable()
{
    QFETCH(int, kind);
    QFETCH(int, icon);
    dialogs::testing::setRecording(false);
    bool seen = false;
    QTimer::singleShot(0, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = true;
        QCOMPARE(int(box->icon()), icon);
        // A failure's reason can be selected and copied to be passed on.
        QVERIFY(box->textInteractionFlags() & Qt::TextSelectableByMouse);
        QVERIFY(box->textInteractionFlags() & Qt::TextSelectableByKeyboard);
        auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        QVERIFY(label);
        QCOMPARE(label->text(), QStringLiteral("第20261209001期已存在"));
        QVERIFY(label->textInteractionFlags() & Qt::TextSelectableByMouse);
        box->accept();
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
    }
    QVERIFY(seen);
}

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"

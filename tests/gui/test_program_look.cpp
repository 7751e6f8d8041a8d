#include "gui/dialogs.h"
#include "gui/program_look.h"
#include "gui/session.h"
#include "gui/widget_placement.h"
#include "support/draw_fixtures.h"
#include "support/every_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QTest>

namespace {

// The widest line of a caption.
int textWidth(const QFontMetrics& metrics, const QString& text)
{
    int widest = 0;
    for (const QString& line : text.split(u'\n'))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

// Why a control's caption does not show whole at its size, or nothing when it does.
QString clipping(QWidget* w)
{
    const QFontMetrics metrics = w->fontMetrics();
    int room = 0;
    int needed = 0;
    int height = w->height();
    QString text;
    if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->wordWrap() || label->text().isEmpty())
            return {};
        text = label->text();
        room = label->contentsRect().width();
        height = label->contentsRect().height();
        needed = textWidth(metrics, text);
    } else if (auto* button = qobject_cast<QPushButton*>(w)) {
        text = button->text();
        room = button->width() - 4;
        needed = textWidth(metrics, text);
    } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
        auto* box = static_cast<QAbstractButton*>(w);
        text = box->text();
        const QStyle::PixelMetric indicator =
            qobject_cast<QCheckBox*>(w) ? QStyle::PM_IndicatorWidth : QStyle::PM_ExclusiveIndicatorWidth;
        room = box->width() - box->style()->pixelMetric(indicator, nullptr, box) -
               box->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box);
        needed = textWidth(metrics, text);
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        option.rect = combo->rect();
        room =
            combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo).width();
        const QFontMetrics shown = combo->isEditable() ? combo->lineEdit()->fontMetrics() : metrics;
        for (int i = 0; i < combo->count(); ++i)
            needed = std::max(needed, shown.horizontalAdvance(combo->itemText(i)) + 4);
        text = QStringLiteral("its longest item");
    } else {
        return {};
    }
    if (needed > room)
        return QStringLiteral("%1 “%2”: %3 of %4 pixels wide").arg(w->objectName(), text).arg(needed).arg(room);
    // The ink of the glyphs, not the line's leading, must fit the height.
    const int ink = metrics.tightBoundingRect(text).height();
    if (ink > height)
        return QStringLiteral("%1 “%2”: %3 of %4 pixels high").arg(w->objectName(), text).arg(ink).arg(height);
    return {};
}

}  // namespace

class TestProgramLook : public QObject {
    Q_OBJECT

private slots:
    void desktopTypeScale_data();
    void desktopTypeScale();
    void captionsShowWhole_data();
    void captionsShowWhole();
};

void TestProgramLook::desktopTypeScale_data()
{
    QTest::addColumn<double>("points");
    QTest::addColumn<double>("scale");
    QTest::newRow("usual") << 9.0 << 1.0;
    QTest::newRow("smaller keeps the layout") << 7.0 << 1.0;
    QTest::newRow("half as large again") << 13.5 << 1.5;
    QTest::newRow("twice") << 18.0 << 2.0;
}

void TestProgramLook::desktopTypeScale()
{
    QFETCH(double, points);
    QFETCH(double, scale);
    QFont font;
    font.setPointSizeF(points);
    QCOMPARE(::desktopTypeScale(font), scale);
}

void TestProgramLook::captionsShowWhole_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<double>("typeScale");
    for (double scale : {1.0, 1.5, 2.0}) {
        for (const QString& window : fixtures::everyWindow().keys())
            QTest::addRow("%s at %g", qPrintable(window), scale) << window << scale;
    }
}

void TestProgramLook::captionsShowWhole()
{
    QFETCH(QString, window);
    QFETCH(double, typeScale);
    const QFont before = QApplication::font();
    setUpLook(*qApp, typeScale);
    QCOMPARE(layoutScale(), typeScale);
    {
        const dialogs::testing::Recorder recorder;
        const fixtures::ProgramFolder folder;
        fixtures::storeDraws(folder.path(), QStringLiteral("重庆时时彩"),
                             fixtures::syntheticDraws(QStringLiteral("重庆时时彩"), 150));
        Session session(folder.path());
        session.setToday(fixtures::kToday);
        const std::unique_ptr<QWidget> w = fixtures::everyWindow().value(window)(session);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        // What is on screen, tab by tab where the window has tabs: a tab not shown is not laid out.
        auto* tabs = w->findChild<QTabWidget*>(QStringLiteral("page"));
        QStringList clipped;
        for (int tab = 0; tab < (tabs ? tabs->count() : 1); ++tab) {
            if (tabs) {
                tabs->setCurrentIndex(tab);
                QCoreApplication::processEvents();
            }
            for (QWidget* child : w->findChildren<QWidget*>()) {
                if (child->objectName().isEmpty() || child->objectName().startsWith(QLatin1String("qt_")) ||
                    !child->isVisible())
                    continue;
                const QString why = clipping(child);
                if (!why.isEmpty() && !clipped.contains(why))
                    clipped << why;
            }
        }
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join("; ")));
    }
    QApplication::setFont(before);
}

QTEST_MAIN(TestProgramLook)
#include "test_program_look.moc"

#include "gui/readable_colours.h"
#include "gui/session.h"
#include "gui/u_download2.h"
#include "gui/u_main.h"
#include "support/draw_fixtures.h"
#include "support/find_control.h"
#include "support/look_fixtures.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineSeries>
#include <QTest>

using fixtures::control;

class TestReadableColours : public QObject {
    Q_OBJECT

private slots:
    void contrastOfKnownPairs_data();
    void contrastOfKnownPairs();
    void fixedColoursAreReadable_data();
    void fixedColoursAreReadable();
    void windowsShowTheColoursOfTheirPalette_data();
    void windowsShowTheColoursOfTheirPalette();
};

void TestReadableColours::contrastOfKnownPairs_data()
{
    QTest::addColumn<QColor>("first");
    QTest::addColumn<QColor>("second");
    QTest::addColumn<double>("ratio");
    // The ratios WebAIM's contrast checker gives for these pairs.
    QTest::newRow("black on white") << QColor(Qt::black) << QColor(Qt::white) << 21.0;
    QTest::newRow("the same grey") << QColor(119, 119, 119) << QColor(119, 119, 119) << 1.0;
    QTest::newRow("#777777 on white") << QColor(119, 119, 119) << QColor(Qt::white) << 4.48;
    QTest::newRow("white on #777777, either way") << QColor(Qt::white) << QColor(119, 119, 119) << 4.48;
    QTest::newRow("blue on white") << QColor(Qt::blue) << QColor(Qt::white) << 8.59;
    QTest::newRow("red on white") << QColor(Qt::red) << QColor(Qt::white) << 4.0;
    QTest::newRow("white on the banner's green") << QColor(Qt::white) << QColor(0, 128, 0) << 5.13;
}

void TestReadableColours::contrastOfKnownPairs()
{
    QFETCH(QColor, first);
    QFETCH(QColor, second);
    QFETCH(double, ratio);
    QVERIFY2(qAbs(contrastRatio(first, second) - ratio) < 0.01,
             qPrintable(QString::number(contrastRatio(first, second))));
}

void TestReadableColours::fixedColoursAreReadable_data()
{
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("background");
    for (const auto& [look, palette] :
         {std::pair{"light", fixtures::lightPalette()}, std::pair{"dark", fixtures::darkPalette()}}) {
        const QColor window = palette.color(QPalette::Window);
        const QColor base = palette.color(QPalette::Base);
        const ChartLineColours chart = chartLineColours(palette);
        const auto row = [&](const char* what) -> QTestData& { return QTest::addRow("%s, %s", what, look); };
        row("注意 and failures") << warningTextColour(palette) << window;
        row("success") << goodTextColour(palette) << window;
        row("chart cut") << chart.cut << base;
        row("chart moving rate") << chart.movingRate << base;
        row("chart chance") << chart.chanceRate << base;
    }
    // These stand on a background of their own, whatever the palette.
    QTest::newRow("banner") << kBannerText << kBannerBackground;
    QTest::newRow("about title") << kAboutTitle << kAboutPanel;
    QTest::newRow("about lines") << kAboutLine << kAboutPanel;
    QTest::newRow("splash title") << kSplashTitle << kSplashBackground;
    QTest::newRow("splash lines") << kSplashLine << kSplashBackground;
}

void TestReadableColours::fixedColoursAreReadable()
{
    QFETCH(QColor, text);
    QFETCH(QColor, background);
    const double ratio = contrastRatio(text, background);
    QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1 on %2: %3").arg(text.name(), background.name()).arg(ratio)));
}

void TestReadableColours::windowsShowTheColoursOfTheirPalette_data()
{
    QTest::addColumn<QPalette>("palette");
    QTest::newRow("light") << fixtures::lightPalette();
    QTest::newRow("dark") << fixtures::darkPalette();
}

void TestReadableColours::windowsShowTheColoursOfTheirPalette()
{
    QFETCH(QPalette, palette);
    const QPalette before = QApplication::palette();
    QApplication::setPalette(palette);
    fixtures::ProgramFolder folder;
    Session session(folder.path());
    session.setToday(fixtures::kToday);
    {
        Tfrmmain main(session);
        auto* warning = control<QLabel>(&main, "Label3");
        QCOMPARE(warning->palette().color(QPalette::WindowText), warningTextColour(palette));
        QVERIFY(contrastRatio(warning->palette().color(QPalette::WindowText), main.palette().color(QPalette::Window)) >=
                4.5);
        for (const char* name : {"chtjihua", "chtmingzhong"}) {
            QChart* chart = control<QChartView>(&main, name)->chart();
            const QColor background = chart->backgroundBrush().color();
            QCOMPARE(background, palette.color(QPalette::Base));
            for (QAbstractSeries* series : chart->series()) {
                if (auto* line = qobject_cast<QLineSeries*>(series))
                    QVERIFY2(contrastRatio(line->pen().color(), background) >= 4.5, qPrintable(line->name()));
            }
        }

        Tfrmdownload2 banner(session);
        auto* caption = control<QLabel>(&banner, "lbltishi");
        QVERIFY(contrastRatio(caption->palette().color(QPalette::WindowText),
                              banner.palette().color(QPalette::Window)) >= 4.5);
        QCOMPARE(banner.palette().color(QPalette::Window), kBannerBackground);
    }
    QApplication::setPalette(before);
}

QTEST_MAIN(TestReadableColours)
#include "test_readable_colours.moc"

#include "gui/u_flash.h"

#include "core/base/program_paths.h"
#include "core/cipher/des.h"
#include "gui/jpeg_picture.h"
#include "gui/readable_colours.h"
#include "gui/run_command.h"
#include "gui/widget_placement.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPixmap>
#include <QTimer>

Tfrmflash::Tfrmflash(const QString& programDir, QWidget* parent) : QDialog(parent)
{
    createControls();
    // The timer runs from the window's creation, so a report of a failed filling counts
    // against the splash's five seconds.
    Timer1->start();
    FormCreate(programDir);
}

QString Tfrmflash::executableDir()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

void Tfrmflash::createControls()
{
    setObjectName(QStringLiteral("frmflash"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    // Not "Quorlin": that is the main window's title, which scripts wait for.
    setWindowTitle(QStringLiteral("Quorlin 启动"));
    setFixedSize(scaled(551, 337));
    centreOnScreen(this);

    Image1 = placeLabel(this, "Image1", QString(), 0, 0, 551, 337);
    Image1->setScaledContents(true);
    Image1->setStyleSheet(QStringLiteral("background: %1").arg(kSplashBackground.name()));

    // The tail of the Q reaches below the type's 44 pixels: the label takes a few more, from the free
    // space under it.
    Label1 = placeLabel(this, "Label1", QStringLiteral("Quorlin"), 85, 72, 360, 50);
    Label1->setFont(captionFont(font(), QStringLiteral("隶书"), 44));
    setTextColour(Label1, kSplashTitle);

    const QFont lineFont = captionFont(font(), QStringLiteral("MS Sans Serif"), 13);
    // Fallback texts: shown only where the side file cannot supply a line.
    lblchuping = placeLabel(this, "lblchuping", QStringLiteral("出品："), 144, 160, 369, 16);
    lblshiyong = placeLabel(this, "lblshiyong", QStringLiteral("适用：时时彩3D排列三"), 144, 180, 369, 16);
    lblweb = placeLabel(this, "lblweb", QStringLiteral("网址："), 144, 201, 369, 16);
    lblqq = placeLabel(this, "lblqq", QStringLiteral("QQ："), 144, 222, 369, 16);
    lblmail = placeLabel(this, "lblmail", QStringLiteral("邮箱："), 144, 243, 369, 16);
    lblphone = placeLabel(this, "lblphone", QStringLiteral("电话："), 144, 264, 369, 16);
    for (QLabel* l : {lblchuping, lblshiyong, lblweb, lblqq, lblmail, lblphone}) {
        l->setFont(lineFont);
        setTextColour(l, kSplashLine);
    }

    Timer1 = named<QTimer>(this, "Timer1");
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &Tfrmflash::Timer1Timer);
}

void Tfrmflash::FormCreate(const QString& programDir)
{
    // Nothing is on screen yet, so a report stands on its own, centred like the splash.
    runCommand(nullptr, [&] {
        const QList<QByteArray> lines = readSideFileLines(program_paths::splashTextFile(programDir), 6);
        // Line 2 is read and dropped: lblshiyong keeps its own text.
        const std::pair<int, QLabel*> used[] = {{0, lblchuping}, {2, lblweb}, {3, lblqq}, {4, lblmail}, {5, lblphone}};
        for (const auto& [line, target] : used)
            target->setText(sideTextForDisplay(DesDecipherHex(lines[line], kSideTextKey)));

        Image1->setPixmap(QPixmap::fromImage(loadJpegFile(program_paths::splashPictureFile(programDir))));

        setWindowFlag(Qt::WindowStaysOnTopHint);
        setWindowFlag(Qt::WindowDoesNotAcceptFocus);
        setAttribute(Qt::WA_ShowWithoutActivating);
        show();
    });
}

void Tfrmflash::Timer1Timer()
{
    ++m_ticks;
    if (m_ticks >= 5) {
        // Once closed the splash has nothing left to count; the program goes on without it.
        Timer1->stop();
        done(QDialog::Accepted);
    }
}

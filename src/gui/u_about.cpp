#include "gui/u_about.h"

#include "core/base/program_paths.h"
#include "core/cipher/des.h"
#include "gui/jpeg_picture.h"
#include "gui/readable_colours.h"
#include "gui/run_command.h"
#include "gui/widget_placement.h"

#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace {

QPixmap aboutPicture()
{
    QFile file(QStringLiteral(":/about/u_about.jpg"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QPixmap::fromImage(decodeJpeg(file.readAll()));
}

}  // namespace

Tfrmabout::Tfrmabout(QWidget* parent, const QString& programDir) : QDialog(parent)
{
    createControls();
    FormCreate(programDir);
}

void Tfrmabout::createControls()
{
    setObjectName(QStringLiteral("frmabout"));
    setWindowTitle(QStringLiteral("关于本程序"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    setFixedSize(scaled(405, 207));

    Shape1 = place<QFrame>(this, "Shape1", 8, 8, 233, 192);
    Shape1->setStyleSheet(QStringLiteral("#Shape1 { background: %1; border: 2px solid teal; border-radius: 8px; }")
                              .arg(kAboutPanel.name()));

    const QFont titleFont = captionFont(font(), QStringLiteral("华文中宋"), 20);
    Label1 = placeLabel(this, "Label1", QStringLiteral("Quorlin"), 16, 17, 217, 23);
    Label2 = placeLabel(this, "Label2", QStringLiteral("2.0版"), 152, 41, 80, 23);
    for (QLabel* l : {Label1, Label2}) {
        l->setFont(titleFont);
        setTextColour(l, kAboutTitle);
    }
    Label2->adjustSize();

    // Fallback texts: shown only where the side file cannot supply a line.
    lblauthor = placeLabel(this, "lblauthor", QStringLiteral("作者："), 23, 55, 209, 16);
    lblbanquan = placeLabel(this, "lblbanquan", QStringLiteral("版权："), 23, 72, 209, 16);
    lblweb = placeLabel(this, "lblweb", QStringLiteral("网址："), 23, 102, 209, 16);
    lblqq = placeLabel(this, "lblqq", QStringLiteral("QQ："), 23, 119, 209, 16);
    lblphone2 = placeLabel(this, "lblphone2", QStringLiteral("手机："), 23, 136, 209, 16);
    lblphone1 = placeLabel(this, "lblphone1", QStringLiteral("电话："), 23, 153, 209, 16);
    lblmail = placeLabel(this, "lblmail", QStringLiteral("邮箱："), 23, 170, 209, 16);
    const QFont lineFont = captionFont(font(), QStringLiteral("MS Sans Serif"), 13);
    for (QLabel* l : {lblauthor, lblbanquan, lblweb, lblqq, lblphone2, lblphone1, lblmail}) {
        l->setFont(lineFont);
        setTextColour(l, kAboutLine);
    }

    Image1 = placeLabel(this, "Image1", QString(), 256, 15, 137, 145);
    Image1->setScaledContents(true);
    runCommand(parentWidget(), [&] { Image1->setPixmap(aboutPicture()); });

    btnclose = placeButton(this, "btnclose", QStringLiteral("关闭"), 274, 172, 105, 25);
    btnclose->setDefault(true);
    connect(btnclose, &QPushButton::clicked, this, &Tfrmabout::btncloseClick);
}

void Tfrmabout::FormCreate(const QString& programDir)
{
    // The box is not on screen yet: the report goes over the window that asked for it.
    runCommand(parentWidget(), [&] {
        const QList<QByteArray> lines = readSideFileLines(program_paths::aboutTextFile(programDir), 7);
        QLabel* const targets[] = {lblauthor, lblbanquan, lblweb, lblqq, lblphone1, lblphone2, lblmail};
        for (int i = 0; i < 7; ++i)
            targets[i]->setText(sideTextForDisplay(DesDecipherHex(lines[i], kSideTextKey)));
    });
}

void Tfrmabout::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Centred on the screen, not over the main window.
    centreOnScreen(this);
}

void Tfrmabout::btncloseClick()
{
    accept();
}

#include "gui/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <optional>

namespace dialogs {
namespace {

bool g_recording = false;
QStringList g_messages;
MessageKind g_lastKind = MessageKind::Plain;
std::optional<QString> g_nextSaveFileName;
std::optional<QString> g_nextOpenFileName;
QString g_lastSaveDirectory;
QString g_lastOpenDirectory;
QString g_lastSaveFilter;
int g_saveDialogCount = 0;

void show(QWidget* parent, MessageKind kind, const QString& text)
{
    if (g_recording) {
        g_messages << text;
        g_lastKind = kind;
        return;
    }
    const QMessageBox::Icon icon = kind == MessageKind::Error     ? QMessageBox::Critical
                                   : kind == MessageKind::Warning ? QMessageBox::Warning
                                                                  : QMessageBox::NoIcon;
    QMessageBox box(icon, QApplication::applicationName(), text, QMessageBox::Ok, parent);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box.exec();
}

}  // namespace

void showMessage(QWidget* parent, const QString& text)
{
    show(parent, MessageKind::Plain, text);
}

void showWarning(QWidget* parent, const QString& text)
{
    show(parent, MessageKind::Warning, text);
}

void showError(QWidget* parent, const QString& text)
{
    show(parent, MessageKind::Error, text);
}

QString getSaveFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter,
                        const QString& defaultSuffix)
{
    ++g_saveDialogCount;
    g_lastSaveDirectory = directory;
    g_lastSaveFilter = filter;
    QString fileName;
    if (g_nextSaveFileName) {
        fileName = *g_nextSaveFileName;
        g_nextSaveFileName.reset();
    } else {
        QFileDialog dialog(parent, caption, directory, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(defaultSuffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        fileName = dialog.selectedFiles().constFirst();
    }
    if (!fileName.isEmpty() && !defaultSuffix.isEmpty() && QFileInfo(fileName).suffix().isEmpty())
        fileName += QLatin1Char('.') + defaultSuffix;
    return fileName;
}

QString getOpenFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter)
{
    g_lastOpenDirectory = directory;
    if (g_nextOpenFileName)
        return *std::exchange(g_nextOpenFileName, std::nullopt);
    QFileDialog dialog(parent, caption, directory, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

namespace testing {

void setRecording(bool on)
{
    g_recording = on;
    g_messages.clear();
}

QStringList takeMessages()
{
    return std::exchange(g_messages, {});
}

MessageKind lastMessageKind()
{
    return g_lastKind;
}

void setNextSaveFileName(const QString& fileName)
{
    g_nextSaveFileName = fileName;
}

void setNextOpenFileName(const QString& fileName)
{
    g_nextOpenFileName = fileName;
}

int saveDialogCount()
{
    return g_saveDialogCount;
}

QString lastSaveDirectory()
{
    return g_lastSaveDirectory;
}

QString lastOpenDirectory()
{
    return g_lastOpenDirectory;
}

QString lastSaveFilter()
{
    return g_lastSaveFilter;
}

}  // namespace testing
}  // namespace dialogs

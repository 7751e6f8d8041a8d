#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Every message box and file dialog of the program goes through here, so that a test can
// answer them in advance and read back what the user would have seen.
namespace dialogs {

// A plain box with an OK button, titled like the application.
// Their text can be selected and copied, so that a failure's reason can be passed on.
void showMessage(QWidget* parent, const QString& text);
void showWarning(QWidget* parent, const QString& text);
void showError(QWidget* parent, const QString& text);

enum class MessageKind { Plain, Warning, Error };

// The chosen file name, with the default suffix added when the name has none; empty when the
// user cancels.
QString getSaveFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter,
                        const QString& defaultSuffix);

// The chosen existing file; empty when the user cancels.
QString getOpenFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter);

namespace testing {
// While recording, boxes are not shown; their texts are kept for takeMessages().
void setRecording(bool on);
QStringList takeMessages();
// The kind of the last box recorded.
MessageKind lastMessageKind();
// Answers the next save dialog without showing it; an empty name cancels it.
void setNextSaveFileName(const QString& fileName);
// Answers the next open dialog without showing it; an empty name cancels it.
void setNextOpenFileName(const QString& fileName);
// How many save dialogs have been asked for so far.
int saveDialogCount();
// The directory and filter the last save dialog was opened with.
QString lastSaveDirectory();
QString lastSaveFilter();
// The directory the last open dialog was opened in.
QString lastOpenDirectory();
}  // namespace testing

}  // namespace dialogs

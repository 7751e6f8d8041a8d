#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

class QWidget;

// Every message box and file dialog of the program goes through here, so that a test can
// answer them in advance and read back what the user would have seen (testing::Recorder).
namespace dialogs {

// A plain box with an OK button, titled like the application.
// Their text can be selected and copied, so that a failure's reason can be passed on.
void showMessage(QWidget* parent, const QString& text);
void showWarning(QWidget* parent, const QString& text);
void showError(QWidget* parent, const QString& text);

// A question answered 是 or 否, 否 the default, so that Enter pressed in haste changes nothing;
// true for 是.
bool ask(QWidget* parent, const QString& text);

enum class MessageKind { Plain, Warning, Error, Question };

// The chosen file name, with the default suffix added when the name has none; empty when the
// user cancels.
QString getSaveFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter,
                        const QString& defaultSuffix);

// The chosen existing file; empty when the user cancels.
QString getOpenFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter);

namespace testing {

// Stands in for the user while it lives: boxes are kept instead of shown, and file dialogs are
// answered with the names given beforehand, their folder and filter kept. The program never
// makes one; a test holds one for as long as its windows may ask. One made while another lives
// stands in until it goes, then the other again.
class Recorder {
public:
    Recorder();
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // The texts of the boxes kept since the last call, in the order shown.
    QStringList takeMessages() { return std::exchange(m_messages, {}); }
    // The kind of the last box kept.
    MessageKind lastMessageKind() const { return m_lastKind; }

    // Answers the next question (ask); without an answer it is answered 否. Its text is kept
    // with the messages.
    void setNextAnswer(bool yes) { m_nextAnswer = yes; }
    // Answers the next save dialog; an empty name cancels it. Without an answer it is shown.
    void setNextSaveFileName(const QString& fileName) { m_nextSaveFileName = fileName; }
    // Answers the next open dialog; an empty name cancels it. Without an answer it is shown.
    void setNextOpenFileName(const QString& fileName) { m_nextOpenFileName = fileName; }
    // How many save dialogs have been asked for while this one stood in.
    int saveDialogCount() const { return m_saveDialogCount; }
    // The directory and filter the last save dialog was opened with.
    const QString& lastSaveDirectory() const { return m_lastSaveDirectory; }
    const QString& lastSaveFilter() const { return m_lastSaveFilter; }
    // The directory the last open dialog was opened in.
    const QString& lastOpenDirectory() const { return m_lastOpenDirectory; }

private:
    // The dialogs' side: what they ask of the recorder standing in, if any.
    friend struct StandIn;

    Recorder* m_outer;
    QStringList m_messages;
    MessageKind m_lastKind = MessageKind::Plain;
    bool m_nextAnswer = false;
    std::optional<QString> m_nextSaveFileName;
    std::optional<QString> m_nextOpenFileName;
    QString m_lastSaveDirectory;
    QString m_lastSaveFilter;
    QString m_lastOpenDirectory;
    int m_saveDialogCount = 0;
};

}  // namespace testing

}  // namespace dialogs

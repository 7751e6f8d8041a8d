#include "gui/dialogs.h"

#include "core/base/user_error.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace dialogs {
namespace testing {

// The recorder standing in for the user: the one hook a test sets, through Recorder's lifetime;
// none while the program runs.
struct StandIn {
    static inline Recorder* current = nullptr;

    static bool keep(MessageKind kind, const QString& text)
    {
        if (!current)
            return false;
        current->m_messages << text;
        current->m_lastKind = kind;
        return true;
    }

    static std::optional<bool> answer(const QString& question)
    {
        if (!keep(MessageKind::Question, question))
            return std::nullopt;
        return std::exchange(current->m_nextAnswer, false);
    }

    static std::optional<QString> saveAnswer(const QString& directory, const QString& filter)
    {
        if (!current)
            return std::nullopt;
        ++current->m_saveDialogCount;
        current->m_lastSaveDirectory = directory;
        current->m_lastSaveFilter = filter;
        return std::exchange(current->m_nextSaveFileName, std::nullopt);
    }

    static std::optional<QString> openAnswer(const QString& directory)
    {
        if (!current)
            return std::nullopt;
        current->m_lastOpenDirectory = directory;
        return std::exchange(current->m_nextOpenFileName, std::nullopt);
    }
};

Recorder::Recorder() : m_outer(std::exchange(StandIn::current, this)) {}

Recorder::~Recorder()
{
    StandIn::current = m_outer;
}

}  // namespace testing

namespace {

void show(QWidget* parent, MessageKind kind, const QString& message)
{
    // Errors come masked; a text put together from what a user typed must not show more.
    const QString text = withoutCredentials(message);
    if (testing::StandIn::keep(kind, text))
        return;
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

bool ask(QWidget* parent, const QString& text)
{
    const QString question = withoutCredentials(text);
    if (std::optional<bool> answer = testing::StandIn::answer(question))
        return *answer;
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), question,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
    box.setDefaultButton(QMessageBox::No);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return box.exec() == QMessageBox::Yes;
}

QString getSaveFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter,
                        const QString& defaultSuffix)
{
    QString fileName;
    if (std::optional<QString> answer = testing::StandIn::saveAnswer(directory, filter)) {
        fileName = *answer;
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
    if (std::optional<QString> answer = testing::StandIn::openAnswer(directory))
        return *answer;
    QFileDialog dialog(parent, caption, directory, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace dialogs

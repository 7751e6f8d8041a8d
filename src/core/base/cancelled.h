#pragma once

#include <QString>
#include <exception>

// What a stopped run says, and a check it did not get to before the cancel.
inline const QString kCancelledText = QStringLiteral("已取消");

// The user cancelled. Every cancellable step throws it: a download waiting for the network, a
// reader between its pages, a file being parsed. Every boundary catches it before any failure,
// since a cancel is no failure to report; where it reaches a catch-all, it says kCancelledText.
class Cancelled : public std::exception {
public:
    const char* what() const noexcept override;
};

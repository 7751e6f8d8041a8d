#pragma once

#include "core/base/user_error.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <functional>

// A page could not be downloaded; the message says why in a few words.
class FetchError : public UserError {
public:
    using UserError::UserError;
};

struct FetchSettings {
    // A host that does not answer must not hold the program: the whole download, answer included,
    // has to be over within the total time-out.
    std::chrono::milliseconds connectTimeout{10000};
    std::chrono::milliseconds totalTimeout{30000};
    // Larger answers are refused rather than written to disk; the real pages are far smaller.
    qint64 maxBytes = 32 * 1024 * 1024;
};

// The settings every download uses; tests shorten the time-outs.
FetchSettings& fetchSettings();

// "<data folder>号码.txt" (program_paths.h): the one file every downloaded page goes through.
QString scratchPageFile(const QString& dataDir);

// The user stopped the download while it waited for the network.
class FetchCancelled : public FetchError {
public:
    using FetchError::FetchError;
};

// Downloads `url` into `fileName` and waits until it is done. Whatever the file held before is
// deleted first. A download that fails (no connection, a time-out, an HTTP status of 400 or more)
// leaves no file behind and raises FetchError. `waitTurn`, when given, is called now and then
// while the download waits for the network; when `stop` then says yes, the download is
// abandoned, leaving no file, with FetchCancelled.
void fetchPage(const QString& url, const QString& fileName, const std::function<void()>& waitTurn = {},
               const std::function<bool()>& stop = {});

// The bytes of a downloaded page; raises UserError when the file cannot be opened.
QByteArray readPageFile(const QString& fileName);

#include "core/acquire/page_fetch.h"

#include "core/base/program_paths.h"

#include <curl/curl.h>
#include <QFile>
#include <QUrl>
#include <memory>
#include <mutex>

namespace {

struct Transfer {
    QFile* file = nullptr;
    qint64 written = 0;
    qint64 maxBytes = 0;
    bool tooLarge = false;
    bool writeFailed = false;
    const std::function<void()>* waitTurn = nullptr;
    const std::function<bool()>* stop = nullptr;
    bool stopped = false;
};

size_t writeBody(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const qint64 bytes = qint64(size * count);
    if (transfer->written + bytes > transfer->maxBytes) {
        transfer->tooLarge = true;
        return 0;
    }
    if (transfer->file->write(data, bytes) != bytes) {
        transfer->writeFailed = true;
        return 0;
    }
    transfer->written += bytes;
    return size_t(bytes);
}

int transferProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto* transfer = static_cast<Transfer*>(user);
    if (transfer->waitTurn && *transfer->waitTurn)
        (*transfer->waitTurn)();
    if (transfer->stop && *transfer->stop && (*transfer->stop)()) {
        transfer->stopped = true;
        return 1;  // aborts the transfer
    }
    return 0;
}

void initCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

QString reasonFor(CURLcode code, CURL* curl, const Transfer& transfer, const QString& host)
{
    if (transfer.tooLarge)
        return QStringLiteral("页面过大");
    if (transfer.writeFailed)
        return QStringLiteral("无法写入页面文件");
    switch (code) {
        case CURLE_HTTP_RETURNED_ERROR: {
            long status = 0;
            curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
            return QStringLiteral("服务器答复 HTTP %1").arg(status);
        }
        case CURLE_FILESIZE_EXCEEDED:
            return QStringLiteral("页面过大");
        case CURLE_OPERATION_TIMEDOUT:
            return QStringLiteral("等待超时");
        case CURLE_COULDNT_RESOLVE_HOST:
            return QStringLiteral("找不到主机 %1").arg(host);
        case CURLE_COULDNT_CONNECT:
            return QStringLiteral("无法连接 %1").arg(host);
        case CURLE_GOT_NOTHING:
        case CURLE_RECV_ERROR:
        case CURLE_PARTIAL_FILE:
            return QStringLiteral("连接中断，页面未收全");
        default:
            return QString::fromUtf8(curl_easy_strerror(code));
    }
}

}  // namespace

FetchSettings& fetchSettings()
{
    static FetchSettings settings;
    return settings;
}

QString scratchPageFile(const QString& dataDir)
{
    return program_paths::scratchPageFile(dataDir);
}

void fetchPage(const QString& url, const QString& fileName, const std::function<void()>& waitTurn,
               const std::function<bool()>& stop)
{
    QFile file(fileName);
    if (file.exists() && !file.remove())
        throw FetchError(QStringLiteral("无法删除旧的页面文件 %1").arg(fileName));

    initCurlOnce();
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl)
        throw FetchError(QStringLiteral("无法启动下载"));
    if (!file.open(QIODevice::WriteOnly))
        throw FetchError(QStringLiteral("无法写入页面文件 %1").arg(fileName));

    const FetchSettings& settings = fetchSettings();
    Transfer transfer;
    transfer.file = &file;
    transfer.maxBytes = settings.maxBytes;
    transfer.waitTurn = &waitTurn;
    transfer.stop = &stop;

    const QByteArray address = url.toUtf8();
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, address.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    // The local machine is never reached through a proxy, whatever the environment says.
    curl_easy_setopt(c, CURLOPT_NOPROXY, "127.0.0.1,localhost,::1");
    curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, long(settings.connectTimeout.count()));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, long(settings.totalTimeout.count()));
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(settings.maxBytes));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, transferProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);

    const CURLcode code = curl_easy_perform(c);
    file.close();
    if (code != CURLE_OK || file.error() != QFileDevice::NoError) {
        const QString reason =
            code == CURLE_OK ? QStringLiteral("无法写入页面文件") : reasonFor(code, c, transfer, QUrl(url).authority());
        file.remove();
        if (transfer.stopped)
            throw FetchCancelled(QStringLiteral("已取消"));
        throw FetchError(reason);
    }
}

QByteArray readPageFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("无法打开页面文件 %1").arg(fileName));
    return file.readAll();
}

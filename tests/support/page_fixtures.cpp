#include "support/page_fixtures.h"

#include "core/acquire/history_readers.h"
#include "core/acquire/site_paths.h"
#include "core/acquire/source_settings.h"
#include "core/base/lottery_table.h"
#include "support/local_http_server.h"

#include <zlib.h>
#include <stdexcept>

namespace fixtures {
namespace {

QByteArray padded(QByteArray text, int length)
{
    if (text.size() > length)
        throw std::logic_error("fixture line too long");
    return text + QByteArray(length - text.size(), ' ');
}

}  // namespace

int drawListPageNumber(const QString& lottery)
{
    return lottery == QStringLiteral("重庆时时彩") ? 200 : lottery == QStringLiteral("上海时时彩") ? 201 : 202;
}

SourceChoices sitePagesForAll()
{
    SourceChoices choices;
    for (const LotteryInfo& lottery : LotteryCatalogue())
        choices.insert(lottery.name, kSitePagesChoice);
    return choices;
}

void pointSourcesAt(const QString& programDir, const QString& host)
{
    writeSourceSettings(programDir, {host, host, host, host}, {}, sitePagesForAll());
}

QByteArray digitsOf(const StoredDraw& draw)
{
    return draw.digits.join(QString()).toLatin1();
}

QByteArray trendLine(const QByteArray& periodId)
{
    // 68 bytes, the 7 of the period id, 15 after it: 90 in all.
    return padded("<tr onclick=\"showDetail(this)\" class=\"trend-row\"><td class=\"qh\">", 68) + periodId +
           "</td><td>-</td>\n";
}

QByteArray trendDigitsLine(const QByteArray& digits)
{
    return "<td class=\"kjhm\">" + QByteArray(1, digits[0]) + ',' + digits[1] + ',' + digits[2] + "</td> </tr>\n";
}

QByteArray trendPage(const std::vector<StoredDraw>& draws)
{
    QByteArray page = "<html><head><title>3D</title></head><body>\n<table class=\"trend\">\n";
    for (const StoredDraw& draw : draws)
        page += trendLine(draw.periodId.toLatin1()) + trendDigitsLine(digitsOf(draw));
    return page + "</table>\n</body></html>\n";
}

QByteArray chartHeaderLine()
{
    return "<table id=\"cpdata\" class=\"zs\">\n";
}

QByteArray chartDrawLines(const QByteArray& periodId, const QByteArray& digits)
{
    QByteArray lines = "<tr height=\"22\"><td class=\"qh\">" + periodId.mid(2) + "</td>\n";
    for (char digit : digits)
        lines += "<td class=\"d\">" + QByteArray(1, digit) + "</td>\n";
    return lines + "</tr>\n";
}

QByteArray chartPage(const std::vector<StoredDraw>& draws)
{
    QByteArray page = "<html><body>\n<div class=\"title\">pls</div>\n" + chartHeaderLine();
    for (const StoredDraw& draw : draws)
        page += chartDrawLines(draw.periodId.toLatin1(), digitsOf(draw));
    return page + "</table>\n</body></html>\n";
}

QByteArray drawListDrawLines(const QByteArray& periodId, const QByteArray& digits)
{
    QByteArray balls = "    <td class=\"kj\">";
    for (char digit : digits)
        balls += "<span class=\"ball_1\">" + QByteArray(1, digit) + "</span>";
    return "  <tr>\n    <td class=\"qh\">\n    " + periodId + "\n    </td>\n" + balls + "</td>\n  </tr>\n";
}

QByteArray drawListPage(const std::vector<StoredDraw>& drawsInPageOrder)
{
    QByteArray page = "<html><body>\n<table class=\"draw-list\">\n";
    for (const StoredDraw& draw : drawsInPageOrder)
        page += drawListDrawLines(draw.periodId.toLatin1(), digitsOf(draw));
    return page + "</table>\n</body></html>\n";
}

std::map<QString, QByteArray> drawListSite(const QString& lottery, const std::vector<StoredDraw>& draws,
                                           const QDate& today)
{
    std::map<QString, QByteArray> site;
    for (int offset = 0; offset < kDrawListDays; ++offset) {
        const QDate day = today.addDays(-offset);
        const QString prefix = day.toString(QStringLiteral("yyyyMMdd"));
        std::vector<StoredDraw> ofDay;
        for (auto it = draws.rbegin(); it != draws.rend(); ++it) {
            if (it->periodId.startsWith(prefix))
                ofDay.push_back(*it);
        }
        site[drawListPath(drawListPageNumber(lottery), day)] = drawListPage(ofDay);
    }
    return site;
}

ReaderHooks hooksOnServer(const LocalHttpServer& server, std::initializer_list<PageSite> sites)
{
    ReaderHooks hooks;
    hooks.fetchSettings.connectTimeout = std::chrono::milliseconds(1000);
    hooks.fetchSettings.totalTimeout = std::chrono::milliseconds(1000);
    hooks.today = kToday;
    for (PageSite site : sites)
        hooks.sources.hosts[std::size_t(site)] = server.hostAndPort();
    return hooks;
}

QByteArray gzipped(const QByteArray& bytes)
{
    z_stream stream{};
    // 15 bits of window, plus 16 for the gzip header and trailer.
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("zlib would not start");
    QByteArray out(qsizetype(deflateBound(&stream, uLong(bytes.size()))) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    const int result = deflate(&stream, Z_FINISH);
    deflateEnd(&stream);
    if (result != Z_STREAM_END)
        throw std::runtime_error("zlib did not finish");
    out.resize(qsizetype(stream.total_out));
    return out;
}

}  // namespace fixtures

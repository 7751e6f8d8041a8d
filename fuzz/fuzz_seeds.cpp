// Writes the fuzz target's seed corpus from the test fixtures, so that the seeds keep the shape
// the readers expect as the fixtures change: quorlin_fuzz_seeds <folder>
#include "fuzz/reader_input.h"

#include "support/feed_fixtures.h"
#include "support/page_fixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

using namespace fixtures;

namespace {

bool write(const QString& folder, const char* name, const QByteArray& input)
{
    QFile file(QDir(folder).filePath(QString::fromLatin1(name)));
    return file.open(QIODevice::WriteOnly) && file.write(input) == input.size();
}

// Today's page with the newest `split` draws, then the day before with the rest, each newest first.
QByteArray twoDays(const std::vector<StoredDraw>& draws, int split)
{
    const std::vector<StoredDraw> today(draws.rbegin(), draws.rbegin() + split);
    const std::vector<StoredDraw> before(draws.rbegin() + split, draws.rend());
    return drawListPage(today) + fuzz_input::kPageBreak + drawListPage(before);
}

// A draw file as 导出 writes it, or as CSV under `header` with the digits apart.
QByteArray drawFile(const std::vector<StoredDraw>& draws, const QByteArray& header = {}, const char* lineEnd = "\r\n")
{
    QByteArray file = header.isEmpty() ? QByteArray() : header + lineEnd;
    for (const StoredDraw& draw : draws) {
        const QByteArray digits = digitsOf(draw);
        file += draw.periodId.toLatin1() + (header.isEmpty() ? ' ' + digits : ",7," + digits) + lineEnd;
    }
    return file;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: quorlin_fuzz_seeds <folder>\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    using namespace fuzz_input;
    const auto d3 = syntheticDraws(QStringLiteral("中国福彩3D"), 6, 1);
    const auto p3 = syntheticDraws(QStringLiteral("中国体彩排列3"), 6, 2);
    const auto cq = syntheticDraws(QStringLiteral("重庆时时彩"), 6, 3);
    const auto sh = syntheticDraws(QStringLiteral("上海时时彩"), 6, 4);
    const QByteArray starBall = drawListDrawLines("20261209001", "12345") + "<span class=\"ball_1\">*</span>\n";
    const bool ok =
        write(folder, "trend", make(Trend, false, trendPage(d3))) &&
        write(folder, "trend-newest", make(Trend, true, trendPage(d3))) &&
        write(folder, "chart", make(Chart, false, chartPage(p3))) &&
        write(folder, "chart-newest", make(Chart, true, chartPage(p3))) &&
        write(folder, "drawlist-11", make(DrawList11, false, twoDays(cq, 2))) &&
        write(folder, "drawlist-11-newest", make(DrawList11, true, drawListPage(cq))) &&
        write(folder, "drawlist-10", make(DrawList10, false, twoDays(sh, 3))) &&
        write(folder, "drawlist-star-ball", make(DrawList11, false, starBall)) &&
        write(folder, "feed-11", make(Feed11, false, feedDocument(QStringLiteral("重庆时时彩"), cq))) &&
        write(folder, "feed-11-newest", make(Feed11, true, feedDocument(QStringLiteral("重庆时时彩"), cq))) &&
        write(folder, "feed-10", make(Feed10, false, feedDocument(QStringLiteral("上海时时彩"), sh))) &&
        write(folder, "drawfile-7", make(DrawFile7, false, drawFile(d3))) &&
        write(folder, "drawfile-7-csv", make(DrawFile7, false, drawFile(d3, "期号,试机号码,开奖号码"))) &&
        write(folder, "drawfile-11-cr", make(DrawFile11, false, drawFile(cq, {}, "\r"))) &&
        write(folder, "drawfile-10-csv", make(DrawFile10, false, drawFile(sh, "\"期号\",\"机球\",\"号码\"", "\n"))) &&
        write(folder, "sources",
              make(fuzz_input::Sources, false,
                   "; 手写\r\n[hosts]\r\ntrend=trend.test\r\nchart=\"chart.test:81\"\r\n"
                   "drawlist=[::1]:8080\r\nfeed=127.0.0.1:0\r\n[draws]\r\n"
                   "cqssc=https://draws.test/cq.json?n=50\r\nshssc=ftp://x\r\n")) &&
        write(folder, "sources-idn",
              make(fuzz_input::Sources, false, QStringLiteral("[hosts]\nfeed=例子.中国:80\nchart=ⅷ.com\n").toUtf8())) &&
        write(folder, "drawfile-7-fullwidth",
              make(DrawFile7, false, QStringLiteral("２０２６２２４ ８，６，２\n26225 0 1 5\n").toUtf8()));
    if (!ok) {
        std::fprintf(stderr, "quorlin_fuzz_seeds: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}

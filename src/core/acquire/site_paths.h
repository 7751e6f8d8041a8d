#pragma once

#include <QDate>
#include <QString>

enum class HistorySource;
enum class PageSite;

// Where on their sites the readers find their pages; the hosts are the settings' (source_hosts.h).

// Days of draw-list pages one catch-up reads: today and the days before.
inline constexpr int kDrawListDays = 50;

// "/lottery/draw/list/<page number>?d=yyyy-mm-dd"
QString drawListPath(int pageNumber, const QDate& day);

// The path of the trend or the chart page on its site.
QString singlePagePath(HistorySource source);

// One known page of a site, for the sites' test: the trend page, the chart page, and the day page
// of `today` and the feed of the lottery selected at start.
QString knownPagePath(PageSite site, const QDate& today);

// "2026-12-09的开奖页面": a day page as the messages name it.
QString drawListPageName(const QDate& day);

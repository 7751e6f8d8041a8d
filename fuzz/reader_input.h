#pragma once

#include <QByteArray>
#include <QString>

// How one fuzz input is laid out, shared by the target and the seed writer: a byte choosing the
// reader, a byte choosing the newest stored period, then the page (or the file). Draw-list pages are split at
// form feeds into the pages of successive days, today first.
namespace fuzz_input {

enum Reader : unsigned char {
    Trend,
    Chart,
    DrawList11,
    DrawList10,
    Feed11,
    Feed10,
    DrawFile7,  // a draw file for 导入: 中国福彩3D, 重庆时时彩, 上海时时彩
    DrawFile11,
    DrawFile10,
    Sources,  // 数据源.ini
    ReaderCount
};

inline constexpr char kPageBreak = '\f';

inline QByteArray make(Reader reader, bool fromNewest, const QByteArray& page)
{
    return QByteArray(1, char(reader)) + char(fromNewest ? 1 : 0) + page;
}

}  // namespace fuzz_input

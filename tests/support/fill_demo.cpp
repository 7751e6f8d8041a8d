// Fills a program folder's draw database with synthetic draws (not real results), for trying
// the program and taking screenshots: fill_demo <program folder> [draws per lottery]
#include "core/base/lottery_table.h"
#include "core/store/draw_database.h"
#include "support/draw_fixtures.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: fill_demo <program folder> [draws per lottery]\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/');
    const int count = argc > 2 ? std::atoi(argv[2]) : 300;
    try {
        DrawDatabase::create(folder);
        unsigned seed = 1;
        for (const LotteryInfo& lottery : LotteryCatalogue())
            fixtures::storeDraws(folder, lottery.name, fixtures::syntheticDraws(lottery.name, count, seed++));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fill_demo: %s\n", e.what());
        return 1;
    }
    return 0;
}

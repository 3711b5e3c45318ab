// Optimal tile size, tile-size correction, the "auto" box and the track-bar mirrors.
#include <QtTest>

#include "project/TileSize.h"

#include <limits>

using namespace sl;

class TestTileSize : public QObject
{
    Q_OBJECT

private slots:
    void optimal()
    {
        const struct { int type; const char *fov, *height, *multi; int optimal; } cases[] = {
            {1, "70", "300", "1", 428}, {1, "70", "300", "3", 430}, {0, "70", "300", "5", 431},
            {0, "90", "400", "1", 400}, {1, "90", "400", "5", 401}, {1, "70,0", "300", "1", 428},
            {1, "90", "400", "2", 401}, {2, "70", "300", "1", 0},   {5, "70", "300", "1", 0},
        };
        for (const auto &c : cases) {
            QCOMPARE(OptimalTileSize(c.type, c.fov, c.height, c.multi), c.optimal);
            if (c.optimal > 0)
                QCOMPARE(tileSizeHintText(c.optimal), QStringLiteral("Optimal: %1 px").arg(c.optimal));
        }
    }

    // Values a user can type: none of them may crash, overflow or show a hint.
    void optimalHostile()
    {
        const struct { const char *fov, *height, *multi; } cases[] = {
            {"0", "300", "1"},     {"-70", "300", "1"},     {"abc", "300", "1"},          {"nan", "300", "1"},
            {"inf", "300", "1"},   {"1e-300", "300", "1"},  {"180", "300", "1"},          {"270", "300", "1"},
            {"70", "0", "1"},      {"70", "-300", "1"},     {"70", "2147483647", "1"},    {"70", "-2147483648", "5"},
            {"70", "99999999999999", "1"}, {"0.0001", "2000000", "5"}, {"70", "300", "0"}, {"70", "300", "-3"},
            {"70", "300", "2147483647"},
        };
        for (const auto &c : cases)
            for (int type : {0, 1})
                QVERIFY2(OptimalTileSize(type, c.fov, c.height, c.multi) == 0, c.fov);
        QCOMPARE(optimalTileSizeFor(std::numeric_limits<double>::quiet_NaN(), 300, 1), 0);
        QCOMPARE(optimalTileSizeFor(70, 300, std::numeric_limits<int64_t>::max()), 0);
        QCOMPARE(optimalTileSizeFor(70, std::numeric_limits<int64_t>::max(), 1), 0);
        QCOMPARE(optimalTileSizeFor(90, int64_t(MaxTileSize), 5), int(MaxTileSize)); // 2^20 leaves 1 by 5
        QCOMPARE(optimalTileSizeFor(90, int64_t(MaxTileSize), 7), 0);                // 2^20 + 4 is too big
        QCOMPARE(optimalTileSizeFor(90, int64_t(MaxTileSize) + 1, 1), 0);
    }

    void correction()
    {
        // corrected: 0 when nothing is asked
        const struct { int type; const char *size; int item; const char *multi; int corrected; } cases[] = {
            {0, "512", 1, "3", 511},      {0, "513", 1, "3", 514},  {0, "511", 1, "3", 0},    {1, "0", 1, "3", 0},
            {1, "512", 2, "5", 511},      {1, "2", 1, "3", 1},      {1, "512", 0, "1", 0},    {1, "512", -1, "3", 0},
            {2, "512", 1, "3", 0},        {1, "-512", 1, "3", 0},   {1, "big", 1, "3", 0},    {1, "512", 1, "0", 0},
            {1, "2147483647", 1, "3", 0}, {1, "2147483647", 2, "5", 2147483646},              {1, "512", 1, "-3", 0},
        };
        for (const auto &c : cases)
            QCOMPARE(tileSizeCorrection(c.type, c.size, c.item, c.multi).value_or(0), c.corrected);
        QVERIFY(tileSizeQuestion(511).text.contains("511?"));
    }

    void autoBoxAndSliders()
    {
        // checked: -1 left alone
        const struct { int type; const char *stitcher, *movie; int checked; } cases[] = {
            {1, "0", "512", 1}, {1, "512", "0", 0}, {1, "auto", "5", 1}, {0, "512", "", 1},
            {0, "0", "431", 0}, {5, "0", "100", 0}, {8, "0", "0", -1},
        };
        for (const auto &c : cases) {
            const auto got = autoTileSizeChecked(c.type, c.stitcher, c.movie);
            QCOMPARE(got.has_value() ? int(*got) : -1, c.checked);
        }
        QCOMPARE(autoTileSizeKeys(1) + autoTileSizeKeys(4), (QStringList{"stitcher.tilesize", "movie.tilesize"}));
        QVERIFY(tileSizeKey(2).isEmpty());

        QCOMPARE((QList<int>{sliderPositionForText("150", 0, 100), sliderPositionForText("good", 3, 12),
                              sliderPositionForText("99999999999", 0, 100)}), (QList<int>{100, 3, 0}));
        QVERIFY(sliderMoveUpdatesEdit(false, false));
        QVERIFY(!sliderMoveUpdatesEdit(true, false)); // showing the project must not cut a typed 150
        QVERIFY(!sliderMoveUpdatesEdit(false, true)); // the user is typing
    }
};

QTEST_GUILESS_MAIN(TestTileSize)
#include "tst_tilesize.moc"

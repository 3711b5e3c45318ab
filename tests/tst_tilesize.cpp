// Optimal tile size, tile-size correction, the "auto" box and the track-bar mirrors.
#include <QtTest>

#include "project/TileSize.h"

#include <cmath>
#include <limits>
#include <numbers>

using namespace sl;

class TestTileSize : public QObject
{
    Q_OBJECT

private slots:
    void optimal_data();
    void optimal();
    void optimalHostile_data();
    void optimalHostile();
    void optimalIsSmallestFit();
    void correction_data();
    void correction();
    void question();
    void keys();
    void autoBox_data();
    void autoBox();
    void sliders_data();
    void sliders();
    void mirrorRule();
};

void TestTileSize::optimal_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("fov");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("multi");
    QTest::addColumn<int>("optimal");
    QTest::newRow("300/70 x1") << 1 << "70" << "300" << "1" << 428;
    QTest::newRow("300/70 x3") << 1 << "70" << "300" << "3" << 430;
    QTest::newRow("300/70 x5") << 0 << "70" << "300" << "5" << 431;
    QTest::newRow("400/90 x1") << 0 << "90" << "400" << "1" << 400;
    QTest::newRow("400/90 x3") << 1 << "90" << "400" << "3" << 400;
    QTest::newRow("400/90 x5") << 1 << "90" << "400" << "5" << 401;
    QTest::newRow("comma fov") << 1 << "70,0" << "300" << "1" << 428;
    QTest::newRow("odd subdivision 2") << 1 << "90" << "400" << "2" << 401;
    QTest::newRow("cylinder") << 2 << "70" << "300" << "1" << 0;
    QTest::newRow("strip") << 3 << "70" << "300" << "1" << 0;
    QTest::newRow("light table") << 5 << "70" << "300" << "1" << 0;
}

void TestTileSize::optimal()
{
    QFETCH(int, type);
    QFETCH(QString, fov);
    QFETCH(QString, height);
    QFETCH(QString, multi);
    QFETCH(int, optimal);
    QCOMPARE(OptimalTileSize(type, fov, height, multi), optimal);
    if (optimal > 0)
        QCOMPARE(tileSizeHintText(optimal), QStringLiteral("Optimal: %1 px").arg(optimal));
}

// Values a user can type: none of them may crash, overflow or show a hint.
void TestTileSize::optimalHostile_data()
{
    QTest::addColumn<QString>("fov");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("multi");
    QTest::newRow("fov 0") << "0" << "300" << "1";
    QTest::newRow("fov negative") << "-70" << "300" << "1";
    QTest::newRow("fov empty") << "" << "300" << "1";
    QTest::newRow("fov text") << "abc" << "300" << "1";
    QTest::newRow("fov nan") << "nan" << "300" << "1";
    QTest::newRow("fov inf") << "inf" << "300" << "1";
    QTest::newRow("fov 1e300") << "1e300" << "300" << "1";
    QTest::newRow("fov 1e-300") << "1e-300" << "300" << "1";
    QTest::newRow("fov 180") << "180" << "300" << "1";
    QTest::newRow("fov 270") << "270" << "300" << "1";
    QTest::newRow("fov 360") << "360" << "300" << "1";
    QTest::newRow("fov 430") << "430" << "300" << "1"; // not a second 70
    QTest::newRow("height 0") << "70" << "0" << "1";
    QTest::newRow("height negative") << "70" << "-300" << "1";
    QTest::newRow("height text") << "70" << "tall" << "1";
    QTest::newRow("height max int") << "70" << "2147483647" << "1";
    QTest::newRow("height min int") << "70" << "-2147483648" << "5";
    QTest::newRow("height overflow") << "70" << "99999999999999" << "1";
    QTest::newRow("huge size, tiny fov") << "0.0001" << "2000000" << "5";
    QTest::newRow("subdivision 0") << "70" << "300" << "0";
    QTest::newRow("subdivision negative") << "70" << "300" << "-3";
    QTest::newRow("subdivision text") << "70" << "300" << "x";
    QTest::newRow("subdivision max int") << "70" << "300" << "2147483647";
    QTest::newRow("subdivision min int") << "70" << "300" << "-2147483648";
}

void TestTileSize::optimalHostile()
{
    QFETCH(QString, fov);
    QFETCH(QString, height);
    QFETCH(QString, multi);
    QCOMPARE(OptimalTileSize(1, fov, height, multi), 0);
    QCOMPARE(OptimalTileSize(0, fov, height, multi), 0);
}

void TestTileSize::optimalIsSmallestFit()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QCOMPARE(optimalTileSizeFor(nan, 300, 1), 0);
    QCOMPARE(optimalTileSizeFor(inf, 300, 1), 0);
    QCOMPARE(optimalTileSizeFor(70, 300, std::numeric_limits<int64_t>::max()), 0);
    QCOMPARE(optimalTileSizeFor(70, std::numeric_limits<int64_t>::max(), 1), 0);
    // The result leaves 1 on division by m, is not below s, and is the smallest such number.
    for (int64_t height : {1, 2, 57, 300, 480, 1024, 4000})
        for (double fov : {5.0, 33.3, 70.0, 90.0, 120.0, 179.0})
            for (int64_t m : {1, 2, 3, 4, 5, 7}) {
                const int opt = optimalTileSizeFor(fov, height, m);
                const double s = std::nearbyint(double(height) / std::tan(fov / 2 * std::numbers::pi / 180));
                if (s < 1 || s > double(MaxTileSize)) {
                    QCOMPARE(opt, 0);
                    continue;
                }
                QVERIFY(opt >= s);
                QCOMPARE((opt - 1) % m, int64_t(0));
                QVERIFY(opt - m < s);
            }
    // Ties go to the even neighbour: height / tan(45 deg) is exact.
    QCOMPARE(optimalTileSizeFor(90, 400, 1), 400);
    QCOMPARE(optimalTileSizeFor(90, 1, 1), 1);
    QCOMPARE(optimalTileSizeFor(90, int64_t(MaxTileSize), 1), int(MaxTileSize));
    QCOMPARE(optimalTileSizeFor(90, int64_t(MaxTileSize) + 1, 1), 0);
    QCOMPARE(optimalTileSizeFor(90, int64_t(MaxTileSize), 5), int(MaxTileSize)); // 2^20 leaves 1 by 5
    QCOMPARE(optimalTileSizeFor(90, int64_t(MaxTileSize), 7), 0); // 2^20 + 4 would exceed the limit
}

void TestTileSize::correction_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("size");
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("multi");
    QTest::addColumn<int>("corrected"); // 0 = no question
    QTest::newRow("512 by 3") << 0 << "512" << 1 << "3" << 511;
    QTest::newRow("513 by 3") << 0 << "513" << 1 << "3" << 514;
    QTest::newRow("511 by 3") << 0 << "511" << 1 << "3" << 0;
    QTest::newRow("0 by 3") << 1 << "0" << 1 << "3" << 0;
    QTest::newRow("512 by 5") << 1 << "512" << 2 << "5" << 511;
    QTest::newRow("514 by 5") << 1 << "514" << 2 << "5" << 511;
    QTest::newRow("2 by 3") << 1 << "2" << 1 << "3" << 1;
    QTest::newRow("1 x 1") << 1 << "512" << 0 << "1" << 0;
    QTest::newRow("nothing selected") << 1 << "512" << -1 << "3" << 0;
    QTest::newRow("cylinder") << 2 << "512" << 1 << "3" << 0;
    QTest::newRow("sequence") << 4 << "512" << 1 << "3" << 0;
    QTest::newRow("negative") << 1 << "-512" << 1 << "3" << 0;
    QTest::newRow("text") << 1 << "big" << 1 << "3" << 0;
    QTest::newRow("max int by 3") << 1 << "2147483647" << 1 << "3" << 0;
    QTest::newRow("max int by 5") << 1 << "2147483647" << 2 << "5" << 2147483646;
    QTest::newRow("subdivision 0") << 1 << "512" << 1 << "0" << 0;
    QTest::newRow("subdivision text") << 1 << "512" << 1 << "three" << 0;
    QTest::newRow("subdivision negative") << 1 << "512" << 1 << "-3" << 0;
}

void TestTileSize::correction()
{
    QFETCH(int, type);
    QFETCH(QString, size);
    QFETCH(int, item);
    QFETCH(QString, multi);
    QFETCH(int, corrected);
    QCOMPARE(tileSizeCorrection(type, size, item, multi).value_or(0), corrected);
}

void TestTileSize::question()
{
    const Question q = tileSizeQuestion(511);
    QCOMPARE(q.caption, QStringLiteral("Tile size"));
    QCOMPARE(q.text, QStringLiteral("The tile size is not optimal for your subdivision selection and will produce "
                                    "seams!\r\nShould I correct the tile size to 511?"));
}

void TestTileSize::keys()
{
    QCOMPARE(tileSizeKey(1), QStringLiteral("stitcher.tilesize"));
    QCOMPARE(tileSizeKey(0), QStringLiteral("movie.tilesize"));
    for (int t : {2, 3, 4, 5, -1, 9})
        QVERIFY(tileSizeKey(t).isEmpty());
    QCOMPARE(autoTileSizeKeys(1), QStringList{"stitcher.tilesize"});
    for (int t : {0, 2, 3, 4, 5})
        QCOMPARE(autoTileSizeKeys(t), QStringList{"movie.tilesize"});
    QVERIFY(autoTileSizeKeys(7).isEmpty());
}

void TestTileSize::autoBox_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("stitcher");
    QTest::addColumn<QString>("movie");
    QTest::addColumn<int>("checked"); // -1 left alone
    QTest::newRow("equirect auto") << 1 << "0" << "512" << 1;
    QTest::newRow("equirect sized") << 1 << "512" << "0" << 0;
    QTest::newRow("equirect text is 0") << 1 << "auto" << "512" << 1;
    QTest::newRow("cube auto") << 0 << "512" << "" << 1;
    QTest::newRow("cube sized") << 0 << "0" << "431" << 0;
    QTest::newRow("light table") << 5 << "0" << "100" << 0;
    QTest::newRow("bad type") << 8 << "0" << "0" << -1;
}

void TestTileSize::autoBox()
{
    QFETCH(int, type);
    QFETCH(QString, stitcher);
    QFETCH(QString, movie);
    QFETCH(int, checked);
    const auto got = autoTileSizeChecked(type, stitcher, movie);
    QCOMPARE(got.has_value() ? int(*got) : -1, checked);
}

void TestTileSize::sliders_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("position");
    QTest::newRow("75") << "75" << 0 << 100 << 75;
    QTest::newRow("150") << "150" << 0 << 100 << 100;
    QTest::newRow("negative") << "-4" << 0 << 100 << 0;
    QTest::newRow("text") << "good" << 0 << 100 << 0;
    QTest::newRow("mesh text") << "good" << 3 << 12 << 3;
    QTest::newRow("mesh 20") << "20" << 3 << 12 << 12;
    QTest::newRow("overflow") << "99999999999" << 0 << 100 << 0;
}

void TestTileSize::sliders()
{
    QFETCH(QString, text);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, position);
    QCOMPARE(sliderPositionForText(text, minimum, maximum), position);
}

void TestTileSize::mirrorRule()
{
    QVERIFY(sliderMoveUpdatesEdit(false, false));
    QVERIFY(!sliderMoveUpdatesEdit(true, false)); // the project is being shown
    QVERIFY(!sliderMoveUpdatesEdit(false, true)); // the user is typing
    const QList<QualityPair> pairs = qualityPairs();
    QCOMPARE(pairs.size(), 4);
    QCOMPARE(QLatin1String(pairs.last().slider), QLatin1String("tbFlashMeshBase"));
    QCOMPARE(pairs.last().minimum, 3);
    QCOMPARE(pairs.last().maximum, 12);
}

QTEST_GUILESS_MAIN(TestTileSize)
#include "tst_tilesize.moc"

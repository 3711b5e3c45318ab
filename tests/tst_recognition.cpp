// Recognition of cube-face sets and object sequences in real folders.
#include <QtTest>

#include "project/ProjectDocument.h"
#include "project/ProjectType.h"
#include "project/Recognition.h"
#include "testsupport.h"

using namespace sl;

namespace {

void touch(const QString &path)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write("x");
}

} // namespace

class TestRecognition : public QObject
{
    Q_OBJECT

private slots:
    void cubeFaces_data();
    void cubeFaces();
    void sequences_data();
    void sequences();
    void probesEveryFile();
    void quietMode();
    void noticeTexts();
    void startUpAdapter();
};

// Files are given as a blank-separated list of names in a fresh folder.
void TestRecognition::cubeFaces_data()
{
    QTest::addColumn<QString>("files");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("base");
    QTest::addColumn<bool>("dosUp");
    QTest::addColumn<bool>("tiff");
    const QString jpg = "pano_0.jpg pano_1.jpg pano_2.jpg pano_3.jpg pano_4.jpg pano_5.jpg";
    const QString dos = "PANO11.tif PANO22.tif PANO33.tif PANO44.tif PANO55.tif PANO66.tif";
    QTest::newRow("default numbering, any face") << jpg << "pano_3.jpg" << int(RecognitionResult::Recognised)
                                                 << "pano" << false << false;
    QTest::newRow("dosup, upper-case extension chosen") << dos << "PANO11.TIF" << int(RecognitionResult::Recognised)
                                                        << "PANO" << true << true;
    QTest::newRow("dosup middle face") << dos << "PANO33.tif" << int(RecognitionResult::Recognised) << "PANO"
                                       << true << true;
    QTest::newRow("one face missing") << "pano_0.jpg pano_1.jpg pano_2.jpg pano_4.jpg pano_5.jpg" << "pano_0.jpg"
                                      << int(RecognitionResult::TilesMissing) << "" << false << false;
    QTest::newRow("faces of the other format") << jpg << "pano_0.tif" << int(RecognitionResult::TilesMissing)
                                               << "" << false << true;
    QTest::newRow("faces only in upper case") << "P_0.TIF P_1.TIF P_2.TIF P_3.TIF P_4.TIF P_5.TIF" << "P_0.TIF"
                                              << int(RecognitionResult::TilesMissing) << "" << false << true;
    QTest::newRow("12") << jpg << "pano12.jpg" << int(RecognitionResult::NoPattern) << "" << false << false;
    QTest::newRow("77") << jpg << "pano77.jpg" << int(RecognitionResult::NoPattern) << "" << false << false;
    QTest::newRow("_6") << jpg << "pano_6.jpg" << int(RecognitionResult::NoPattern) << "" << false << false;
    QTest::newRow("00") << jpg << "pano00.jpg" << int(RecognitionResult::NoPattern) << "" << false << false;
    QTest::newRow("one character") << jpg << "1.jpg" << int(RecognitionResult::NoPattern) << "" << false << false;
    QTest::newRow(".jpeg") << jpg << "pano_0.jpeg" << int(RecognitionResult::WrongExtension) << "" << false << false;
    QTest::newRow(".tiff") << jpg << "pano_0.tiff" << int(RecognitionResult::WrongExtension) << "" << false << false;
    QTest::newRow(".png") << jpg << "pano_0.png" << int(RecognitionResult::WrongExtension) << "" << false << false;
    QTest::newRow("no extension") << jpg << "pano_0" << int(RecognitionResult::WrongExtension) << "" << false << false;
}

void TestRecognition::cubeFaces()
{
    QFETCH(QString, files);
    QFETCH(QString, chosen);
    QFETCH(int, outcome);
    QFETCH(QString, base);
    QFETCH(bool, dosUp);
    QFETCH(bool, tiff);
    QTemporaryDir dir;
    for (const QString &f : files.split(QLatin1Char(' ')))
        touch(dir.filePath(f));
    for (int type : {0, 1, 2, 3, 5}) { // every type but the sequence uses the cube-face rules
        const RecognitionResult r = RecognizeImagePattern(dir.filePath(chosen), type, false);
        QCOMPARE(int(r.outcome), outcome);
        QCOMPARE(r.baseName, base.isEmpty() ? QString() : dir.filePath(base));
        if (r.ok()) {
            QCOMPARE(r.dosUp, dosUp);
            QCOMPARE(r.isTiff, tiff);
            QVERIFY(r.message.isEmpty());
        } else {
            QVERIFY(!r.message.isEmpty());
        }
        if (outcome == RecognitionResult::TilesMissing)
            QCOMPARE(r.isTiff, tiff);
    }
}

void TestRecognition::sequences_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QString>("extra");   // further files
    QTest::addColumn<QString>("missing"); // files of the grid that are left out
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("foundRows");
    QTest::addColumn<int>("foundColumns");
    QTest::newRow("3 x 4") << 3 << 4 << "" << "" << "obj_0_0.jpg" << int(RecognitionResult::Recognised) << 3 << 4;
    QTest::newRow("one image") << 1 << 1 << "" << "" << "obj_0_0.jpg" << int(RecognitionResult::Recognised) << 1 << 1;
    QTest::newRow("one column") << 5 << 1 << "" << "" << "obj_0_0.jpg" << int(RecognitionResult::Recognised) << 5 << 1;
    QTest::newRow("one row") << 1 << 12 << "" << "" << "obj_0_0.jpg" << int(RecognitionResult::Recognised) << 1
                             << 12;
    QTest::newRow("tif") << 2 << 2 << "" << "" << "obj_0_0.tif" << int(RecognitionResult::Recognised) << 2 << 2;
    QTest::newRow("hole inside") << 3 << 4 << "" << "obj_1_1.jpg" << "obj_0_0.jpg"
                                 << int(RecognitionResult::TilesMissing) << 3 << 4;
    // Rows are counted along the last column.
    QTest::newRow("short first column") << 3 << 4 << "" << "obj_2_0.jpg" << "obj_0_0.jpg"
                                        << int(RecognitionResult::TilesMissing) << 3 << 4;
    QTest::newRow("longer first column") << 2 << 3 << "obj_2_0.jpg obj_3_0.jpg" << "" << "obj_0_0.jpg"
                                         << int(RecognitionResult::Recognised) << 2 << 3;
    QTest::newRow("gap in first row") << 2 << 3 << "obj_0_4.jpg" << "" << "obj_0_0.jpg"
                                      << int(RecognitionResult::Recognised) << 2 << 3;
    QTest::newRow("not the first image") << 3 << 3 << "" << "" << "obj_1_2.jpg"
                                         << int(RecognitionResult::NotFirstImage) << 0 << 0;
    QTest::newRow("cube face in sequence") << 1 << 1 << "pano_0.jpg" << "" << "pano_0.jpg"
                                           << int(RecognitionResult::NotFirstImage) << 0 << 0;
    QTest::newRow("short name") << 1 << 1 << "_0.jpg" << "" << "_0.jpg" << int(RecognitionResult::NotFirstImage)
                                << 0 << 0;
    QTest::newRow("png") << 1 << 1 << "obj_0_0.png" << "" << "obj_0_0.png"
                         << int(RecognitionResult::WrongExtension) << 0 << 0;
}

void TestRecognition::sequences()
{
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(QString, extra);
    QFETCH(QString, missing);
    QFETCH(QString, chosen);
    QFETCH(int, outcome);
    QFETCH(int, foundRows);
    QFETCH(int, foundColumns);
    QTemporaryDir dir;
    const QString ext = chosen.endsWith(QLatin1String(".tif")) ? QStringLiteral(".tif") : QStringLiteral(".jpg");
    const QStringList skip = missing.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < columns; ++j) {
            const QString name = QStringLiteral("obj_%1_%2").arg(i).arg(j) + ext;
            if (!skip.contains(name))
                touch(dir.filePath(name));
        }
    for (const QString &f : extra.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        touch(dir.filePath(f));
    const RecognitionResult r = RecognizeImagePattern(dir.filePath(chosen), PtObjectSequence, false);
    QCOMPARE(int(r.outcome), outcome);
    if (outcome == RecognitionResult::Recognised || outcome == RecognitionResult::TilesMissing) {
        QCOMPARE(r.rows, foundRows);
        QCOMPARE(r.columns, foundColumns);
        QVERIFY(!r.dosUp);
    }
    QCOMPARE(r.baseName, r.ok() ? dir.filePath(QStringLiteral("obj")) : QString());
    QCOMPARE(r.message.isEmpty(), r.ok());
}

// Recognition decides only after probing every file of the set.
void TestRecognition::probesEveryFile()
{
    QStringList probed;
    const auto none = [&](const QString &p) {
        probed << p;
        return false;
    };
    RecognitionResult r = RecognizeImagePattern(QStringLiteral("/d/pano22.jpg"), PtCubeFaces, false, none);
    QCOMPARE(int(r.outcome), int(RecognitionResult::TilesMissing));
    QCOMPARE(probed, (QStringList{"/d/pano11.jpg", "/d/pano22.jpg", "/d/pano33.jpg", "/d/pano44.jpg",
                                  "/d/pano55.jpg", "/d/pano66.jpg"}));

    // A sequence with a hole probes the whole grid it counted.
    const QSet<QString> present{"/s/o_0_0.tif", "/s/o_0_1.tif", "/s/o_1_1.tif", "/s/o_2_1.tif"};
    probed.clear();
    const auto some = [&](const QString &p) {
        probed << p;
        return present.contains(p);
    };
    r = RecognizeImagePattern(QStringLiteral("/s/o_0_0.TIF"), PtObjectSequence, true, some);
    QCOMPARE(int(r.outcome), int(RecognitionResult::TilesMissing));
    QCOMPARE(r.rows, 3);
    QCOMPARE(r.columns, 2);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j)
            QVERIFY(probed.contains(QStringLiteral("/s/o_%1_%2.tif").arg(i).arg(j)));
}

void TestRecognition::quietMode()
{
    QTemporaryDir dir;
    const struct
    {
        const char *name;
        int type;
    } cases[] = {{"a.png", 0}, {"a12.jpg", 0}, {"a_1_1.jpg", 4}, {"a_0.jpg", 0}};
    for (const auto &c : cases) {
        const RecognitionResult loud = RecognizeImagePattern(dir.filePath(c.name), c.type, false);
        const RecognitionResult quiet = RecognizeImagePattern(dir.filePath(c.name), c.type, true);
        QVERIFY(!loud.ok() && !quiet.ok());
        QCOMPARE(int(quiet.outcome), int(loud.outcome));
        QVERIFY(!loud.message.isEmpty());
        QVERIFY(quiet.message.isEmpty());
        QVERIFY(quiet.baseName.isEmpty());
    }
}

void TestRecognition::noticeTexts()
{
    QCOMPARE(wrongExtensionNotice(), QStringLiteral("Only the extensions .jpg or .tif are supported."));
    QCOMPARE(noPatternNotice(), QStringLiteral("Unable to recognize a filename pattern!"));
    QCOMPARE(notFirstImageNotice(),
             QStringLiteral("Unable to recognize a filename pattern! Please select only the first image!"));
    QCOMPARE(tilesMissingNotice(), QStringLiteral("Some tiles are missing!"));
    const RecognitionResult r = RecognizeImagePattern(QStringLiteral("/nowhere/x_0.jpg"), 0, false);
    QCOMPARE(r.message, tilesMissingNotice());
}

void TestRecognition::startUpAdapter()
{
    QTemporaryDir dir;
    for (int i = 1; i <= 6; ++i)
        touch(dir.filePath(QStringLiteral("room%1.jpg").arg(i * 11)));
    const auto set = recognizeCubeFacesQuiet(dir.path(), QStringLiteral("room44.jpg"));
    QVERIFY(set.has_value());
    QCOMPARE(set->baseName, QStringLiteral("room"));
    QVERIFY(set->dosup);
    QVERIFY(!set->tiff);
    QVERIFY(!recognizeCubeFacesQuiet(dir.path(), QStringLiteral("room44.tif")).has_value());
    QVERIFY(!recognizeCubeFacesQuiet(dir.path(), QStringLiteral("other.jpg")).has_value());
    // A folder named like a face is not a face.
    QTemporaryDir dir2;
    for (int i = 0; i < 6; ++i)
        QVERIFY(QDir(dir2.path()).mkdir(QStringLiteral("f_%1.jpg").arg(i)));
    QVERIFY(!recognizeCubeFacesQuiet(dir2.path(), QStringLiteral("f_0.jpg")).has_value());
}

QTEST_GUILESS_MAIN(TestRecognition)
#include "tst_recognition.moc"

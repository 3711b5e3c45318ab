// Recognition of cube-face sets and object sequences in real folders.
#include <QtTest>

#include "project/ProjectDocument.h"
#include "project/ProjectType.h"
#include "project/Recognition.h"
#include "testsupport.h"

using namespace sl;

namespace {


// Loud results carry the notice of their outcome; quiet ones none, with the same outcome.
void checkNotice(const QString &file, int type)
{
    const QString notices[] = {QString(), wrongExtensionNotice(), noPatternNotice(), notFirstImageNotice(),
                               tilesMissingNotice()};
    const RecognitionResult loud = RecognizeImagePattern(file, type, false);
    const RecognitionResult quiet = RecognizeImagePattern(file, type, true);
    QCOMPARE(loud.message, notices[loud.outcome]);
    QVERIFY(quiet.outcome == loud.outcome && quiet.message.isEmpty() && quiet.baseName == loud.baseName);
}

} // namespace

class TestRecognition : public QObject
{
    Q_OBJECT

private slots:
    // Files are given as a blank-separated list of names in a fresh folder.
    void cubeFaces()
    {
        const QString jpg = "pano_0.jpg pano_1.jpg pano_2.jpg pano_3.jpg pano_4.jpg pano_5.jpg";
        using R = RecognitionResult;
        const struct { QString files; const char *chosen; int outcome; const char *base; bool dosUp, tiff; } cases[] = {
            {jpg, "pano_3.jpg", R::Recognised, "pano", false, false},
            // The extension is compared in lower case, the faces are probed with a lower-case one.
            {"PANO11.tif PANO22.tif PANO33.tif PANO44.tif PANO55.tif PANO66.tif", "PANO11.TIF", R::Recognised, "PANO",
             true, true},
            {"P_0.TIF P_1.TIF P_2.TIF P_3.TIF P_4.TIF P_5.TIF", "P_0.TIF", R::TilesMissing, "", false, true},
            {"pano_0.jpg pano_1.jpg pano_2.jpg pano_4.jpg pano_5.jpg", "pano_0.jpg", R::TilesMissing, "", false, false},
            {jpg, "pano_0.tif", R::TilesMissing, "", false, true},
            {jpg, "pano12.jpg", R::NoPattern, "", false, false},
            {jpg, "pano77.jpg", R::NoPattern, "", false, false},
            {jpg, "pano_6.jpg", R::NoPattern, "", false, false},
            {jpg, "1.jpg", R::NoPattern, "", false, false},
            {jpg, "pano_0.jpeg", R::WrongExtension, "", false, false},
            {jpg, "pano_0", R::WrongExtension, "", false, false},
        };
        for (const auto &c : cases) {
            QTemporaryDir dir;
            for (const QString &f : c.files.split(QLatin1Char(' ')))
                testsupport::makeFile(dir.filePath(f), "x");
            for (int type : {0, 1, 2, 3, 5}) { // every type but the sequence uses the cube-face rules
                const RecognitionResult r = RecognizeImagePattern(dir.filePath(c.chosen), type, false);
                QVERIFY2(int(r.outcome) == c.outcome, c.chosen);
                QCOMPARE(r.baseName, *c.base ? dir.filePath(c.base) : QString());
                if (r.ok())
                    QCOMPARE(r.dosUp, c.dosUp);
                if (r.ok() || c.outcome == R::TilesMissing)
                    QCOMPARE(r.isTiff, c.tiff);
            }
            checkNotice(dir.filePath(c.chosen), 0);
        }
    }

    void sequences()
    {
        using R = RecognitionResult;
        // A grid of rows x columns files, plus extra files and minus missing ones; found: the result's grid.
        const struct { int rows, columns; const char *extra, *missing, *chosen; int outcome, foundRows, foundColumns; }
            cases[] = {
            {3, 4, "", "", "obj_0_0.jpg", R::Recognised, 3, 4},
            {1, 1, "", "", "obj_0_0.jpg", R::Recognised, 1, 1},
            {3, 4, "", "obj_1_1.jpg", "obj_0_0.jpg", R::TilesMissing, 3, 4},
            {3, 4, "", "obj_2_0.jpg", "obj_0_0.jpg", R::TilesMissing, 3, 4}, // rows counted along the last column
            {2, 3, "obj_2_0.jpg obj_3_0.jpg", "", "obj_0_0.jpg", R::Recognised, 2, 3},
            {2, 3, "obj_0_4.jpg", "", "obj_0_0.jpg", R::Recognised, 2, 3},
            {3, 3, "", "", "obj_1_2.jpg", R::NotFirstImage, 0, 0},
            {1, 1, "_0.jpg", "", "_0.jpg", R::NotFirstImage, 0, 0},
            {1, 1, "obj_0_0.png", "", "obj_0_0.png", R::WrongExtension, 0, 0},
        };
        for (const auto &c : cases) {
            QTemporaryDir dir;
            const QString ext = QString::fromLatin1(c.chosen).endsWith(QLatin1String(".tif")) ? ".tif" : ".jpg";
            const QStringList skip = QString::fromLatin1(c.missing).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            for (int i = 0; i < c.rows; ++i)
                for (int j = 0; j < c.columns; ++j)
                    if (const QString name = QStringLiteral("obj_%1_%2").arg(i).arg(j) + ext; !skip.contains(name))
                        testsupport::makeFile(dir.filePath(name), "x");
            for (const QString &f : QString::fromLatin1(c.extra).split(QLatin1Char(' '), Qt::SkipEmptyParts))
                testsupport::makeFile(dir.filePath(f), "x");
            const RecognitionResult r = RecognizeImagePattern(dir.filePath(c.chosen), PtObjectSequence, false);
            QVERIFY2(int(r.outcome) == c.outcome && r.rows == c.foundRows && r.columns == c.foundColumns, c.chosen);
            QCOMPARE(r.baseName, r.ok() ? dir.filePath(QStringLiteral("obj")) : QString());
            checkNotice(dir.filePath(c.chosen), PtObjectSequence);
        }
    }

    // Recognition decides only after probing every file of the set.
    void probesEveryFile()
    {
        QStringList probed;
        const auto none = [&](const QString &p) { probed << p; return false; };
        RecognitionResult r = RecognizeImagePattern(QStringLiteral("/d/pano22.jpg"), PtCubeFaces, false, none);
        QCOMPARE(int(r.outcome), int(RecognitionResult::TilesMissing));
        QCOMPARE(probed, (QStringList{"/d/pano11.jpg", "/d/pano22.jpg", "/d/pano33.jpg", "/d/pano44.jpg",
                                      "/d/pano55.jpg", "/d/pano66.jpg"}));

        // A sequence with a hole probes the whole grid it counted.
        const QSet<QString> present{"/s/o_0_0.tif", "/s/o_0_1.tif", "/s/o_1_1.tif", "/s/o_2_1.tif"};
        probed.clear();
        const auto some = [&](const QString &p) { probed << p; return present.contains(p); };
        r = RecognizeImagePattern(QStringLiteral("/s/o_0_0.TIF"), PtObjectSequence, true, some);
        QVERIFY(r.outcome == RecognitionResult::TilesMissing && r.rows == 3 && r.columns == 2);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 2; ++j)
                QVERIFY(probed.contains(QStringLiteral("/s/o_%1_%2.tif").arg(i).arg(j)));
    }

    // The start-up form: folder and name apart; a folder named like a face is not a face.
    void startUpAdapter()
    {
        QTemporaryDir dir, folders;
        for (int i = 1; i <= 6; ++i) {
            testsupport::makeFile(dir.filePath(QStringLiteral("room%1.jpg").arg(i * 11)), "x");
            QVERIFY(QDir(folders.path()).mkdir(QStringLiteral("f_%1.jpg").arg(i - 1)));
        }
        const auto set = recognizeCubeFacesQuiet(dir.path(), QStringLiteral("room44.jpg"));
        QVERIFY(set && set->baseName == QStringLiteral("room") && set->dosup && !set->tiff);
        QVERIFY(!recognizeCubeFacesQuiet(dir.path(), QStringLiteral("room44.tif")) && !recognizeCubeFacesQuiet(folders.path(), QStringLiteral("f_0.jpg")));
    }
};

QTEST_GUILESS_MAIN(TestRecognition)
#include "tst_recognition.moc"

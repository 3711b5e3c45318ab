#include "platform/gui/Hooks.h"
#include "project/ProjectDocument.h"
#include "project/Values.h"
#include "testsupport.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <clocale>

using namespace sl;

namespace {

QString joined(const QList<KeyValue> &kv)
{
    QStringList s;
    for (const auto &p : kv)
        s << p.first + '=' + p.second;
    return s.join('|');
}

BindingDefaults someDefaults()
{
    BindingDefaults d;
    for (const auto &[key, value] : {std::pair{"input", ""}, {"movie.width", "400"}, {"preview.enabled", "1"}, {"fov.max", "120"},
                                     {"cubefile.dosup", "0"}, {"stitcher.tiff", "0"}, {"movie.cube", "0"},
                                     {"MOVIE.WIDTH", "999"}}) // a later row never changes the default
        d.add(key, value);
    return d;
}

} // namespace

class TestProjectDoc : public testsupport::Fixture
{
    Q_OBJECT

private slots:
    void valueAccess()
    {
        // Lines before, the operation, key, value and own default, then the value read back and the lines after.
        const struct { const char *before, *op, *key, *value, *def, *result, *after; } rows[] = {
            {"preview.enabled=", "get", "preview.enabled", "", "", "", "preview.enabled="}, // present empty beats default
            {"x=1", "get", "preview.enabled", "", "", "1", "x=1"},                          // the binding default
            {"", "get", "preview.enabled", "", "7", "7", ""},                               // an own default
            {"movie.width=640|a=b|MOVIE.Width=800", "get", "movie.width", "", "", "800", "movie.width=640|a=b|MOVIE.Width=800"},
            {"movie.width = 500", "get", "movie.width", "", "", "400", "movie.width = 500"}, // another name
            {"a=1", "set", "movie.width", "400", "", "400", "a=1"},                         // the default is not added
            {"movie.width=640|a=1", "set", "movie.width", "400", "", "400", "movie.width=400|a=1"}, // a present line is kept
            {"MOVIE.WIDTH=800", "set", "movie.width", "640", "", "640", "movie.width=640"},
            {"input=a.jpg", "set", "input", "", "", "", "input="},
            {"", "set", "movie.width", "400", "300", "400", "movie.width=400"},             // the own default decides
            {"", "set", "movie.width", "400.0", "", "400.0", "movie.width=400.0"},          // compared exactly
            {"", "set", "userdata.title", "a\r\nb\nc", "", "a  b c", "userdata.title=a  b c"}, // no line breaks
            {"fov.max=90|a=1", "reset", "fov.max", "", "", "120", "fov.max=120|a=1"},
            {"a=1", "reset", "fov.max", "", "", "120", "a=1"},
            {"input=a|b=1|INPUT=c", "remove", "input", "", "", "a", "input=a|b=1"}};          // the last of two
        const BindingDefaults d = someDefaults();
        for (const auto &r : rows) {
            ProjectList p;
            if (*r.before)
                p.setLines(QString(r.before).split('|'));
            const QString op = r.op;
            if (op == "set")
                setValue(p, d, r.key, r.value, r.def);
            else if (op == "reset")
                resetValue(p, d, r.key);
            else if (op == "remove")
                removeKey(p, r.key);
            const QString read = getValue(p, d, r.key, op == "get" ? r.def : QString());
            QVERIFY2(read == r.result && !read.isNull() && p.lines().join('|') == r.after,
                     qPrintable(QStringLiteral("%1 %2 on %3: %4, %5").arg(op, r.key, r.before, read, p.lines().join('|'))));
        }
    }

    void newProjectText()
    {
        const QStringList builtIn = {"# Automatically generated configuration file for Skyloom", "", "# The basic project files",
                                     "input=", "output=", "cubefile=", "", "# Parameters", "movie.qtvrflattener=1", "stitcher.tiff=1"};
        QCOMPARE(builtInNewProjectLines(), builtIn);
        QCOMPARE(newProjectLines(env->path()), builtIn);


        // A defaults file: everything but "input" and "output" is taken over.
        testsupport::writeFile(defaultsFilePath(env->path()), "# mine\r\ninput=C:\\x.tif\r\noutput=x.mov\ncubefile=c\r\nmovie.width=640\r\n");
        QCOMPARE(newProjectLines(env->path()), QStringList({"# mine", "cubefile=c", "movie.width=640"}));

        // A defaults file that cannot be read: the built-in text and the reason.
        QVERIFY(QFile::remove(defaultsFilePath(env->path())) && QDir().mkpath(defaultsFilePath(env->path())));
        QString error;
        QVERIFY(newProjectLines(env->path(), &error) == builtIn && !error.isEmpty());
    }

    void projectNames()
    {
        const struct { const char *chosen, *stem; } rows[] = {
            {"/p/pano.final.slp", "pano"}, {"/p/pano", "pano"}, {"/p.q/tour.slp", "tour"}, {"/p/.hidden.slp", ".hidden"}};
        for (const auto &r : rows)
            QCOMPARE(joined(derivedOutputNames(r.chosen)),
                     QString("output=%1.mov|thumbfile=%1_thumb.jpg|stripfile=%1_strip.jpg|htmlfile=%1.html|flashfile=%1.swf").arg(r.stem));
        // Which command-line arguments are projects.
        for (const auto &[arg, project] : {std::pair{"/p/pano.slp", true}, {"/p/PANO.SLP", true}, {"/p/tour.slt", true},
                                           {"/p/pano.jpg", false}, {"/p.slp/pano", false}, {"/p/pano.slp.jpg", false}})
            QVERIFY2(isProjectFileArgument(arg) == project, arg);
    }

    void metaVersion()
    {
        const struct { QStringList before; const char *version; QStringList after; } rows[] = {
            {{"a=1", "meta.version=1.5"}, "1.6.2", {"a=1", "meta.version=1.6.2"}},
            {{"a=1"}, SKYLOOM_VERSION, {"meta.version=" SKYLOOM_VERSION, "a=1"}}, // added in front
            {{"meta.version="}, "1.6.2", {"meta.version=1.6.2"}}};
        for (const auto &r : rows) {
            ProjectList p;
            p.setLines(r.before);
            QVERIFY(updateMetaVersion(p, r.version));
            QCOMPARE(p.lines(), r.after);
            QVERIFY(!updateMetaVersion(p, r.version)); // nothing to change the second time
        }
    }

    // Comments, nameless lines and file names are not merged; the rest is, through setValue (no defaults).
    void templateMerge()
    {
        const QStringList tpl = {"# comment=1", "   #movie.width=800", "\t# x=1", "=5", "no equals", "", "Output=other.mov",
                                 "INPUT=a.jpg", "cubefile=c", "FlashFile=f.swf", "stripfile=s", "htmlfile=h", "thumbfile=t",
                                 "input =kept, blank in name", "Movie.Width=800", "fov.max=120", "a=b=c", "userdata.title= spaced "};
        QStringList seen;
        QCOMPARE(applyTemplateLines(tpl, [&](const QString &k, const QString &v) { seen << k + '=' + v; }), 5);
        QCOMPARE(seen, QStringList({"input =kept, blank in name", "movie.width=800", "fov.max=120", "a=b=c", "userdata.title= spaced "}));
        testsupport::writeFile(env->path() + "/t.slt", "Movie.Width=800\r\nfov.max=120\r\npreview.enabled=0\r\n");
        const BindingDefaults d = someDefaults();
        ProjectList p;
        p.setLines({"MOVIE.WIDTH=640", "preview.enabled=1"});
        QVERIFY(applyTemplateFile(env->path() + "/t.slt", [&](const QString &k, const QString &v) { setValue(p, d, k, v); }));
        QCOMPARE(p.lines(), QStringList({"movie.width=800", "preview.enabled=0"}));
        // A missing template merges nothing and is no error to report.
        QString error;
        QVERIFY(!applyTemplateFile(env->path() + "/missing.slt", [](const QString &, const QString &) { QFAIL("merged"); }, &error));
        QVERIFY(error.isEmpty());
    }

    void commandLineImage()
    {
        const QString dir = env->path() + "/p";
        QDir().mkpath(dir);
        // Stands in for the recognition: a set when the name ends in 11 or _0.
        const RecognizeCubeFacesFn recognize = [&](const QString &folder, const QString &name) -> std::optional<CubeFaceSet> {
            const QString stem = QFileInfo(name).completeBaseName();
            if (folder != dir || !(stem.endsWith("11") || stem.endsWith("_0")))
                return std::nullopt;
            return CubeFaceSet{stem.chopped(2), stem.endsWith("11"), name.endsWith(".tif")};
        };

        ImageProject ip = commandLineImageProject(dir + "/pano11.jpg", "/prog", recognize);
        QVERIFY(ip.basePath == dir && ip.projectFile == dir + "/pano.slp");
        QCOMPARE(joined(ip.keys),
                 QString("cubefile.dosup=1|stitcher.tiff=0|movie.cube=1|cubefile=pano|output=pano.mov|"
                         "thumbfile=pano_thumb.jpg|stripfile=pano_strip.jpg|htmlfile=pano.html|flashfile=pano.swf"));

        // Taken names: pano.slp, then pano_0.slp.
        QVERIFY(testsupport::writeFile(dir + "/pano.slp", "x") && testsupport::writeFile(dir + "/pano_0.slp", "x"));
        QCOMPARE(commandLineImageProject(dir + "/pano.jpg", "/prog", recognize).projectFile, dir + "/pano_1.slp");

        // TIFF faces named _0.._5: dosup "0" equals its binding default and is not added.
        ip = commandLineImageProject(dir + "/pano_0.tif", "/prog", recognize);
        const BindingDefaults d = someDefaults();
        ProjectList p;
        for (const auto &kv : ip.keys)
            setValue(p, d, kv.first, kv.second);
        QVERIFY(!p.hasKey("cubefile.dosup") && p.value("stitcher.tiff") == "1" && p.value("cubefile") == "pano");

        // No set: the image is the input; a further dot stays in the name.
        ip = commandLineImageProject(dir + "/a.b.jpg", "/prog", recognize);
        QVERIFY(ip.projectFile == dir + "/a.b.slp");
        QCOMPARE(joined(ip.keys).section('|', 0, 2), QString("input=a.b.jpg|output=a.b.mov|thumbfile=a.b_thumb.jpg"));
        QCOMPARE(commandLineImageProject(dir + "/shot.png", "/prog", nullptr).keys.first(), KeyValue("input", "shot.png"));

        // A relative argument is taken against the start-up folder.
        ip = commandLineImageProject("p/pano11.jpg", "/prog", recognize, env->path());
        QVERIFY(ip.basePath == dir && ip.projectFile == dir + "/pano_1.slp");
        QVERIFY(QDir::setCurrent(dir));
        QCOMPARE(commandLineImageProject("shot.png", "/prog", recognize).projectFile, dir + "/shot.slp");
    }

    void numbersIgnoreTheLocale()
    {
        const QLocale oldLocale;
        const std::string oldC = std::setlocale(LC_ALL, nullptr);
        // Where de_DE is not installed, only Qt's default locale is German.
        std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "de_DE.utf8");
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));

        const struct { const char *text; int32_t value; } ints[] = {
            {"0x0000ff", 255}, {"-90", -90}, {"#0000ff", 0}, {"", 0}, {"+5", 5}, {"+-5", 0}, {"X1f", 31}, {"1.000", 0}, {" 5", 0},
            {"0xFF000000", int32_t(0xFF000000u)}, {"0x100000000", 0}, {"2147483648", 0}, {"-2147483648", INT32_MIN}};
        for (const auto &c : ints)
            QVERIFY2(VarToIntDef0(c.text) == c.value, c.text);

        const struct { const char *text; double value; } floats[] = {{"1,5", 1.5}, {"1.5", 1.5}, {"70deg", 0}, {" -2,25", -2.25},
                                                                      {"1,5,0", 0}, {"1e3", 1000}, {"inf", 0}, {"nan", 0}, {"0x1p3", 0}, {"1e999", 0},
                                                                      {"2147483648", 2147483648.0}};
        for (const auto &c : floats)
            QVERIFY2(VarToFloatDef0(c.text) == c.value, c.text);
        QCOMPARE(FloatToStr(1.5), QString("1.5"));

        std::setlocale(LC_ALL, oldC.c_str());
        QLocale::setDefault(oldLocale);
    }

    void formats()
    {
        const struct { const char *pattern; QVariantList args; const char *expected; } rows[] = {
            {"Größe: %d KB – %s", {12, "fertig"}, "Größe: 12 KB – fertig"},
            {"100%% of %d", {3}, "100% of 3"},
            {"[%5d][%-4s][%03d][%+d]", {42, "ab", -7, 5}, "[   42][ab  ][-07][+5]"},
            {"%x %X %.2f %f", {255, 255, 1.005, -0.5}, "ff FF 1.00 -0.500000"},
            {"%s and %d", {}, " and 0"}, // missing arguments
            {"%q %s %", {"x"}, "%q x %"}, // unknown directives kept
            {"%d files", {"17"}, "17 files"}};
        for (const auto &r : rows)
            QCOMPARE(WideFmt(QString::fromUtf8(r.pattern), r.args), QString::fromUtf8(r.expected));
    }

    void messageBoxDefaults()
    {
        // The real box: Return takes Yes (the default button), Escape Cancel or No.
        const auto answer = [](int key, unsigned flags, const char *text = "Save changes?") {
            QTimer::singleShot(0, [key] { if (QWidget *box = QApplication::activeModalWidget()) QTest::keyClick(box, Qt::Key(key)); });
            return flags == MB_OK ? ShowMsg(text) : MsgBox(text, "Caption", flags);
        };
        QCOMPARE(answer(Qt::Key_Return, MB_YESNOCANCEL | MB_ICONQUESTION), int(IDYES));
        QCOMPARE(answer(Qt::Key_Escape, MB_YESNOCANCEL | MB_ICONQUESTION), int(IDCANCEL));
        QCOMPARE(answer(Qt::Key_Escape, MB_YESNO, "Clear?"), int(IDNO));
        QCOMPARE(answer(Qt::Key_Return, MB_OK, "Done"), int(IDOK));
        // A test's hook answers instead; ShowMsg goes through it with the application title.
        QStringList asked;
        hooks::msgBox = [&](const QString &text, const QString &caption, unsigned flags) {
            asked << caption + ':' + text + ':' + QString::number(flags);
            return int(IDNO);
        };
        QVERIFY(MsgBox("Q", "C", MB_YESNO) == IDNO && ShowMsg("Hello") == IDNO);
        QCOMPARE(asked, QStringList({"C:Q:4", "Skyloom - GUI:Hello:0"}));
    }
};

QTEST_MAIN(TestProjectDoc)
#include "tst_projectdoc.moc"

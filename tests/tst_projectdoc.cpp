#include "platform/gui/Hooks.h"
#include "project/ProjectDocument.h"
#include "project/ProjectFile.h"
#include "project/Values.h"
#include "testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

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

void touch(const QString &path, const QByteArray &content = "x")
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

BindingDefaults someDefaults()
{
    BindingDefaults d;
    d.add("input", "");
    d.add("movie.width", "400");
    d.add("preview.enabled", "1");
    d.add("fov.max", "120");
    d.add("cubefile.dosup", "0");
    d.add("stitcher.tiff", "0");
    d.add("movie.cube", "0");
    d.add("MOVIE.WIDTH", "999"); // a later row never changes the default
    return d;
}

} // namespace

class TestProjectDoc : public QObject
{
    Q_OBJECT

private slots:
    // Each row: project lines before, the operation, the key, value and default, then the
    // value read back and the lines after. Operations: get, set, reset, remove.
    void valueAccess_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("def");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("after");

        QTest::newRow("present empty beats default") << "preview.enabled=" << "get" << "preview.enabled" << "" << "" << "" << "preview.enabled=";
        QTest::newRow("absent gives binding default") << "x=1" << "get" << "preview.enabled" << "" << "" << "1" << "x=1";
        QTest::newRow("absent gives own default") << "" << "get" << "preview.enabled" << "" << "7" << "7" << "";
        QTest::newRow("absent unbound gives empty") << "" << "get" << "no.such" << "" << "" << "" << "";
        QTest::newRow("upper-case line is found") << "MOVIE.WIDTH=800" << "get" << "movie.width" << "" << "" << "800" << "MOVIE.WIDTH=800";
        QTest::newRow("last of two lines wins") << "movie.width=640|a=b|movie.width=800" << "get" << "movie.width" << "" << "" << "800" << "movie.width=640|a=b|movie.width=800";
        QTest::newRow("blank before = is another name") << "movie.width = 500" << "get" << "movie.width" << "" << "" << "400" << "movie.width = 500";

        QTest::newRow("default value not added") << "a=1" << "set" << "movie.width" << "400" << "" << "400" << "a=1";
        QTest::newRow("other value appended") << "a=1" << "set" << "movie.width" << "640" << "" << "640" << "a=1|movie.width=640";
        QTest::newRow("present line kept at default") << "movie.width=640|a=1" << "set" << "movie.width" << "400" << "" << "400" << "movie.width=400|a=1";
        QTest::newRow("upper-case line rewritten") << "MOVIE.WIDTH=800" << "set" << "movie.width" << "640" << "" << "640" << "movie.width=640";
        QTest::newRow("second of two rewritten") << "movie.width=640|movie.width=800" << "set" << "movie.width" << "500" << "" << "500" << "movie.width=640|movie.width=500";
        QTest::newRow("empty value with empty default") << "" << "set" << "input" << "" << "" << "" << "";
        QTest::newRow("empty value rewrites") << "input=a.jpg" << "set" << "input" << "" << "" << "" << "input=";
        QTest::newRow("own default decides") << "" << "set" << "movie.width" << "400" << "300" << "400" << "movie.width=400";
        QTest::newRow("own default equal") << "" << "set" << "movie.width" << "300" << "300" << "400" << "";
        QTest::newRow("comparison is exact") << "" << "set" << "movie.width" << "400.0" << "" << "400.0" << "movie.width=400.0";
        QTest::newRow("line breaks become blanks") << "" << "set" << "userdata.title" << "a\r\nb\nc" << "" << "a  b c" << "userdata.title=a  b c";
        QTest::newRow("value with = and blanks") << "" << "set" << "userdata.title" << " x = y " << "" << " x = y " << "userdata.title= x = y ";

        QTest::newRow("reset present") << "fov.max=90|a=1" << "reset" << "fov.max" << "" << "" << "120" << "fov.max=120|a=1";
        QTest::newRow("reset absent") << "a=1" << "reset" << "fov.max" << "" << "" << "120" << "a=1";
        QTest::newRow("reset unbound") << "x.y=5" << "reset" << "x.y" << "" << "" << "" << "x.y=";
        QTest::newRow("remove last of two") << "input=a|b=1|INPUT=c" << "remove" << "input" << "" << "" << "a" << "input=a|b=1";
        QTest::newRow("remove absent") << "b=1" << "remove" << "input" << "" << "" << "" << "b=1";
    }
    void valueAccess()
    {
        QFETCH(QString, before);
        QFETCH(QString, op);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, def);
        QFETCH(QString, result);
        QFETCH(QString, after);
        const BindingDefaults d = someDefaults();
        ProjectList p;
        if (!before.isEmpty())
            p.setLines(before.split('|'));
        if (op == "set")
            setValue(p, d, key, value, def);
        else if (op == "reset")
            resetValue(p, d, key);
        else if (op == "remove")
            removeKey(p, key);
        const QString read = getValue(p, d, key, op == "get" ? def : QString());
        QCOMPARE(read, result);
        QCOMPARE(p.lines().join('|'), after);
        QVERIFY(!read.isNull() || result.isEmpty());
    }

    void newProjectText()
    {
        testsupport::IsolatedEnvironment env;
        const QStringList builtIn = {
            "# Automatically generated configuration file for Skyloom", "",
            "# The basic project files", "input=", "output=", "cubefile=", "",
            "# Parameters", "movie.qtvrflattener=1", "stitcher.tiff=1"};
        QCOMPARE(builtInNewProjectLines(), builtIn);
        QCOMPARE(newProjectLines(env.path()), builtIn);

        // "New Project" named pano.slp: line 5 reads output=pano.mov, the other names follow.
        ProjectList p;
        p.setLines(newProjectLines(env.path()));
        const BindingDefaults d = someDefaults();
        for (const auto &kv : derivedOutputNames(env.path() + "/pano.slp"))
            setValue(p, d, kv.first, kv.second);
        QCOMPARE(p.line(4), QString("output=pano.mov"));
        QCOMPARE(p.lines().mid(10), QStringList({"thumbfile=pano_thumb.jpg", "stripfile=pano_strip.jpg",
                                                 "htmlfile=pano.html", "flashfile=pano.swf"}));

        // A defaults file: everything but "input" and "output" is taken over.
        touch(defaultsFilePath(env.path()),
              "# mine\r\ninput=C:\\x.tif\r\noutput=x.mov\ncubefile=c\r\nmovie.width=640\r\n");
        QCOMPARE(newProjectLines(env.path()),
                 QStringList({"# mine", "cubefile=c", "movie.width=640"}));

        // A defaults file that cannot be read: the built-in text and the reason.
        QFile::remove(defaultsFilePath(env.path()));
        QDir().mkpath(defaultsFilePath(env.path()));
        QString error;
        QCOMPARE(newProjectLines(env.path(), &error), builtIn);
        QVERIFY(!error.isEmpty());
    }

    void derivedNames_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "/p/pano.slp" << "output=pano.mov|thumbfile=pano_thumb.jpg|stripfile=pano_strip.jpg|htmlfile=pano.html|flashfile=pano.swf";
        QTest::newRow("two extensions") << "/p/pano.final.slp" << "output=pano.mov|thumbfile=pano_thumb.jpg|stripfile=pano_strip.jpg|htmlfile=pano.html|flashfile=pano.swf";
        QTest::newRow("no extension") << "/p/pano" << "output=pano.mov|thumbfile=pano_thumb.jpg|stripfile=pano_strip.jpg|htmlfile=pano.html|flashfile=pano.swf";
        QTest::newRow("dotted folder") << "/p.q/tour.slp" << "output=tour.mov|thumbfile=tour_thumb.jpg|stripfile=tour_strip.jpg|htmlfile=tour.html|flashfile=tour.swf";
        QTest::newRow("leading dot") << "/p/.hidden.slp" << "output=.hidden.mov|thumbfile=.hidden_thumb.jpg|stripfile=.hidden_strip.jpg|htmlfile=.hidden.html|flashfile=.hidden.swf";
    }
    void derivedNames()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, expected);
        QCOMPARE(joined(derivedOutputNames(chosen)), expected);
    }

    void metaVersion()
    {
        ProjectList p;
        p.setLines({"a=1", "meta.version=1.5"});
        QVERIFY(updateMetaVersion(p, "1.6.2"));
        QCOMPARE(p.lines(), QStringList({"a=1", "meta.version=1.6.2"}));
        QVERIFY(!updateMetaVersion(p, "1.6.2"));
        p.setLines({"a=1"});
        QVERIFY(updateMetaVersion(p));
        QCOMPARE(p.lines(), QStringList({"meta.version=" SKYLOOM_VERSION, "a=1"}));
        p.setLines({"meta.version="});
        QVERIFY(updateMetaVersion(p, "1.6.2"));
        QCOMPARE(p.lines(), QStringList({"meta.version=1.6.2"}));
    }

    void templateMerge()
    {
        const QStringList tpl = {
            "# comment=1", "   #movie.width=800", "\t# x=1", "=5", "no equals", "",
            "Output=other.mov", "INPUT=a.jpg", "cubefile=c", "FlashFile=f.swf", "stripfile=s",
            "htmlfile=h", "thumbfile=t", "input =kept, blank in name",
            "Movie.Width=800", "fov.max=120", "a=b=c", "userdata.title= spaced "};
        QStringList seen;
        const int n = applyTemplateLines(tpl, [&](const QString &k, const QString &v) {
            seen << k + '=' + v;
        });
        QCOMPARE(n, seen.size());
        QCOMPARE(seen, QStringList({"input =kept, blank in name", "movie.width=800", "fov.max=120",
                                    "a=b=c", "userdata.title= spaced "}));

        // Through setValue: a template value at its binding default is not added.
        testsupport::IsolatedEnvironment env;
        const QString path = env.path() + "/t.slt";
        touch(path, "Movie.Width=800\r\nfov.max=120\r\npreview.enabled=0\r\n");
        const BindingDefaults d = someDefaults();
        ProjectList p;
        p.setLines({"MOVIE.WIDTH=640", "preview.enabled=1"});
        QVERIFY(applyTemplateFile(path, [&](const QString &k, const QString &v) { setValue(p, d, k, v); }));
        QCOMPARE(p.lines(), QStringList({"movie.width=800", "preview.enabled=0"}));

        QString error;
        QVERIFY(!applyTemplateFile(env.path() + "/missing.slt", [](const QString &, const QString &) {
            QFAIL("nothing to merge");
        }, &error));
        QVERIFY(error.isEmpty());
    }

    void projectArguments_data()
    {
        QTest::addColumn<QString>("arg");
        QTest::addColumn<bool>("project");
        QTest::newRow("slp") << "/p/pano.slp" << true;
        QTest::newRow("upper SLP") << "/p/PANO.SLP" << true;
        QTest::newRow("template") << "/p/tour.slt" << true;
        QTest::newRow("image") << "/p/pano.jpg" << false;
        QTest::newRow("slp folder name") << "/p.slp/pano" << false;
        QTest::newRow("slp inside name") << "/p/pano.slp.jpg" << false;
    }
    void projectArguments()
    {
        QFETCH(QString, arg);
        QFETCH(bool, project);
        QCOMPARE(isProjectFileArgument(arg), project);
    }

    void commandLineImage()
    {
        testsupport::IsolatedEnvironment env;
        const QString dir = env.path() + "/p";
        QDir().mkpath(dir);
        // Stands in for the recognition: a set when the name ends in 11 or _0.
        const RecognizeCubeFacesFn recognize = [&](const QString &folder, const QString &name)
            -> std::optional<CubeFaceSet> {
            if (folder != dir)
                return std::nullopt;
            const QString stem = QFileInfo(name).completeBaseName();
            if (stem.endsWith("11"))
                return CubeFaceSet{stem.chopped(2), true, name.endsWith(".tif")};
            if (stem.endsWith("_0"))
                return CubeFaceSet{stem.chopped(2), false, name.endsWith(".tif")};
            return std::nullopt;
        };

        ImageProject ip = commandLineImageProject(dir + "/pano11.jpg", "/prog", recognize);
        QCOMPARE(ip.basePath, dir);
        QCOMPARE(ip.projectFile, dir + "/pano.slp");
        QCOMPARE(joined(ip.keys),
                 QString("cubefile.dosup=1|stitcher.tiff=0|movie.cube=1|cubefile=pano|output=pano.mov|"
                         "thumbfile=pano_thumb.jpg|stripfile=pano_strip.jpg|htmlfile=pano.html|flashfile=pano.swf"));

        // Taken names: pano.slp, then pano_0.slp.
        touch(dir + "/pano.slp");
        QCOMPARE(commandLineImageProject(dir + "/pano11.jpg", "/prog", recognize).projectFile, dir + "/pano_0.slp");
        touch(dir + "/pano_0.slp");
        QCOMPARE(commandLineImageProject(dir + "/pano.jpg", "/prog", recognize).projectFile, dir + "/pano_1.slp");

        // TIFF faces named _0.._5: dosup "0" equals its binding default and is not added.
        ip = commandLineImageProject(dir + "/pano_0.tif", "/prog", recognize);
        const BindingDefaults d = someDefaults();
        ProjectList p;
        for (const auto &kv : ip.keys)
            setValue(p, d, kv.first, kv.second);
        QVERIFY(!p.hasKey("cubefile.dosup"));
        QCOMPARE(p.value("stitcher.tiff"), QString("1"));
        QCOMPARE(p.value("cubefile"), QString("pano"));

        // No set: the image is the input; a further dot stays in the name.
        ip = commandLineImageProject(dir + "/a.b.jpg", "/prog", recognize);
        QCOMPARE(ip.projectFile, dir + "/a.b.slp");
        QCOMPARE(joined(ip.keys).section('|', 0, 2), QString("input=a.b.jpg|output=a.b.mov|thumbfile=a.b_thumb.jpg"));
        ip = commandLineImageProject(dir + "/shot.png", "/prog", nullptr);
        QCOMPARE(ip.keys.first(), KeyValue("input", "shot.png"));

        // A relative argument is taken against the start-up folder.
        ip = commandLineImageProject("p/pano11.jpg", "/prog", recognize, env.path());
        QCOMPARE(ip.basePath, dir);
        QCOMPARE(ip.projectFile, dir + "/pano_1.slp");
        QVERIFY(QDir::setCurrent(dir));
        ip = commandLineImageProject("shot.png", "/prog", recognize);
        QCOMPARE(ip.projectFile, dir + "/shot.slp");
    }

    void numbersIgnoreTheLocale()
    {
        const QLocale oldLocale;
        const std::string oldC = std::setlocale(LC_ALL, nullptr);
        const bool haveGerman = std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "de_DE.utf8");
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));

        const struct { const char *text; int32_t value; } ints[] = {
            {"0x0000ff", 255}, {"-90", -90}, {"0x1000000", 16777216}, {"#0000ff", 0}, {"abc", 0},
            {"", 0}, {"+5", 5}, {"+-5", 0}, {"++5", 0}, {"X1f", 31}, {"0xFF000000", int32_t(0xFF000000u)},
            {"0x100000000", 0}, {"2147483648", 0}, {"-2147483648", INT32_MIN}, {"1.000", 0}, {" 5", 0}};
        for (const auto &c : ints)
            QVERIFY2(VarToIntDef0(c.text) == c.value, c.text);

        const struct { const char *text; double value; } floats[] = {
            {"1,5", 1.5}, {"1.5", 1.5}, {"70", 70}, {"70deg", 0}, {" -2,25", -2.25}, {"1,5,0", 0},
            {"1e3", 1000}, {"+-1", 0}, {"inf", 0}, {"nan", 0}, {"0x1p3", 0}, {"1e999", 0}, {"", 0}};
        for (const auto &c : floats)
            QVERIFY2(VarToFloatDef0(c.text) == c.value, c.text);
        QCOMPARE(FloatToStr(1.5), QString("1.5"));

        std::setlocale(LC_ALL, oldC.c_str());
        QLocale::setDefault(oldLocale);
        if (!haveGerman)
            qInfo("de_DE.UTF-8 is not installed; only Qt's default locale was German");
    }

    // --- message helpers and hooks ---

    void wideFmt_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QVariantList>("args");
        QTest::addColumn<QString>("expected");
        QTest::newRow("string") << "Double-click to open \"%s\" project" << QVariantList{"/p/ä.slp"} << "Double-click to open \"/p/ä.slp\" project";
        QTest::newRow("non-ASCII pattern") << "Größe: %d KB – %s" << QVariantList{12, "fertig"} << "Größe: 12 KB – fertig";
        QTest::newRow("percent") << "100%% of %d" << QVariantList{3} << "100% of 3";
        QTest::newRow("width and zero") << "[%5d][%-4s][%03d][%+d]" << QVariantList{42, "ab", -7, 5} << "[   42][ab  ][-07][+5]";
        QTest::newRow("hex and float") << "%x %X %.2f %f" << QVariantList{255, 255, 1.005, -0.5} << "ff FF 1.00 -0.500000";
        QTest::newRow("string precision") << "%.3s|%ls" << QVariantList{"abcdef", "w"} << "abc|w";
        QTest::newRow("missing args") << "%s and %d" << QVariantList{} << " and 0";
        QTest::newRow("unknown directive kept") << "%q %s %" << QVariantList{"x"} << "%q x %";
        QTest::newRow("number given as text") << "%d files" << QVariantList{"17"} << "17 files";
    }
    void wideFmt()
    {
        QFETCH(QString, pattern);
        QFETCH(QVariantList, args);
        QFETCH(QString, expected);
        QCOMPARE(WideFmt(pattern, args), expected);
    }

    void filters_data()
    {
        QTest::addColumn<QString>("pairs");
        QTest::addColumn<QString>("expected");
        QTest::newRow("project") << "Skyloom Project (*.slp)|*.slp|Skyloom Template (*.slt)|*.slt"
                                 << "Skyloom Project (*.slp);;Skyloom Template (*.slt)";
        QTest::newRow("images") << "Images|*.jpg;*.tif;*.PNG|All files|*.*"
                                << "Images (*.jpg *.JPG *.tif *.TIF *.PNG);;All files (*)";
        QTest::newRow("prefix patterns") << "Faces|pano11.jpg;*_0.tiff"
                                         << "Faces (pano11.jpg pano11.JPG *_0.tiff *_0.TIFF)";
        QTest::newRow("odd count ignored") << "Movie|*.mov|dangling" << "Movie (*.mov)";
        QTest::newRow("empty patterns") << "All|" << "All (*)";
    }
    void filters()
    {
        QFETCH(QString, pairs);
        QFETCH(QString, expected);
        QCOMPARE(qtFilter(pairs), expected);
    }

    void childControlsEnabled()
    {
        QGroupBox box;
        auto *layout = new QVBoxLayout(&box);
        auto *edit = new QLineEdit;
        auto *inner = new QGroupBox;
        auto *check = new QCheckBox(inner);
        layout->addWidget(edit);
        layout->addWidget(inner);
        SetChildControlsEnabled(&box, false);
        QVERIFY(!box.testAttribute(Qt::WA_ForceDisabled));
        for (QWidget *w : {static_cast<QWidget *>(edit), static_cast<QWidget *>(inner), static_cast<QWidget *>(check)})
            QVERIFY(w->testAttribute(Qt::WA_ForceDisabled));
        box.setEnabled(false);
        SetChildControlsEnabled(&box, true);
        QVERIFY(box.testAttribute(Qt::WA_ForceDisabled));
        QVERIFY(!check->testAttribute(Qt::WA_ForceDisabled));
        SetChildControlsEnabled(nullptr, true);
    }

    void messageBoxDefaults()
    {
        hooks::restoreDefaults();
        // The real box: Return takes Yes (the default button), Escape Cancel or No.
        const auto answerWith = [](int key) {
            QTimer::singleShot(0, [key] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                QVERIFY(box);
                QTest::keyClick(box, Qt::Key(key));
            });
        };
        answerWith(Qt::Key_Return);
        QCOMPARE(MsgBox("Save changes?", "Save changes", MB_YESNOCANCEL | MB_ICONQUESTION), int(IDYES));
        answerWith(Qt::Key_Escape);
        QCOMPARE(MsgBox("Save changes?", "Save changes", MB_YESNOCANCEL | MB_ICONQUESTION), int(IDCANCEL));
        answerWith(Qt::Key_Escape);
        QCOMPARE(MsgBox("Clear?", "Clear recent files", MB_YESNO), int(IDNO));
        answerWith(Qt::Key_Return);
        QCOMPARE(ShowMsg("Done"), int(IDOK));

        // A test's hook answers instead; ShowMsg goes through it with the application title.
        QStringList asked;
        hooks::msgBox = [&](const QString &text, const QString &caption, unsigned flags) {
            asked << caption + ':' + text + ':' + QString::number(flags);
            return int(IDNO);
        };
        QCOMPARE(MsgBox("Q", "C", MB_YESNO), int(IDNO));
        QCOMPARE(ShowMsg("Hello"), int(IDNO));
        QCOMPARE(asked, QStringList({"C:Q:4", "Skyloom - GUI:Hello:0"}));
        hooks::restoreDefaults();
    }
};

QTEST_MAIN(TestProjectDoc)
#include "tst_projectdoc.moc"

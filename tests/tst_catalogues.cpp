// The catalogues in resources/locale: the fourteen languages shipped, each complete, keeping format
// directives, blanks, file patterns and file texts.
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include "testsupport.h"

namespace {

const QStringList kLanguages = {"ca", "de", "es", "fr", "hu", "it", "nl", "nn", "pl", "pt_BR", "ro", "ru", "sv", "zh"};

QString localeSources() { return testsupport::sourceDir() + QStringLiteral("/resources/locale"); }

QStringList catalogueCodes()
{
    QStringList codes = QDir(localeSources()).entryList({QStringLiteral("*.po")}, QDir::Files, QDir::Name);
    for (QString &c : codes)
        c.chop(3);
    return codes;
}

// Runs a gettext tool in the C locale: its standard output, or with `errors` its standard error.
QString runTool(const QString &program, const QStringList &arguments, bool errors = false)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    env.remove(QStringLiteral("LANGUAGE"));
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    if (!p.waitForFinished(60000))
        return QStringLiteral("%1 did not run").arg(program);
    return errors ? QString::fromLocal8Bit(p.readAllStandardError()) : QString::fromUtf8(p.readAllStandardOutput());
}

QString unquoted(const QString &line)
{
    const QString quoted = line.mid(line.indexOf(QLatin1Char('"')) + 1).chopped(1);
    QString text;
    for (qsizetype i = 0; i < quoted.size(); ++i) {
        QChar c = quoted.at(i);
        if (c == QLatin1Char('\\') && i + 1 < quoted.size()) {
            c = quoted.at(++i);
            c = c == QLatin1Char('n') ? QLatin1Char('\n') : c == QLatin1Char('t') ? QLatin1Char('\t') : c;
        }
        text += c;
    }
    return text;
}

// The translated, not fuzzy messages of a catalogue: (English text, translation).
QList<std::pair<QString, QString>> translations(const QString &po)
{
    const QString text = runTool(QStringLiteral("msgattrib"),
                                 {QStringLiteral("--translated"), QStringLiteral("--no-fuzzy"), QStringLiteral("--no-obsolete"),
                                  QStringLiteral("--no-wrap"), QStringLiteral("--no-location"), po});
    QList<std::pair<QString, QString>> messages;
    QString *current = nullptr;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("msgid "))) {
            messages.append({unquoted(line), QString()});
            current = &messages.last().first;
        } else if (line.startsWith(QLatin1String("msgstr ")) && !messages.isEmpty()) {
            messages.last().second = unquoted(line);
            current = &messages.last().second;
        } else if (line.startsWith(QLatin1Char('"')) && current) {
            *current += unquoted(line);
        } else {
            current = nullptr;
        }
    }
    messages.removeIf([](const auto &m) { return m.first.isEmpty(); }); // the header
    return messages;
}

// Translations that break what the program does with the text, one line each.
QStringList conventionFaults(const QString &po)
{
    QStringList faults;
    const auto sameEdge = [](const QString &a, const QString &b) {
        return a.startsWith(QLatin1Char(' ')) == b.startsWith(QLatin1Char(' '))
            && a.endsWith(QLatin1Char(' ')) == b.endsWith(QLatin1Char(' '));
    };
    for (const auto &[id, text] : translations(po)) {
        QString fault;
        if (!sameEdge(id, text))
            fault = QStringLiteral("leading or trailing blank");
        else if (id.contains(QLatin1Char('|')) && id.mid(id.indexOf(QLatin1Char('|'))) != text.mid(text.indexOf(QLatin1Char('|'))))
            fault = QStringLiteral("file patterns after \"|\" changed");
        else if (id.startsWith(QLatin1String("# ")) && (!text.startsWith(QLatin1Char('#')) || text.contains(QLatin1Char('\n'))))
            fault = QStringLiteral("no longer a one-line \"#\" comment");
        else if (id == QLatin1String("NewProject.slp")
                 && (!text.endsWith(QLatin1String(".slp")) || text.contains(QRegularExpression(QStringLiteral("[/\\\\:]")))))
            fault = QStringLiteral("not a plain .slp file name");
        if (!fault.isEmpty())
            faults << QStringLiteral("\"%1\": %2").arg(id, fault);
    }
    return faults;
}

int number(const QString &text, const char *pattern)
{
    const QRegularExpressionMatch m = QRegularExpression(QString::fromLatin1(pattern)).match(text);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

struct Counts
{
    int translated = 0, fuzzy = 0, untranslated = 0;
    int missing = 0; // message ids of the template that the catalogue lacks
    int errors = 0;  // msgfmt's complaints, format directives among them
    QStringList faults; // conventionFaults
    bool complete() const { return translated > 0 && fuzzy + untranslated + missing + errors + faults.size() == 0; }
    QString text() const
    {
        return QStringLiteral("%1 translated, %2 fuzzy, %3 untranslated, %4 missing, %5 msgfmt errors, %6 other faults")
            .arg(translated).arg(fuzzy).arg(untranslated).arg(missing).arg(errors).arg(faults.size());
    }
};

Counts check(const QString &po, const QString &pot)
{
    Counts c;
    const QString stats = runTool(QStringLiteral("msgfmt"),
                                  {QStringLiteral("--check-format"), QStringLiteral("--statistics"),
                                   QStringLiteral("-o"), QStringLiteral("/dev/null"), po}, true);
    c.translated = number(stats, "(\\d+) translated message");
    c.fuzzy = number(stats, "(\\d+) fuzzy translation");
    c.untranslated = number(stats, "(\\d+) untranslated message");
    c.errors = number(stats, "found (\\d+) fatal error");
    if (!stats.contains(QLatin1String("translated message")))
        c.errors = qMax(c.errors, 1); // msgfmt could not read it
    const QString compared = runTool(QStringLiteral("msgcmp"),
                                     {QStringLiteral("--use-fuzzy"), QStringLiteral("--use-untranslated"), po, pot}, true);
    c.missing = int(compared.count(QLatin1String("this message is used but not defined")));
    c.faults = conventionFaults(po);
    return c;
}

} // namespace

class TestCatalogues : public testsupport::Fixture
{
    Q_OBJECT

private slots:
    // Every language the program ships has its catalogue, complete; no other catalogue ships.
    void complete_data()
    {
        QTest::addColumn<QString>("code");
        QStringList codes = kLanguages + catalogueCodes();
        codes.removeDuplicates();
        for (const QString &code : codes)
            QTest::newRow(qPrintable(code)) << code;
    }
    void complete()
    {
        QFETCH(QString, code);
        const QString po = localeSources() + QLatin1Char('/') + code + QStringLiteral(".po");
        QVERIFY2(kLanguages.contains(code), qPrintable(code + QStringLiteral(": not a language the program ships")));
        QVERIFY2(QFile::exists(po), qPrintable(po + QStringLiteral(" is missing")));
        const Counts c = check(po, localeSources() + QStringLiteral("/default.pot"));
        qInfo("%s: %s", qPrintable(code), qPrintable(c.text()));
        QVERIFY2(c.complete(), qPrintable(code + QStringLiteral(": ") + c.text() + QLatin1Char('\n')
                                          + c.faults.join(QLatin1Char('\n'))));
    }

    // The check above finds each kind of fault in a catalogue made faulty on purpose.
    void checkFindsFaults()
    {
        const QString pot = env->path() + QStringLiteral("/t.pot");
        const QString po = env->path() + QStringLiteral("/t.po");
        const QByteArray header = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n";
        const QByteArray folder = "#, qt-format\nmsgid \"The folder \\\"%1\\\" cannot be entered.\"\nmsgstr ";
        const QByteArray tileSize = "#, c-format\nmsgid \"Should I correct the tile size to %d?\"\nmsgstr ";
        QVERIFY(testsupport::writeFile(pot, header + "\nmsgid \"front\"\nmsgstr \"\"\n\n" + folder + "\"\"\n\n" + tileSize
                                                + "\"\"\n\nmsgid \"right\"\nmsgstr \"\"\n\nmsgid \"back\"\nmsgstr \"\"\n"
                                                  "\nmsgid \"top\"\nmsgstr \"\"\n"));
        QVERIFY(testsupport::writeFile(po, header + "\nmsgid \"front\"\nmsgstr \"vorne\"\n\n"   // translated
                                               + folder + "\"Der Ordner kann nicht geöffnet werden.\"\n\n" // %1 lost
                                               + tileSize + "\"Die Kachelgröße auf %s korrigieren?\"\n\n" // %d became %s
                                               + "#, fuzzy\nmsgid \"right\"\nmsgstr \"rechts\"\n\n"      // fuzzy
                                                 "msgid \"top\"\nmsgstr \"\"\n"));                          // "back" missing
        const Counts c = check(po, pot);
        QCOMPARE(c.text(), QStringLiteral("3 translated, 1 fuzzy, 1 untranslated, 1 missing, 2 msgfmt errors, 0 other faults"));
        QVERIFY(!c.complete());

        QVERIFY(testsupport::writeFile(pot, header + "\nmsgid \"front\"\nmsgstr \"\"\n"));
        QVERIFY(testsupport::writeFile(po, header + "\nmsgid \"front\"\nmsgstr \"vorne\"\n"));
        QVERIFY(check(po, pot).complete());
        QVERIFY(testsupport::writeFile(po, header + "\nmsgid \"front\"\nmsgstr vorne\n"));
        QVERIFY(!check(po, pot).complete()); // not a catalogue msgfmt can read

        // Translations msgfmt accepts but the program cannot use as they stand.
        const struct { const char *id, *text; bool fine; } rows[] = {
            {" kb", " KB", true},
            {" kb", "KB", false},
            {"Tile Settings ", "Kacheln", false},
            {"Strip file (*.jpg;*.tif)|*.jpg;*.tif", "Streifendatei (*.jpg;*.tif)|*.jpg;*.tif", true},
            {"Strip file (*.jpg;*.tif)|*.jpg;*.tif", "Streifendatei (*.jpg)|*.jpg", false},
            {"HTML files (*.htm;*.html)|*.htm;*.html|", "HTML-Dateien|*.htm;*.html", false},
            {"# Parameters", "# Parameter", true},
            {"# Parameters", "Parameter", false},
            {"# Parameters", "# Para\\nmeter", false},
            {"NewProject.slp", "NeuesProjekt.slp", true},
            {"NewProject.slp", "Neues Projekt", false},
            {"NewProject.slp", "Projekte/Neu.slp", false},
        };
        for (const auto &r : rows) {
            const QByteArray id = QByteArray("\nmsgid \"") + r.id + "\"\nmsgstr ";
            QVERIFY(testsupport::writeFile(pot, header + id + "\"\"\n"));
            QVERIFY(testsupport::writeFile(po, header + id + "\"" + r.text + "\"\n"));
            const Counts c = check(po, pot);
            QVERIFY2(c.complete() == r.fine, r.text);
            QCOMPARE(c.faults.size(), r.fine ? 0 : 1);
        }
    }
};

QTEST_MAIN(TestCatalogues)
#include "tst_catalogues.moc"

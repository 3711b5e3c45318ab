// The gettext translator: catalogues found next to the program, language switches at run time.
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QtTest>

#include "platform/i18n/GettextTranslator.h"
#include "testsupport.h"

class TestTranslator : public QObject
{
    Q_OBJECT

private slots:
    void switchesLanguages()
    {
        testsupport::IsolatedEnvironment env;
        const QString folder = env.path() + QStringLiteral("/locale/de/LC_MESSAGES");
        QVERIFY(QDir().mkpath(folder));
        const QString po = env.path() + QStringLiteral("/de.po");
        QFile f(po);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
                "msgid \"Start\"\nmsgstr \"Anfang \xC3\xBC\"\n");
        f.close();
        QCOMPARE(QProcess::execute(QStringLiteral("msgfmt"), {QStringLiteral("-o"), folder + "/default.mo", po}), 0);

        sl::GettextTranslator translator(env.path() + QStringLiteral("/locale"));
        QCoreApplication::installTranslator(&translator);
        sl::GettextTranslator::switchLanguage(QStringLiteral("de"));
        QCOMPARE(QCoreApplication::translate("TfrmMainForm", "Start"), QString::fromUtf8("Anfang ü"));
        QCOMPARE(QCoreApplication::translate("TfrmMainForm", "Not in the catalogue"),
                 QStringLiteral("Not in the catalogue"));
        QCOMPARE(sl::GettextTranslator::currentLanguage(), QStringLiteral("de"));
        sl::GettextTranslator::switchLanguage(QStringLiteral("en"));
        QCOMPARE(QCoreApplication::translate("TfrmMainForm", "Start"), QStringLiteral("Start"));
        QCoreApplication::removeTranslator(&translator);
    }
};

QTEST_MAIN(TestTranslator)
#include "tst_translator.moc"

// The console's lines (ConsoleText) and view (ConsoleView): kept, dropped, painted, selected and copied.
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QScrollBar>
#include <QtTest>

#include "engine/ConsoleText.h"
#include "engine/gui/ConsoleView.h"

using namespace sl;

class TestConsole : public QObject
{
    Q_OBJECT

private slots:
    // Lines come back exactly, in Latin-1 or not, whole or in slices, across many blocks.
    void linesComeBackExactly()
    {
        const QString wide = QString::fromUtf8("Größe € 日本 ") + QString(70000, QChar(0x263A));
        const QStringList lines{QString(), QStringLiteral("plain"), QString::fromUtf8("Größe"), wide,
                                QString(300000, QLatin1Char('x')), QStringLiteral("last")};
        ConsoleText text;
        for (int round = 0; round < 3; ++round)
            for (const QString &l : lines)
                text.append(l);
        QCOMPARE(text.lineCount(), 3 * lines.size());
        for (qsizetype i = 0; i < text.lineCount(); ++i) {
            const QString &l = lines.at(i % lines.size());
            QCOMPARE(text.line(i), l);
            QCOMPARE(text.lineLength(i), l.size());
            QCOMPARE(text.lineSlice(i, 3, 5), l.mid(3, 5));
        }
        QCOMPARE(text.longestLine(), 300000);
        QCOMPARE(text.text(1, 2), QString::fromUtf8("plain\nGröße"));
        text.clear();
        QVERIFY(text.lineCount() == 0 && text.text().isEmpty());
    }

    // Past the size to keep, the oldest lines go while the newer still reach it (a non-Latin-1 character
    // counting two bytes, a line break one); the first line says how many went; the rest stays exact.
    void oldestLinesAreDropped()
    {
        const auto lineNumber = [](int i) { // 10 characters: 11 bytes, or 21 with a wide one
            return QStringLiteral("%1%2").arg(i, 9, 10, QLatin1Char('0')).arg(QChar(i % 2 ? u'日' : u'é'));
        };
        ConsoleText text(1000);
        for (int i = 0; i < 25000; ++i)
            text.append(lineNumber(i));
        // From the newest back: 31 pairs of 32 bytes come to 992, one more wide line to 1013.
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(text.keptBytes()).arg(text.dropped()).arg(text.lineCount()),
                 QStringLiteral("1013 %1 64").arg(25000 - 63));
        QVERIFY2(text.line(0).contains(QStringLiteral("24937")), qPrintable(text.line(0)));
        for (int k = 0; k < 63; ++k)
            QCOMPARE(text.line(k + 1), lineNumber(25000 - 63 + k));
        // Short lines: at most a quarter as many lines as bytes.
        text.clear();
        for (int i = 0; i < 25000; ++i)
            text.append(QString());
        QVERIFY(text.lineCount() == 251 && text.dropped() == 25000 - 250 && text.line(1).isEmpty());
    }

    // The view splits at line breaks, follows the end only while it shows it, and stays when old lines go.
    void viewFollowsTheEndOrStays()
    {
        ConsoleView view;
        view.resize(400, 200);
        view.show();
        view.appendPlainText(QStringLiteral("External Call: x\n"));
        view.appendLines({QStringLiteral("a"), QStringLiteral("b")});
        QCOMPARE(view.toPlainText(), QStringLiteral("External Call: x\n\na\nb"));
        QStringList many;
        for (int i = 0; i < 500; ++i)
            many << QStringLiteral("line %1").arg(i);
        view.appendLines(many);
        QScrollBar *bar = view.verticalScrollBar();
        QCOMPARE(bar->value(), bar->maximum());
        bar->setValue(100);
        const QString shown = view.lines().line(bar->value());
        view.appendLines(many);
        QCOMPARE(view.lines().line(bar->value()), shown);
        view.clear();
        QVERIFY(view.toPlainText().isEmpty() && bar->maximum() == 0);
    }

    // Selecting and copying, also of a line of a megabyte, and painting it stays cheap.
    void selectAndCopy()
    {
        ConsoleView view;
        view.resize(400, 200);
        view.show();
        const QString huge = QStringLiteral("start ") + QString(1024 * 1024, QLatin1Char('x')) + QStringLiteral(" end");
        view.appendLines({QStringLiteral("first"), huge, QStringLiteral("Größe")});
        view.selectAll();
        QCOMPARE(view.selectedText(), view.toPlainText());
        view.copy();
        QCOMPARE(QApplication::clipboard()->text(), view.toPlainText());
        // A drag from the second column of the first line to the third of the last.
        const QFontMetrics fm(view.font());
        const int w = fm.horizontalAdvance(QLatin1Char('M')), h = fm.lineSpacing();
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, QPoint(w + 1, h / 2));
        QMouseEvent move(QEvent::MouseMove, QPointF(3 * w + 1, 2 * h + h / 2), view.viewport()->mapToGlobal(QPointF(3 * w + 1, 2 * h + h / 2)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.viewport(), &move);
        QCOMPARE(view.selectedText(), QStringLiteral("irst\n") + huge + QStringLiteral("\nGrö"));
        view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
        QImage shot(view.viewport()->size(), QImage::Format_RGB32);
        view.viewport()->render(&shot);
    }
};

QTEST_MAIN(TestConsole)
#include "tst_console.moc"

#include "Console.h"

#include <cstdio>

namespace skyloom {

namespace {
int g_lastPercent = -1;
}

void printRaw(const QByteArray &bytes)
{
    if (!bytes.isEmpty())
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void printLine(const QString &text)
{
    QString line = text;
    line.replace('\r', ' ').replace('\n', ' ');
    printRaw(line.toUtf8() + '\n');
    g_lastPercent = -1;
}

void printError(const QString &text)
{
    printLine(QStringLiteral("\aError: ") + text);
}

void printPercent(int done, int total)
{
    if (total <= 0)
        return;
    const int percent = int(qint64(done) * 100 / total);
    if (percent == g_lastPercent)
        return;
    printLine(QStringLiteral("%1%").arg(percent));
    g_lastPercent = percent;
}

} // namespace skyloom

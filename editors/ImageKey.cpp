#include "editors/ImageKey.h"

#include <climits>

namespace sl {

namespace {
const QString kPrefix = QStringLiteral("object.image.");
}

QString MakeImageKey(int frame, int column, int row, int viewstate)
{
    return kPrefix + QString::number(viewstate) + QLatin1Char('.') + QString::number(row) + QLatin1Char('.')
        + QString::number(column) + QLatin1Char('.') + QString::number(frame);
}

bool ParseImageKey(const QString &name, int &frame, int &column, int &row, int &viewstate)
{
    frame = column = row = viewstate = -1;
    if (!name.startsWith(kPrefix, Qt::CaseSensitive))
        return false;
    int values[4] = {0, 0, 0, 0};
    int taken = 0;
    int current = 0;
    for (qsizetype i = kPrefix.size(); i < name.size() && taken < 4; ++i) {
        const char16_t c = name.at(i).unicode();
        if (c >= u'0' && c <= u'9') {
            const int digit = c - u'0';
            current = current > (INT_MAX - digit) / 10 ? INT_MAX : current * 10 + digit;
        } else if (c == u'.') {
            values[taken++] = current;
            current = 0;
        }
    }
    if (taken < 4)
        values[taken] = current;
    viewstate = values[0];
    row = values[1];
    column = values[2];
    frame = values[3];
    return true;
}

bool isImageKey(const QString &name)
{
    return name.startsWith(kPrefix, Qt::CaseSensitive);
}

} // namespace sl

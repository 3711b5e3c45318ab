#include "project/Values.h"

#include <charconv>
#include <cmath>
#include <string>

namespace sl {

int32_t VarToIntDef0(const QString &text)
{
    if (text.isEmpty())
        return 0;
    const std::string s = text.toStdString();
    const char *b = s.data();
    const char *e = b + s.size();
    int base = 10;
    if (s.size() > 2 && b[0] == '0' && (b[1] == 'x' || b[1] == 'X')) {
        b += 2;
        base = 16;
    } else if (s.size() > 1 && (b[0] == 'x' || b[0] == 'X')) {
        b += 1;
        base = 16;
    }
    if (base == 16) {
        if (b == e || *b == '-' || *b == '+')
            return 0;
        uint32_t u = 0;
        auto r = std::from_chars(b, e, u, 16);
        if (r.ec != std::errc() || r.ptr != e)
            return 0;
        return static_cast<int32_t>(u);
    }
    if (*b == '+')
        ++b;
    if (b == e || *b == '+' || (*b == '-' && b != s.data()))
        return 0; // "++5", "+-5"
    int32_t v = 0;
    auto r = std::from_chars(b, e, v, 10);
    if (r.ec != std::errc() || r.ptr != e)
        return 0;
    return v;
}

bool TryVarToFloat(const QString &text, double &value)
{
    if (text.isEmpty())
        return false;
    QString t = text;
    const qsizetype comma = t.indexOf(QLatin1Char(','));
    if (comma >= 0)
        t[comma] = QLatin1Char('.');
    std::string s = t.toStdString();
    const char *b = s.data();
    const char *e = b + s.size();
    while (b < e && (*b == ' ' || *b == '\t'))
        ++b;
    if (b < e && *b == '+') {
        ++b;
        if (b < e && *b == '-')
            return false; // "+-5"
    }
    // Only plain decimal forms: digits, an optional fraction and exponent.
    for (const char *p = b; p < e; ++p) {
        const char c = *p;
        if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '-' || c == '+'))
            return false;
    }
    double v = 0;
    auto r = std::from_chars(b, e, v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != e || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

double VarToFloatDef0(const QString &text)
{
    double v = 0;
    return TryVarToFloat(text, v) ? v : 0;
}

uint32_t SwapRB(uint32_t c)
{
    return ((c & 0xFFu) << 16) + (c & 0xFF00u) + ((c >> 16) & 0xFFu);
}

QString FloatToStr(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return QString::fromLatin1(buf, int(r.ptr - buf));
}

} // namespace sl

#include "editors/HotspotLink.h"

namespace sl {

namespace {

constexpr int kRestLength = 1000;  // characters examined after a group's ">"
constexpr int kParamLength = 100;  // characters examined after a parameter's "="

// The decimal number at the start of `run` (made of "-", "." and digits), read as far as it is
// well formed: "1.2.3" gives 1.2, "--5" gives 0.
double leadingDecimal(const QString &run)
{
    int i = 0;
    if (i < run.size() && run[i] == u'-')
        ++i;
    const int digitsFrom = i;
    while (i < run.size() && run[i].isDigit())
        ++i;
    if (i < run.size() && run[i] == u'.') {
        ++i;
        while (i < run.size() && run[i].isDigit())
            ++i;
    }
    const QString number = run.left(i);
    if (i == digitsFrom || number == QLatin1String("-.") || number == QLatin1String("."))
        return 0;
    bool ok = false;
    const double v = number.toDouble(&ok); // QString::toDouble is locale-independent
    return ok ? v : 0;
}

QString afterEquals(const QString &text, const QString &name, bool *found)
{
    const int at = text.indexOf(name);
    *found = at >= 0;
    return *found ? text.mid(at + name.size(), kParamLength) : QString();
}

} // namespace

QString HotspotLink::toValue() const
{
    QString link = u'<' + address + u'>';
    if (!target.isEmpty())
        link += QLatin1String(" T<") + target + u'>';
    if (!params.isEmpty())
        link += QLatin1String(" E<") + params + u'>';
    return link;
}

HotspotLink HotspotLink::fromValue(const QString &value)
{
    HotspotLink link;
    const QString v = value.trimmed();
    const int open = v.indexOf(u'<');
    if (open < 0) {
        link.address = v;
        return link;
    }
    const int close = v.indexOf(u'>');
    if (close > open)
        link.address = v.mid(open + 1, close - open - 1);
    if (close < 0)
        return link;
    QString rest = v.mid(close + 1, kRestLength);
    while (!rest.isEmpty()) {
        const int a = rest.indexOf(u'<');
        const int b = rest.indexOf(u'>');
        const QString tag = a < 0 ? QString() : rest.left(a).trimmed().toLower();
        const QString content = (a >= 0 && b > a) ? rest.mid(a + 1, b - a - 1) : QString();
        if (tag == QLatin1String("t"))
            link.target = content;
        else if (tag == QLatin1String("e"))
            link.params = content.toLower();
        if (b < 0)
            break; // a group without ">" is empty and ends the reading
        rest = rest.mid(b + 1, kRestLength);
    }
    return link;
}

int readLinkViewParams(const QString &params, LinkViewParams &view)
{
    const QString text = params.toLower();
    int found = 0;
    bool present = false;
    const auto number = [&](const char *name, double &field, int bit) {
        const QString tail = afterEquals(text, QLatin1String(name), &present);
        if (!present)
            return;
        int n = 0;
        while (n < tail.size() && (tail[n].isDigit() || tail[n] == u'-' || tail[n] == u'.'))
            ++n;
        field = leadingDecimal(tail.left(n));
        found |= bit;
    };
    number("pan=", view.pan, 1);
    number("tilt=", view.tilt, 2);
    number("fov=", view.fov, 4);
    QString tail = afterEquals(text, QStringLiteral("scale="), &present);
    if (present) {
        const int blank = tail.indexOf(u' ');
        view.scale = blank < 0 ? tail : tail.left(blank);
        found |= 8;
    }
    tail = afterEquals(text, QStringLiteral("controller="), &present);
    if (present) {
        view.controller = tail.left(4) == QLatin1String("true");
        found |= 16;
    }
    return found;
}

QString writeLinkViewParams(const QString &pan, const QString &tilt, const QString &fov,
                            const QString &scale, bool controller)
{
    QString text;
    const auto add = [&](const char *name, const QString &value) {
        if (!value.isEmpty())
            text += QLatin1String(name) + value + u' ';
    };
    add("pan=", pan);
    add("tilt=", tilt);
    add("fov=", fov);
    add("scale=", scale);
    if (controller)
        text += QLatin1String("controller=true ");
    return text;
}

} // namespace sl

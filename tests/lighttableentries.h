#pragma once
// A light table's entries written as one line for the light-table tests: "v.r.c.f=value|..."
// (each key without "object.image."), in key order.
#include <QString>
#include <QStringList>

#include "editors/LightTable.h"

inline void putEntries(sl::LightTable &t, const QString &entries)
{
    for (const QString &e : entries.split(u'|', Qt::SkipEmptyParts)) {
        const QStringList kv = e.split(u'=');
        const QStringList n = kv.at(0).split(u'.');
        t.setEntry({n.at(0).toInt(), n.at(1).toInt(), n.at(2).toInt(), n.at(3).toInt()}, kv.at(1));
    }
}

inline QString entriesText(const sl::LightTable &t)
{
    QStringList out;
    for (const auto &[p, v] : t.entries())
        out << QStringLiteral("%1.%2.%3.%4=%5").arg(p.viewstate).arg(p.row).arg(p.column).arg(p.frame).arg(v);
    return out.join(u'|');
}

#pragma once
// The value of a hotspot's link key ("hotspot.<N>.url"): the address in angle brackets,
// optionally followed by " T<" target ">" and " E<" view parameters ">". Every writer and
// reader of a link in the program goes through these functions.
#include <QString>

namespace sl {

// The project keys of hotspot N's link, title and the local copy of a tour link's movie.
inline QString hotspotUrlKey(int n) { return QStringLiteral("hotspot.%1.url").arg(n); }
inline QString hotspotTitleKey(int n) { return QStringLiteral("hotspot.%1.title").arg(n); }
inline QString hotspotLocalFileKey(int n) { return QStringLiteral("hotspot.%1.localfile").arg(n); }

struct HotspotLink
{
    QString address;
    QString target; // empty: no target part
    QString params; // the view-parameter text; read lower-cased; empty: no view-parameter part

    // "<address>" then " T<target>" and " E<params>", each only when not empty.
    QString toValue() const;
    // Reads a stored value; never fails. A value without "<" is a bare address; text before the
    // first "<" is ignored; a missing ">" gives an empty address; tags "t" and "e" (blanks and
    // case ignored) fill the target and the parameters, a later group replacing an earlier one;
    // other tags are skipped; a group with "<" but no ">" is empty and ends the reading.
    static HotspotLink fromValue(const QString &value);
};

// The view parameters of a tour link. A field that is absent from the text keeps what the
// caller put there.
struct LinkViewParams
{
    double pan = 0;
    double tilt = 0;
    double fov = 0;
    QString scale;
    bool controller = false;
};

// Reads "pan=", "tilt=", "fov=" (the longest run of "-", "." and digits, read as a decimal
// number that stops at the first character it cannot use; an empty run gives 0), "scale="
// (up to the first blank) and "controller=" ("true" shows it), each at its first occurrence in
// the lower-cased text. Returns which fields were found (bits: 1 pan, 2 tilt, 4 fov, 8 scale,
// 16 controller).
int readLinkViewParams(const QString &params, LinkViewParams &view);

// The parameter text the tour-link editors write: each non-empty entry followed by one blank,
// in the order pan, tilt, fov, scale, controller ("controller=true " only when shown).
QString writeLinkViewParams(const QString &pan, const QString &tilt, const QString &fov,
                            const QString &scale, bool controller);

} // namespace sl

#include "preview/model/PreviewAngles.h"

#include <cmath>
#include <numbers>

#include "project/Values.h"

namespace sl::preview {

QString FormatAngle(double degrees)
{
    QString text = QString::number(degrees, 'f', 1); // locale-independent
    if (text == QLatin1String("-0.0"))
        text.remove(0, 1);
    // Five significant digits at most: the decimal goes first, then the point moves into an
    // exponent.
    const auto wholeDigits = [](const QString &t) {
        return t.indexOf(QLatin1Char('.')) - (t.startsWith(QLatin1Char('-')) ? 1 : 0);
    };
    if (wholeDigits(text) == 5)
        text = QString::number(degrees, 'f', 0) + QStringLiteral(".0");
    if (wholeDigits(text) > 5)
        text = QString::number(degrees, 'E', 4);
    return text;
}

std::optional<double> parseTypedAngle(const QString &text)
{
    double value = 0;
    if (!sl::TryVarToFloat(text, value)) // takes the first "," as "."; refuses inf and nan
        return std::nullopt;
    return value;
}

CurrentView currentViewOf(double pan, double tilt, double fov, double movieWidth, double movieHeight)
{
    CurrentView v;
    v.pan = pan;
    v.tilt = tilt;
    v.fov = fov;
    v.halfFov = fov / 2;
    const double aspect = movieWidth > 0 && movieHeight > 0 ? movieWidth / movieHeight : 1.0;
    constexpr double toRadians = std::numbers::pi / 180;
    v.halfHorizontalFov = std::atan(std::tan(v.halfFov * toRadians) * aspect) / toRadians;
    return v;
}

ViewLimits viewLimitsOf(const CurrentView &view)
{
    ViewLimits l;
    l.panMin = view.pan - view.halfHorizontalFov;
    l.panMax = view.pan + view.halfHorizontalFov;
    if (l.panMax > 360)
        l.panMax -= 360;
    l.tiltMin = view.tilt - view.halfFov;
    l.tiltMax = view.tilt + view.halfFov;
    l.fov = view.fov;
    return l;
}

} // namespace sl::preview

#pragma once
// View angles as the preview windows show, read and turn them into view limits.
#include <QString>
#include <array>
#include <optional>

namespace sl::preview {

// An angle as every preview shows it: fixed point with one decimal, "." whatever the locale,
// and never "-0.0" (a value that rounds to zero shows "0.0"); five significant digits at most:
// 12345.67 shows "12346.0", and from 100000 on the exponent form "1.2346E+05".
QString FormatAngle(double degrees);

// An angle typed into a view edit: the first "," counts as "."; the whole text must be a finite
// decimal number (leading blanks allowed). "12a", "inf", "nan" and "" give nothing.
std::optional<double> parseTypedAngle(const QString &text);

// The view last read from the panorama view, with the half fields of view the limits need.
struct CurrentView
{
    double pan = 0;
    double tilt = 0;
    double fov = 0;               // vertical field of view
    double halfFov = 0;           // fov / 2
    double halfHorizontalFov = 0; // half the horizontal field of view at the movie's aspect
};

// The current view of a movie of movieWidth x movieHeight pixels (its own size, which sets the
// aspect of the horizontal field of view). A size that is not positive counts as square.
CurrentView currentViewOf(double pan, double tilt, double fov, double movieWidth, double movieHeight);

// The limits the current view implies: pan from pan - half horizontal fov (not wrapped, may be
// negative) to pan + half horizontal fov (less 360 above 360; 360 itself stays), tilt from
// tilt - half fov to tilt + half fov, and the field of view itself as both fov limits.
struct ViewLimits
{
    double panMin = 0;
    double panMax = 0;
    double tiltMin = 0;
    double tiltMax = 0;
    double fov = 0;
};
ViewLimits viewLimitsOf(const CurrentView &view);

// The nine project keys of the start view and the view limits, each with the grabber edit that
// shows it, in the order they are read and written.
struct ViewLimitKey
{
    const char *key;
    const char *edit;
};
inline constexpr std::array<ViewLimitKey, 9> ViewLimitKeys = {{
    {"fov.min", "edFOVMin"},
    {"fov.max", "edFoVMax"},
    {"pan.min", "edPanMin"},
    {"pan.max", "edPanMax"},
    {"tilt.min", "edTiltMin"},
    {"tilt.max", "edTiltMax"},
    {"fov.default", "edFoVDefault"},
    {"pan.default", "edPanDefault"},
    {"tilt.default", "edTiltDefault"},
}};

} // namespace sl::preview

#pragma once
// The frame every preview window puts around its panorama view: the polling intervals, the
// navigation strip and the window size that fits a movie.
#include <QSize>

namespace sl::preview {

// The preview windows poll their view at this interval, and at the slow one after a failed
// tick of their own.
inline constexpr int kPollInterval = 200;
inline constexpr int kSlowPollInterval = 10000;

// The navigation strip: six icons of 16 pixels, from the left zoom out, zoom in, pan left,
// tilt up, tilt down and pan right.
inline constexpr int kNavIconSize = 16;
inline constexpr int kNavIcons = 6;

// What a tick adds while a strip icon is held: `fov` to the field of view, twice `pan` and
// twice `tilt` to the pan and tilt angles.
struct NavSpeeds
{
    double fov = 0;
    double pan = 0;
    double tilt = 0;
};
// The speeds of a press at x pixels within the strip; all 0 outside the six zones.
NavSpeeds navSpeedsAt(int x);

// The movie area of a preview window: the movie size raised to at least 600 x 400 (and kept
// within 65535 a side), plus the 16 pixels of the controller bar below the movie when the view
// has one.
QSize previewMovieArea(int movieWidth, int movieHeight, bool controllerBar);
// The window's client size around that area: the view panel's border on every side, and the
// control panel below.
QSize previewClientSize(QSize movieArea, int border, int controlPanelHeight);
// A window of `client` size with a frame adding `frame` fitted into `available` (the screen's
// free area), never below `minimum`.
QSize fitClientSize(QSize client, QSize frame, QSize available, QSize minimum);

} // namespace sl::preview

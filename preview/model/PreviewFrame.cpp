#include "preview/model/PreviewFrame.h"

#include <algorithm>

namespace sl::preview {

namespace {
constexpr int kMinMovieWidth = 600;
constexpr int kMinMovieHeight = 400;
constexpr int kControllerBarHeight = 16;
constexpr int kMaxMovieSide = 65535; // no movie is larger; keeps the window arithmetic in range
} // namespace

NavSpeeds navSpeedsAt(int x)
{
    NavSpeeds s;
    if (x < 0)
        return s;
    switch (x / kNavIconSize) {
    case 0: s.fov = 1; break;   // zoom out
    case 1: s.fov = -1; break;  // zoom in
    case 2: s.pan = 1; break;   // left
    case 3: s.tilt = 1; break;  // up
    case 4: s.tilt = -1; break; // down
    case 5: s.pan = -1; break;  // right
    default: break;
    }
    return s;
}

QSize previewMovieArea(int movieWidth, int movieHeight, bool controllerBar)
{
    const int w = std::clamp(movieWidth, kMinMovieWidth, kMaxMovieSide);
    const int h = std::clamp(movieHeight, kMinMovieHeight, kMaxMovieSide);
    return QSize(w, controllerBar ? h + kControllerBarHeight : h);
}

QSize previewClientSize(QSize movieArea, int border, int controlPanelHeight)
{
    return QSize(movieArea.width() + 2 * border, 2 * border + movieArea.height() + controlPanelHeight);
}

QSize fitClientSize(QSize client, QSize frame, QSize available, QSize minimum)
{
    const QSize room = available - frame;
    return QSize(std::max(std::min(client.width(), room.width()), minimum.width()),
                 std::max(std::min(client.height(), room.height()), minimum.height()));
}

} // namespace sl::preview

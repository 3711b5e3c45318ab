#pragma once
// Settings of the application object, made once at start before the main window exists.

namespace sl {

// Names the application "Skyloom - GUI" (the title of notices). No display name is set: the
// window system would append it to every window's caption, which must read exactly as the
// window sets it ("pano.slp * - Skyloom").
void setUpApplication();

} // namespace sl

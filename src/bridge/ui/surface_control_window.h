#pragma once

namespace quorvane {

class MainWindow;
class SurfaceControl;

// Gives the remote surfaces' commands what only the windows answer: an open modal dialog,
// whether the application is active, bringing it to the front, the compact strip's labels.
void BindSurfaceControlWindow(SurfaceControl& control, MainWindow& window);

}  // namespace quorvane

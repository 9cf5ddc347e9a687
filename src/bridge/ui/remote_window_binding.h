#pragma once

namespace quorvane {

class MainWindow;
class RemoteBinding;

// Gives remote control what only the windows answer (an open modal dialog, whether the
// application is active, bringing it to the front, the compact strip's labels) and binds the
// Transport band's buttons to their sends.
void BindRemoteWindow(RemoteBinding& remote, MainWindow& window);

}  // namespace quorvane

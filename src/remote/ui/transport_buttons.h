#pragma once

#include <functional>

#include "remote/transport.h"

namespace quorvane {

class MainWindow;

// Binds the Transport band's four buttons to their sends.
void BindTransportButtons(MainWindow& window, const std::function<void(TransportButton)>& send);

}  // namespace quorvane

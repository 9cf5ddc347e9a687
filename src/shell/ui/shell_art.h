#pragma once

#include <QIcon>
#include <QPixmap>

namespace quorvane {

// The program's icon, in all its sizes.
QIcon ProgramIcon();
// The start-up picture, 320 x 200, drawn rather than stored.
QPixmap SplashPicture(const QString& version);

}  // namespace quorvane

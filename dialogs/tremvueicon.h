#pragma once

#include <QPixmap>

// The window icon, 32 x 32 with alpha.
QPixmap TremvueIcon();

// The program's icon for its windows: the picture of desktop/velmo.svg,
// drawn at the sizes a desktop asks for (no SVG module needed).
#pragma once

#include <QIcon>

QIcon VelmoIcon();

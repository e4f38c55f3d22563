#pragma once

#include <QIcon>

// The program's icon in every size drawn for it (16 to 256 pixels), read from the program's
// resources; Qt scales the nearest size for any other.
QIcon AppIcon();

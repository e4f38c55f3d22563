#pragma once

#include <QImage>

class QWidget;

// The height of the title strip that WindowPicture draws, in device-independent pixels.
constexpr int TitleStripHeight = 30;

// A picture of Window as a desktop shows it: its grab (offscreen windows have no frame) under a
// plain title strip drawn from the window's own icon, at 16 pixels, and its own title.
QImage WindowPicture(QWidget &Window);

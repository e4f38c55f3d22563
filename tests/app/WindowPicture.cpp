#include "WindowPicture.h"

#include <QFontMetrics>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

QImage WindowPicture(QWidget &Window)
{
    const QPixmap grab = Window.grab();
    const qreal ratio = grab.devicePixelRatio();
    const QSize size = grab.deviceIndependentSize().toSize();
    QImage picture(QSize(size.width(), size.height() + TitleStripHeight) * ratio,
                   QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);

    QPainter painter(&picture);
    const QRect strip(0, 0, size.width(), TitleStripHeight);
    painter.fillRect(strip, QColor(0xdc, 0xdc, 0xdc));
    painter.setPen(QColor(0xb0, 0xb0, 0xb0));
    painter.drawLine(strip.bottomLeft(), strip.bottomRight());
    const QRect icon(8, (TitleStripHeight - 16) / 2, 16, 16);
    Window.windowIcon().paint(&painter, icon);
    QFont font = Window.font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0x30, 0x30, 0x30));
    const QRect text(icon.right() + 9, 0, strip.width() - icon.right() - 17, TitleStripHeight);
    painter.drawText(
        text, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(font).elidedText(Window.windowTitle(), Qt::ElideRight, text.width()));
    painter.drawPixmap(QPoint(0, TitleStripHeight), grab);
    return picture;
}

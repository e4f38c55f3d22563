#include "app/gui/LinkLabel.h"

#include <QKeyEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace {

const QString kHref = QStringLiteral("#");

} // namespace

TLinkLabel::TLinkLabel(const QString &Caption, QWidget *parent)
    : QLabel(QStringLiteral("<a href=\"%1\">%2</a>").arg(kHref, Caption.toHtmlEscaped()), parent)
{
    setTextFormat(Qt::RichText);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

void TLinkLabel::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            Q_EMIT linkActivated(kHref);
            return;
        }
        break;
    default:
        break;
    }
    QLabel::keyPressEvent(event);
}

void TLinkLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(backgroundRole());
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

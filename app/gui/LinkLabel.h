#pragma once

#include <QLabel>

// A caption that works as a link: a click, or Enter or Space once Tab has reached it, reports
// linkActivated. It takes its place in the tab order and shows a focus frame while it has the
// focus.
class TLinkLabel : public QLabel
{
public:
    TLinkLabel(const QString &Caption, QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};

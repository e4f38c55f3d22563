#pragma once

#include <QTreeView>

#include <functional>

class TCopyProject;

// The report view of the projects list. A press with any mouse button on a row's check
// indicator reports the row (the view's own selection handling still follows), and so does
// Space on the current row; Enter and Delete are reported for the current row; a row can be
// dragged onto another row to move its project there.
class TProjectsView : public QTreeView
{
public:
    explicit TProjectsView(QWidget *parent = nullptr);

    // The row whose check indicator lies under Pos (viewport coordinates); -1 for none.
    int CheckIndicatorRowAt(const QPoint &Pos) const;
    // The rectangle of a row's check indicator, in viewport coordinates.
    QRect CheckIndicatorRect(int Row) const;

    // A press on a check indicator, or Space on the current row.
    std::function<void(int Row)> OnToggleRow;
    // Enter / Delete on the current row.
    std::function<void()> OnEditKey;
    std::function<void()> OnDeleteKey;
    // The project a drag starting now carries; none keeps the drag from starting.
    std::function<TCopyProject *()> OnStartDrag;
    // A project dropped at Pos (viewport coordinates).
    std::function<void(TCopyProject *Dragged, const QPoint &Pos)> OnDropProject;

    // The format of the drag's data; the data itself only marks the drag as a project drag of
    // this view.
    static QString DragMimeType();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool IsProjectDrag(const QDropEvent *event) const;

    // The project of the drag under way (not owned; the window keeps it alive or clears it).
    TCopyProject *FDragProject = nullptr;
};

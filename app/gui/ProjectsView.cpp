#include "app/gui/ProjectsView.h"

#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionViewItem>

TProjectsView::TProjectsView(QWidget *parent) : QTreeView(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setContextMenuPolicy(Qt::CustomContextMenu);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
}

QString TProjectsView::DragMimeType()
{
    return QStringLiteral("application/x-rovanel-project");
}

QRect TProjectsView::CheckIndicatorRect(int Row) const
{
    if (!model() || Row < 0 || Row >= model()->rowCount())
        return {};
    const QModelIndex index = model()->index(Row, 0);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    option.index = index;
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    option.checkState = index.data(Qt::CheckStateRole).value<Qt::CheckState>();
    option.text = index.data(Qt::DisplayRole).toString();
    option.features |= QStyleOptionViewItem::HasDisplay;
    return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
}

int TProjectsView::CheckIndicatorRowAt(const QPoint &Pos) const
{
    const QModelIndex index = indexAt(Pos);
    if (!index.isValid())
        return -1;
    return CheckIndicatorRect(index.row()).contains(Pos) ? index.row() : -1;
}

void TProjectsView::mousePressEvent(QMouseEvent *event)
{
    const int row = CheckIndicatorRowAt(event->position().toPoint());
    if (row >= 0 && OnToggleRow)
        OnToggleRow(row);
    QTreeView::mousePressEvent(event);
}

void TProjectsView::keyPressEvent(QKeyEvent *event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const int row = currentIndex().isValid() ? currentIndex().row() : -1;
    if (plain && row >= 0) {
        switch (event->key()) {
        case Qt::Key_Space:
            if (OnToggleRow)
                OnToggleRow(row);
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (OnEditKey)
                OnEditKey();
            return;
        case Qt::Key_Delete:
            if (OnDeleteKey)
                OnDeleteKey();
            return;
        default:
            break;
        }
    }
    QTreeView::keyPressEvent(event);
}

void TProjectsView::startDrag(Qt::DropActions supportedActions)
{
    Q_UNUSED(supportedActions);
    TCopyProject *project = OnStartDrag ? OnStartDrag() : nullptr;
    if (!project)
        return;
    FDragProject = project;
    auto *drag = new QDrag(this);
    auto *mime = new QMimeData;
    mime->setData(DragMimeType(), QByteArray());
    drag->setMimeData(mime);
    // The move is done by the drop handler; the view itself removes nothing afterwards.
    drag->exec(Qt::MoveAction);
    FDragProject = nullptr;
}

bool TProjectsView::IsProjectDrag(const QDropEvent *event) const
{
    return FDragProject && event->mimeData() && event->mimeData()->hasFormat(DragMimeType());
}

void TProjectsView::dragEnterEvent(QDragEnterEvent *event)
{
    if (IsProjectDrag(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TProjectsView::dragMoveEvent(QDragMoveEvent *event)
{
    if (IsProjectDrag(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TProjectsView::dropEvent(QDropEvent *event)
{
    if (!IsProjectDrag(event)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    if (OnDropProject)
        OnDropProject(FDragProject, event->position().toPoint());
}

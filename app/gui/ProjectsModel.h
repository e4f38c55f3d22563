#pragma once

#include <QAbstractTableModel>

class TCopyProject;
class TCopyProjectList;

// The rows of the projects list: the visible projects of the list, in display order, read on
// demand. The tick of a row is the check state of its first column; it is changed by the
// window (a press on the indicator), never by the view's own editing.
class TProjectsModel : public QAbstractTableModel
{
public:
    enum TColumn { colName, colGroup, colSource, colOutput, colFTP, colOverwrite, colCount };

    explicit TProjectsModel(TCopyProjectList &Projects, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Brings the row count in line with the visible count (rows added or taken at the end, so
    // the selection stays on its row index) and has every row read again.
    void Refresh();
    // The project of a row; none for an invalid index or a row beyond the list.
    TCopyProject *ProjectAt(int Row) const;

    // The text of the "Overwrite" column.
    static QString OverwriteText(int Overwrite);

private:
    TCopyProjectList &FProjects;
    int FRowCount = 0;
};

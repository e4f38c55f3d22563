#include "UiTestSupport.h"

MessageBoxRecorder::MessageBoxRecorder()
    : FHook([this](const TMessageBoxRequest &request) {
          Asked.push_back(request);
          if (!Answers.empty()) {
              const QMessageBox::StandardButton answer = Answers.front();
              Answers.pop_front();
              return answer;
          }
          return (request.Buttons & QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
      })
{}

TListView *MakeListView(QWidget *parent, int columns, bool checkboxes,
                        const std::vector<QStringList> &rows)
{
    auto *view = new TListView(parent);
    view->setColumnCount(columns);
    view->SetCheckboxes(checkboxes);
    for (const QStringList &row : rows) {
        QTreeWidgetItem *item = view->AddItem(row.value(0));
        for (int j = 1; j < row.size(); ++j)
            TListView::SetSubItem(item, j, row.at(j));
    }
    return view;
}

std::vector<QStringList> Rows(const TListView *view)
{
    std::vector<QStringList> rows;
    for (int i = 0; i < view->ItemCount(); ++i) {
        const QTreeWidgetItem *item = view->Item(i);
        QStringList row(item->text(0));
        for (int j = 1; j <= TListView::SubItemCount(item); ++j)
            row.append(item->text(j));
        rows.push_back(row);
    }
    return rows;
}

#pragma once

#include "ui/MessageBoxes.h"
#include "ui/RVFormUnit.h"

#include <QStringList>

#include <deque>
#include <vector>

// Answers every message box from a queue (Yes when empty for questions, OK otherwise) and keeps
// what was asked.
class MessageBoxRecorder
{
public:
    MessageBoxRecorder();

    std::vector<TMessageBoxRequest> Asked;
    std::deque<QMessageBox::StandardButton> Answers;

private:
    TScopedMessageBoxHook FHook;
};

// A base window with its protected input-file operations opened up for tests.
class TestForm : public TRVForm
{
public:
    using TRVForm::DoAddInputFile;
    using TRVForm::DoInputFileItemAdded;
    using TRVForm::DoSetInputFile;
    using TRVForm::DoSetInputFiles;
    using TRVForm::TRVForm;
};

// A report list view of the given columns, optionally with check boxes, holding rows given as
// caption + sub-items.
TListView *MakeListView(QWidget *parent, int columns, bool checkboxes,
                        const std::vector<QStringList> &rows = {});
// Caption and sub-items of every row.
std::vector<QStringList> Rows(const TListView *view);

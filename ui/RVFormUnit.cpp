#include "ui/RVFormUnit.h"

#include "settings/AsciiText.h"
#include "ui/MessageBoxes.h"

#include <QLineEdit>

TRVForm::TRVForm(QWidget *parent) : QDialog(parent)
{}

TRVForm::~TRVForm()
{
    // The controls are still alive here (children go with the QWidget base): each chain takes
    // its filters off its control.
    fSubClassedCtrls.clear();
    fDropFileCtrls.clear();
    fDropSubClassed.clear();
}

bool TRVForm::Confirm(const QString &AConfirmTitle, const QString &AConfirmQuery)
{
    TMessageBoxRequest request;
    request.Owner = this;
    request.Icon = QMessageBox::Question;
    request.Title = AConfirmTitle;
    request.Text = AConfirmQuery;
    request.Buttons = QMessageBox::Yes | QMessageBox::No;
    return ShowMessageBox(request) == QMessageBox::Yes;
}

void TRVForm::Warning(const QString &AMsg)
{
    TMessageBoxRequest request;
    request.Owner = this;
    request.Icon = QMessageBox::Warning;
    request.Title = windowTitle();
    request.Text = AMsg;
    request.Buttons = QMessageBox::Ok;
    ShowMessageBox(request);
}

bool TRVForm::CheckNotEmpty(const QString &AValue, const QString &AName)
{
    if (!AValue.isEmpty())
        return true;
    Warning(QStringLiteral("Please, enter ") + AName);
    return false;
}

QString TRVForm::StripFilePath(const QString &AFileName, const QString &AStripDir)
{
    if (AStripDir.isEmpty() || !StartsWithTextAscii(AFileName, AStripDir))
        return AFileName;
    return AFileName.mid(AStripDir.size());
}

void TRVForm::SetInputFileStripDir(const QString &Value)
{
    if (!Value.isEmpty() && !Value.endsWith(QLatin1Char('/')))
        fInputFileStripDir = Value + QLatin1Char('/');
    else
        fInputFileStripDir = Value;
}

void TRVForm::DoAddInputFile(TListView *ListView, const QString &AFileName)
{
    bool handled = false;
    if (fOnAddInputFile)
        fOnAddInputFile(ListView, AFileName, handled);
    if (handled || !ListView)
        return;
    QTreeWidgetItem *item = ListView->AddItem(AFileName);
    DoInputFileItemAdded(ListView, AFileName, item);
}

void TRVForm::DoSetInputFile(QLineEdit *Edit, const QString &AFileName, bool ANoStrip)
{
    const QString text = ANoStrip ? AFileName : StripFilePath(AFileName, fInputFileStripDir);
    bool handled = false;
    if (fOnSetInputFile)
        fOnSetInputFile(Edit, text, handled);
    if (!handled && Edit)
        Edit->setText(text);
}

void TRVForm::DoSetInputFiles(QLineEdit *Edit, const QStringList &AFileNames, bool ANoStrip)
{
    QStringList names;
    names.reserve(AFileNames.size());
    for (const QString &name : AFileNames)
        names.append(ANoStrip ? name : StripFilePath(name, fInputFileStripDir));
    DoSetInputFile(Edit, names.join(QLatin1Char(';')), true);
}

void TRVForm::DoInputFileItemAdded(TListView *ListView, const QString &AFileName,
                                   QTreeWidgetItem *ListItem)
{
    if (fOnInputFileItemAdded)
        fOnInputFileItemAdded(ListView, AFileName, ListItem);
}

#include "projects/widgets/SelectFileUnit.h"

#include "ui/LineBreakGuard.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TSelectFileForm::TSelectFileForm(QWidget *parent)
    : TRVForm(parent), OpenFileDialog(&TSelectFileForm::DefaultOpenFileDialog)
{
    setWindowTitle(QStringLiteral("Select File"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    HeaderLabel = new QLabel(QStringLiteral("Please, enter file name pattern."), this);
    FileNameLabel = new QLabel(QStringLiteral("File Name Pattern:"), this);
    FileNameEdit = new QLineEdit(this);
    FileNameEdit->setMinimumWidth(300);
    FileNameLabel->setBuddy(FileNameEdit);
    BrowseButton = new QPushButton(QStringLiteral("..."), this);
    BrowseButton->setAutoDefault(false);
    BrowseButton->setFixedWidth(BrowseButton->sizeHint().height() + 8);
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setDefault(true);
    OKButton->setEnabled(false);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setAutoDefault(false);
    SubFoldersCheckBox = new QCheckBox(QStringLiteral("Include Sub Folders"), this);
    JunkPathCheckBox = new QCheckBox(QStringLiteral("Junk Path"), this);

    auto *wildCards = new QGroupBox(QStringLiteral("Wild cards:"), this);
    auto *wildLayout = new QVBoxLayout(wildCards);
    for (const char *line : {"? - Match any one character", "* - Match 0, 1 or more characters",
                             "** - Recursive directory match"})
        wildLayout->addWidget(new QLabel(QString::fromLatin1(line), wildCards));
    ExampleLabel = new QLabel(QStringLiteral("**/*.css - every .css file, in sub-folders too"),
                              wildCards);
    ExampleLabel->setObjectName(QStringLiteral("ExampleLabel"));
    wildLayout->addSpacing(4);
    wildLayout->addWidget(ExampleLabel);

    auto *editRow = new QHBoxLayout;
    editRow->setSpacing(2);
    editRow->addWidget(FileNameEdit, 1);
    editRow->addWidget(BrowseButton);

    auto *left = new QVBoxLayout;
    left->addWidget(FileNameLabel);
    left->addLayout(editRow);
    left->addWidget(SubFoldersCheckBox);
    left->addWidget(JunkPathCheckBox);
    left->addStretch(1);

    auto *middle = new QHBoxLayout;
    middle->addLayout(left, 1);
    middle->addWidget(wildCards);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(HeaderLabel);
    layout->addLayout(middle);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(FileNameEdit, BrowseButton);
    setTabOrder(BrowseButton, OKButton);
    setTabOrder(OKButton, CancelButton);
    setTabOrder(CancelButton, SubFoldersCheckBox);
    setTabOrder(SubFoldersCheckBox, JunkPathCheckBox);

    GuardLineBreaks(FileNameEdit);
    connect(FileNameEdit, &QLineEdit::textChanged, this, [this] { FileNameEditChange(); });
    connect(BrowseButton, &QPushButton::clicked, this, [this] { BrowseButtonClick(); });
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    EnableDroppingFile(FileNameEdit);
}

bool TSelectFileForm::Execute(QString &FileName, bool &SubFolders, bool &JunkPath,
                              const QString &SourceFolder)
{
    SetInputFileStripDir(SourceFolder);
    FInitialDir = InputFileStripDir();
    FileNameEdit->setText(FileName);
    SubFoldersCheckBox->setChecked(SubFolders);
    JunkPathCheckBox->setChecked(JunkPath);
    FileNameEdit->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    FileName = FileNameEdit->text();
    SubFolders = SubFoldersCheckBox->isChecked();
    JunkPath = JunkPathCheckBox->isChecked();
    return true;
}

void TSelectFileForm::showEvent(QShowEvent *event)
{
    OKButton->setEnabled(!FileNameEdit->text().isEmpty());
    TRVForm::showEvent(event);
}

void TSelectFileForm::FileNameEditChange()
{
    OKButton->setEnabled(!FileNameEdit->text().isEmpty());
}

void TSelectFileForm::BrowseButtonClick()
{
    const QStringList files = OpenFileDialog
                                  ? OpenFileDialog(this, FInitialDir, FileNameEdit->text())
                                  : QStringList();
    if (files.isEmpty())
        return;
    DoSetInputFiles(FileNameEdit, files, false);
}

QStringList TSelectFileForm::DefaultOpenFileDialog(QWidget *Parent, const QString &InitialDir,
                                                   const QString &FileName)
{
    QFileDialog dialog(Parent, QStringLiteral("Open File"), InitialDir,
                       QStringLiteral("All files (*)"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!FileName.isEmpty())
        dialog.selectFile(FileName);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

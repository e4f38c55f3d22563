// The main window's log page: the log, its find bar, and saving it to a file.
#include "app/gui/RVMainUnit.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// Writes Text whole or not at all: the file is replaced only once every byte is on disk.
bool writeWhole(const QString &Path, const QByteArray &Text, QString &Error)
{
    QSaveFile file(Path);
    if (!file.open(QIODevice::WriteOnly) || file.write(Text) != Text.size() || !file.commit()) {
        Error = file.errorString();
        return false;
    }
    return true;
}

} // namespace

QWidget *TRVMainForm::BuildLogPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("LogTabSheet"));
    LogMemo = new TLogView(page);
    LogMemo->setObjectName(QStringLiteral("LogMemo"));
    LogMemo->setReadOnly(true);
    LogMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    LogMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LogMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LogFindBar = new TLogFindBar(LogMemo, page);
    LogFindBar->hide();
    FindButton = new QPushButton(QStringLiteral("&Find..."), page);
    FindButton->setObjectName(QStringLiteral("FindButton"));
    SaveLogButton = new QPushButton(QStringLiteral("&Save Log..."), page);
    SaveLogButton->setObjectName(QStringLiteral("SaveLogButton"));
    connect(FindButton, &QPushButton::clicked, this, [this] { OpenLogFind(); });
    connect(SaveLogButton, &QPushButton::clicked, this, [this] { SaveLogButtonClick(); });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(FindButton);
    buttons->addWidget(SaveLogButton);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(LogMemo, 1);
    layout->addWidget(LogFindBar);
    layout->addLayout(buttons);
    return page;
}

void TRVMainForm::CreateLogKeys()
{
    // Ctrl+F looks in the log from any page; F3 and Shift+F3 go on looking once a text is given.
    auto *findKey = new QAction(this);
    findKey->setShortcuts(QKeySequence::Find);
    connect(findKey, &QAction::triggered, this, [this] { OpenLogFind(); });
    auto *findNextKey = new QAction(this);
    findNextKey->setShortcuts(QKeySequence::FindNext);
    connect(findNextKey, &QAction::triggered, this, [this] {
        if (LogFindBar->FindEdit->text().isEmpty())
            OpenLogFind();
        else
            LogFindBar->FindNext();
    });
    auto *findPreviousKey = new QAction(this);
    findPreviousKey->setShortcuts(QKeySequence::FindPrevious);
    connect(findPreviousKey, &QAction::triggered, this, [this] {
        if (LogFindBar->FindEdit->text().isEmpty())
            OpenLogFind();
        else
            LogFindBar->FindPrevious();
    });
    addActions({findKey, findNextKey, findPreviousKey});
}

void TRVMainForm::OpenLogFind()
{
    MainPageControl->setCurrentWidget(LogTabSheet);
    LogFindBar->Open();
}

void TRVMainForm::SaveLogButtonClick()
{
    const QString suggested = QDir::home().filePath(
        QStringLiteral("rovanel-log-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))
        + QStringLiteral(".txt"));
    const QString path = AskSaveLogPath(this, suggested);
    if (path.isEmpty())
        return;
    QString text = LogMemo->toPlainText();
    if (!text.isEmpty())
        text += QLatin1Char('\n');
    QString error;
    if (!writeWhole(path, text.toUtf8(), error))
        ShowError(QStringLiteral("Unable to save the log to \"%1\" (%2).").arg(path, error));
}

#include "ftp/widgets/EditFTPFormUnit.h"

#include "ftp/FTPConnUnit.h"
#include "ftp/widgets/UpDown.h"
#include "ui/LineBreakGuard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const QString ChangedQuery = QStringLiteral("Connection has been changed.\r\nUndo changes?");

} // namespace

TEditFTPForm::TEditFTPForm(TFTPConnList &ConnList, QWidget *parent)
    : TRVForm(parent), FConnList(ConnList)
{
    setWindowTitle(QStringLiteral("FTP Connections"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    ConnListView = new TListView(this);
    ConnListView->setColumnCount(1);
    ConnListView->setHeaderLabels({QStringLiteral("Connection")});
    ConnListView->setHeaderHidden(true);
    ConnListView->setColumnWidth(0, 220);
    ConnListView->setMinimumWidth(230);
    ConnListView->setEditTriggers(QAbstractItemView::NoEditTriggers);

    ConnectionGroupBox = new QGroupBox(QStringLiteral("Connection"), this);
    HostEdit = new QLineEdit(ConnectionGroupBox);
    PortEdit = new QLineEdit(QStringLiteral("21"), ConnectionGroupBox);
    PortEdit->setMaximumWidth(80);
    PortUpDown = new TUpDown(PortEdit, 0, 65535, ConnectionGroupBox);
    PortUpDown->SetPosition(21);
    TLSComboBox = new QComboBox(ConnectionGroupBox);
    TLSComboBox->addItems({QStringLiteral("No TLS"), QStringLiteral("Implicit TLS"),
                           QStringLiteral("Require TLS"), QStringLiteral("Explicit TLS")});
    UserEdit = new QLineEdit(ConnectionGroupBox);
    PasswordEdit = new QLineEdit(ConnectionGroupBox);
    PasswordEdit->setEchoMode(QLineEdit::Password);
    ShowPasswordCheckBox = new QCheckBox(QStringLiteral("Show"), ConnectionGroupBox);
    AskPasswordCheckBox = new QCheckBox(QStringLiteral("Ask for password"), ConnectionGroupBox);
    TransfersSpinBox = new QSpinBox(ConnectionGroupBox);
    TransfersSpinBox->setObjectName(QStringLiteral("TransfersSpinBox"));
    TransfersSpinBox->setRange(1, TFTPConnection::kMaxSimultaneousTransfers);
    TransfersSpinBox->setValue(1);
    TransfersSpinBox->setToolTip(
        QStringLiteral("How many files are uploaded at once, each over a connection of its own"));
    ConnNameEdit = new QLineEdit(ConnectionGroupBox);
    SaveConnButton = new QPushButton(QStringLiteral("Save"), ConnectionGroupBox);
    RemoveButton = new QPushButton(QStringLiteral("Remove"), ConnectionGroupBox);
    NewButton = new QPushButton(QStringLiteral("New"), ConnectionGroupBox);
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    CloseButton = new QPushButton(QStringLiteral("Close"), this);
    for (QPushButton *button : {SaveConnButton, RemoveButton, NewButton, OKButton})
        button->setAutoDefault(false);
    CloseButton->setDefault(true);
    SaveConnButton->setEnabled(false);
    RemoveButton->setEnabled(false);
    OKButton->setEnabled(false);

    auto *portRow = new QHBoxLayout;
    portRow->setSpacing(0);
    portRow->addWidget(PortEdit);
    portRow->addWidget(PortUpDown);
    portRow->addStretch(1);
    auto *passwordRow = new QHBoxLayout;
    passwordRow->addWidget(PasswordEdit, 1);
    passwordRow->addWidget(ShowPasswordCheckBox);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Host:"), HostEdit);
    form->addRow(QStringLiteral("Port:"), portRow);
    form->addRow(QStringLiteral("Encryption:"), TLSComboBox);
    form->addRow(QStringLiteral("User Name:"), UserEdit);
    form->addRow(QStringLiteral("Password:"), passwordRow);
    form->addRow(QString(), AskPasswordCheckBox);
    auto *transfersRow = new QHBoxLayout;
    transfersRow->addWidget(TransfersSpinBox);
    transfersRow->addStretch(1);
    form->addRow(QStringLiteral("Simultaneous transfers:"), transfersRow);
    form->addRow(QStringLiteral("Connection Name:"), ConnNameEdit);

    auto *connButtons = new QHBoxLayout;
    connButtons->addStretch(1);
    connButtons->addWidget(SaveConnButton);
    connButtons->addWidget(RemoveButton);
    connButtons->addWidget(NewButton);

    auto *groupLayout = new QVBoxLayout(ConnectionGroupBox);
    groupLayout->addLayout(form);
    groupLayout->addStretch(1);
    groupLayout->addLayout(connButtons);

    auto *top = new QHBoxLayout;
    top->addWidget(ConnListView);
    top->addWidget(ConnectionGroupBox, 1);

    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(OKButton);
    bottom->addWidget(CloseButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);
    resize(660, 360);

    setTabOrder(ConnListView, HostEdit);
    setTabOrder(HostEdit, PortEdit);
    setTabOrder(PortEdit, TLSComboBox);
    setTabOrder(TLSComboBox, UserEdit);
    setTabOrder(UserEdit, PasswordEdit);
    setTabOrder(PasswordEdit, ShowPasswordCheckBox);
    setTabOrder(ShowPasswordCheckBox, AskPasswordCheckBox);
    setTabOrder(AskPasswordCheckBox, TransfersSpinBox);
    setTabOrder(TransfersSpinBox, ConnNameEdit);
    setTabOrder(ConnNameEdit, SaveConnButton);
    setTabOrder(SaveConnButton, RemoveButton);
    setTabOrder(RemoveButton, NewButton);
    setTabOrder(NewButton, OKButton);
    setTabOrder(OKButton, CloseButton);

    for (QLineEdit *edit : {HostEdit, PortEdit, UserEdit, PasswordEdit, ConnNameEdit})
        GuardLineBreaks(edit);
    // A typed port counts as an edit like every other field, so it is never dropped unsaved.
    for (QLineEdit *edit : {HostEdit, PortEdit, UserEdit, PasswordEdit})
        connect(edit, &QLineEdit::textChanged, this, [this] { EditorChanged(); });
    connect(ConnNameEdit, &QLineEdit::textChanged, this, [this] { ConnNameEditChange(); });
    connect(TLSComboBox, &QComboBox::activated, this, [this] { EditorChanged(); });
    connect(PortUpDown, &TUpDown::Clicked, this, [this] { EditorChanged(); });
    connect(TransfersSpinBox, &QSpinBox::valueChanged, this, [this] { EditorChanged(); });
    connect(ShowPasswordCheckBox, &QCheckBox::clicked, this,
            [this] { ShowPasswordCheckBoxClick(); });
    connect(AskPasswordCheckBox, &QCheckBox::clicked, this, [this] { AskPasswordCheckBoxClick(); });
    connect(ConnListView, &QTreeWidget::itemSelectionChanged, this,
            [this] { ConnListViewSelectItem(); });
    connect(ConnListView, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (OKButton->isEnabled())
            OKButtonClick();
    });
    connect(SaveConnButton, &QPushButton::clicked, this, [this] { SaveConnButtonClick(); });
    connect(RemoveButton, &QPushButton::clicked, this, [this] { RemoveButtonClick(); });
    connect(NewButton, &QPushButton::clicked, this, [this] { NewButtonClick(); });
    connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TEditFTPForm::Open()
{
    FSelectedItemIndex = -1;
    SetFTPChanged(false);
    FDisplayItem = false;
    ConnListView->clearSelection();
    UpdateConnList();
    ConnListView->clearSelection();
    ClearConnection();
}

void TEditFTPForm::Execute()
{
    Open();
    exec();
}

bool TEditFTPForm::Execute(QString &ConnName)
{
    Open();
    if (const TFTPConnection *conn = FConnList.FindConnection(ConnName))
        SelectRow(FConnList.ConnectionIndex(conn));
    if (exec() != QDialog::Accepted)
        return false;
    ConnName = ConnNameEdit->text();
    return true;
}

void TEditFTPForm::showEvent(QShowEvent *event)
{
    const bool named = !ConnNameEdit->text().isEmpty();
    RemoveButton->setEnabled(named);
    OKButton->setEnabled(named);
    TRVForm::showEvent(event);
}

void TEditFTPForm::UpdateConnList()
{
    // The rows mirror the list: one per connection, captioned with its name.
    const QSignalBlocker blocker(ConnListView);
    const int count = FConnList.Count();
    while (ConnListView->ItemCount() > count)
        ConnListView->DeleteItem(ConnListView->ItemCount() - 1);
    while (ConnListView->ItemCount() < count)
        ConnListView->AddItem(QString());
    for (int i = 0; i < count; ++i)
        ConnListView->Item(i)->setText(0, FConnList.GetConnection(i)->ConnName());
    QTreeWidgetItem *current = ConnListView->currentItem();
    const bool stillSelected = current && current->isSelected();
    FSelectedItemIndex = stillSelected ? ConnListView->IndexOfItem(current) : -1;
    if (!stillSelected)
        ConnListView->clearSelection();
}

void TEditFTPForm::SetFTPChanged(bool Value)
{
    if (FFTPChanged == Value)
        return;
    FFTPChanged = Value;
    SaveConnButton->setEnabled(Value);
}

void TEditFTPForm::EditorChanged()
{
    if (!FDisplayItem)
        SetFTPChanged(true);
}

void TEditFTPForm::ConnNameEditChange()
{
    EditorChanged();
    RemoveButton->setEnabled(!ConnNameEdit->text().isEmpty());
    OKButton->setEnabled(true);
}

void TEditFTPForm::ShowPasswordCheckBoxClick()
{
    PasswordEdit->setEchoMode(ShowPasswordCheckBox->isChecked() ? QLineEdit::Normal
                                                                : QLineEdit::Password);
}

void TEditFTPForm::ApplyAskPassword()
{
    // A password that is asked for at login is kept but not edited here.
    const bool ask = AskPasswordCheckBox->isChecked();
    if (ask) {
        ShowPasswordCheckBox->setChecked(false);
        PasswordEdit->setEchoMode(QLineEdit::Password);
    }
    PasswordEdit->setEnabled(!ask);
    ShowPasswordCheckBox->setEnabled(!ask);
}

void TEditFTPForm::AskPasswordCheckBoxClick()
{
    EditorChanged();
    ApplyAskPassword();
}

void TEditFTPForm::SelectRow(int Index)
{
    ConnListView->SetSelected(Index >= 0 ? ConnListView->Item(Index) : nullptr);
}

bool TEditFTPForm::ConfirmUndo(const QString &Title)
{
    return Confirm(Title, ChangedQuery);
}

void TEditFTPForm::ConnListViewSelectItem()
{
    QTreeWidgetItem *selected = ConnListView->Selected();
    const int index = selected ? ConnListView->IndexOfItem(selected) : -1;
    if (index != FSelectedItemIndex) {
        if (FSelectedItemIndex >= 0 && FSelectedItemIndex < ConnListView->ItemCount())
            ConnListView->viewport()->update();
        FSelectedItemIndex = index;
    }
    if (index < 0 || index >= FConnList.Count())
        return;
    const TFTPConnection *conn = FConnList.GetConnection(index);
    if (conn->ConnName() == ConnNameEdit->text())
        return; // already shown
    if (FFTPChanged && !ConfirmUndo(QStringLiteral("Connection changed")))
        return;
    DisplayConnection(*conn);
}

void TEditFTPForm::DisplayConnection(const TFTPConnection &Conn)
{
    FDisplayItem = true;
    ConnNameEdit->setText(Conn.ConnName());
    HostEdit->setText(Conn.Host());
    PortUpDown->SetPosition(Conn.Port());
    const int tls = Conn.UseTLS();
    TLSComboBox->setCurrentIndex(tls >= 1 && tls <= 3 ? tls : 0);
    UserEdit->setText(Conn.UserName());
    ShowPasswordCheckBox->setChecked(false);
    PasswordEdit->setEchoMode(QLineEdit::Password);
    PasswordEdit->setText(Conn.Password());
    AskPasswordCheckBox->setChecked(Conn.AskPassword());
    ApplyAskPassword();
    TransfersSpinBox->setValue(Conn.SimultaneousTransfers());
    SetFTPChanged(false);
    FDisplayItem = false;
}

void TEditFTPForm::ClearConnection()
{
    // Emptying the fields is not an edit of the user's.
    FDisplayItem = true;
    ConnNameEdit->clear();
    HostEdit->clear();
    PortUpDown->SetPosition(21);
    TLSComboBox->setCurrentIndex(0);
    UserEdit->clear();
    ShowPasswordCheckBox->setChecked(false);
    PasswordEdit->setEchoMode(QLineEdit::Password);
    PasswordEdit->setEnabled(true);
    ShowPasswordCheckBox->setEnabled(true);
    PasswordEdit->clear();
    AskPasswordCheckBox->setChecked(false);
    TransfersSpinBox->setValue(1);
    FDisplayItem = false;
    SetFTPChanged(false);
}

bool TEditFTPForm::SaveConnection()
{
    const QString name = ConnNameEdit->text();
    if (name.isEmpty()) {
        Warning(QStringLiteral("Please, enter Connection Name."));
        return false;
    }
    TFTPConnection *conn = FConnList.FindConnection(name);
    std::unique_ptr<TFTPConnection> added;
    if (!conn) {
        added = std::make_unique<TFTPConnection>();
        conn = added.get();
    }
    conn->SetConnName(name);
    conn->SetHost(HostEdit->text());
    bool ok = false;
    const int port = PortEdit->text().toInt(&ok);
    conn->SetPort(ok ? port : PortUpDown->Position());
    const int tls = TLSComboBox->currentIndex();
    conn->SetUseTLS(tls >= 1 && tls <= 3 ? static_cast<TIdUseTLS>(tls) : utNoTLSSupport);
    conn->SetUserName(UserEdit->text());
    conn->SetPassword(PasswordEdit->text());
    conn->SetAskPassword(AskPasswordCheckBox->isChecked());
    conn->SetSimultaneousTransfers(TransfersSpinBox->value());
    if (added)
        FConnList.AddConnection(std::move(added));
    UpdateConnList();
    SetFTPChanged(false);
    SelectRow(FConnList.ConnectionIndex(conn));
    return true;
}

void TEditFTPForm::SaveConnButtonClick()
{
    SaveConnection();
}

void TEditFTPForm::RemoveButtonClick()
{
    const QString name = ConnNameEdit->text();
    if (name.isEmpty()) {
        Warning(QStringLiteral("Please, enter Connection Name."));
        return;
    }
    TFTPConnection *conn = FConnList.FindConnection(name);
    if (!conn) {
        Warning(QStringLiteral("Connection with name \"") + name + QStringLiteral("\" not found."));
        return;
    }
    FConnList.RemoveConnection(conn);
    // The rows after the removed one now show other connections: no row stays selected.
    ConnListView->clearSelection();
    UpdateConnList();
    ClearConnection();
}

void TEditFTPForm::NewButtonClick()
{
    if (FFTPChanged && !ConfirmUndo(QStringLiteral("Connection changed")))
        return;
    ConnListView->clearSelection();
    ClearConnection();
}

void TEditFTPForm::OKButtonClick()
{
    if (!FFTPChanged || SaveConnection())
        accept();
}

void TEditFTPForm::done(int Result)
{
    if (FFTPChanged && !ConfirmUndo(QStringLiteral("Close without saving")))
        return;
    TRVForm::done(Result);
}

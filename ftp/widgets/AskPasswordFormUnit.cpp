#include "ftp/widgets/AskPasswordFormUnit.h"

#include "ftp/FTPConnUnit.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TAskPasswordForm::TAskPasswordForm(QWidget *parent) : TRVForm(parent)
{
    setWindowTitle(QStringLiteral("Enter Password"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);

    Label1 = new QLabel(QStringLiteral("Please, enter password for FTP server:"), this);
    Label2 = new QLabel(QStringLiteral("Host:"), this);
    Label5 = new QLabel(this);
    Label3 = new QLabel(QStringLiteral("User:"), this);
    Label6 = new QLabel(this);
    Label4 = new QLabel(QStringLiteral("Password:"), this);
    Edit1 = new QLineEdit(this);
    Edit1->setEchoMode(QLineEdit::Password);
    Label4->setBuddy(Edit1);
    CheckBox1 = new QCheckBox(QStringLiteral("Remember password"), this);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button1->setDefault(true);
    Button2->setAutoDefault(false);
    Label5->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Label6->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *grid = new QGridLayout;
    grid->addWidget(Label2, 0, 0);
    grid->addWidget(Label5, 0, 1);
    grid->addWidget(Label3, 1, 0);
    grid->addWidget(Label6, 1, 1);
    grid->addWidget(Label4, 2, 0);
    grid->addWidget(Edit1, 2, 1);
    grid->addWidget(CheckBox1, 3, 1);
    grid->setColumnStretch(1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(buttons);
    resize(360, 220);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

bool TAskPasswordForm::Execute()
{
    Label5->setText(FHost);
    Label6->setText(FUser);
    CheckBox1->setChecked(FRememberPassword);
    Edit1->clear();
    Edit1->setFocus();
    if (exec() == QDialog::Accepted) {
        FRememberPassword = CheckBox1->isChecked();
        FPassword = Edit1->text();
        return true;
    }
    FPassword.clear();
    return false;
}

bool AskPasswordAnswer(TAskPasswordForm &Form, const QString &Host, const QString &User,
                       bool &RememberPassword, QString &Password)
{
    Form.SetHost(Host);
    Form.SetUser(User);
    Form.SetRememberPassword(RememberPassword);
    const bool ok = Form.Execute();
    Password = Form.Password();
    if (ok)
        RememberPassword = Form.RememberPassword();
    return ok;
}

bool FTPClientAskPassword(TAskPasswordForm &Form, TFTPConnection &Conn, QString &ClientPassword)
{
    bool remember = Conn.RememberPassword();
    QString typed;
    if (!AskPasswordAnswer(Form, Conn.Host(), Conn.UserName(), remember, typed))
        return false;
    Conn.SetRememberPassword(remember);
    if (remember)
        Conn.SetPassword(typed);
    ClientPassword = typed;
    return true;
}

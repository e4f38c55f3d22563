#pragma once

#include "ui/RVFormUnit.h"

#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TFTPConnection;

// The prompt for the password of an FTP connection that asks for it at login. One instance is
// made at start-up and reused; each Execute fills the labels, the box and an empty edit afresh.
class TAskPasswordForm : public TRVForm
{
    Q_OBJECT

public:
    explicit TAskPasswordForm(QWidget *parent = nullptr);

    // Shows the prompt for Host, User and RememberPassword. True on OK, with RememberPassword
    // and Password holding the answer; otherwise Password is emptied and RememberPassword kept.
    bool Execute();

    const QString &Host() const { return FHost; }
    void SetHost(const QString &Value) { FHost = Value; }
    const QString &User() const { return FUser; }
    void SetUser(const QString &Value) { FUser = Value; }
    bool RememberPassword() const { return FRememberPassword; }
    void SetRememberPassword(bool Value) { FRememberPassword = Value; }
    const QString &Password() const { return FPassword; }
    void SetPassword(const QString &Value) { FPassword = Value; }

    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label4;
    QLabel *Label5;
    QLabel *Label6;
    QLineEdit *Edit1;
    QCheckBox *CheckBox1;
    QPushButton *Button1;
    QPushButton *Button2;

private:
    QString FHost;
    QString FUser;
    bool FRememberPassword = false;
    QString FPassword;
};

// The answer to a session's password request (the run log's AskPassword), given on the GUI
// thread with the prompt: the prompt shows Host and User with "Remember password" ticked as
// RememberPassword says. True on OK with RememberPassword and Password holding the answer;
// false on Cancel with Password emptied and RememberPassword unchanged.
bool AskPasswordAnswer(TAskPasswordForm &Form, const QString &Host, const QString &User,
                       bool &RememberPassword, QString &Password);

// The whole hand-over for one connection record: asks with the record's host, user and
// RememberPassword; on OK stores the box into RememberPassword, the typed password into
// Password only when the box is ticked, and the typed password into ClientPassword (the
// password the protocol client logs in with) in either case. On Cancel nothing changes.
bool FTPClientAskPassword(TAskPasswordForm &Form, TFTPConnection &Conn, QString &ClientPassword);

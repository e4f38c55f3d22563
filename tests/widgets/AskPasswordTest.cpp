#include "DialogTestSupport.h"
#include "ftp/FTPConnUnit.h"
#include "ftp/widgets/AskPasswordFormUnit.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TFTPConnection Remembered()
{
    TFTPConnection conn;
    conn.SetConnName("Site");
    conn.SetHost("ftp.example");
    conn.SetUserName("alice");
    conn.SetAskPassword(true);
    conn.SetRememberPassword(true);
    conn.SetPassword("old-secret");
    return conn;
}

struct AnswerCase
{
    const char *name;
    bool ok;           // OK (else Cancel)
    bool tick;         // "Remember password" as left by the user
    const char *typed; // typed password
    // expected afterwards
    bool result;
    bool remember;
    const char *storedPassword;
    const char *clientPassword;
};

// The hand-over for one connection record, for each way the user can answer.
TEST(AskPassword, AnswersReachTheConnectionAndTheClient)
{
    const AnswerCase cases[] = {
        // Cancel: the login goes on with the client's empty password; the record is unchanged.
        {"cancel", false, false, "typed", false, true, "old-secret", ""},
        // Remembered, even when wrong: the refused login keeps it from being used unasked.
        {"remember a wrong password", true, true, "wrong", true, true, "wrong", "wrong"},
        // Unticked: the old password stays stored, but every later session asks.
        {"untick", true, false, "once", true, false, "old-secret", "once"},
    };
    TAskPasswordForm form;
    for (const AnswerCase &c : cases) {
        SCOPED_TRACE(c.name);
        TFTPConnection conn = Remembered();
        QString client;
        WhenShown(&form, [&] {
            EXPECT_EQ(form.Label5->text(), "ftp.example");
            EXPECT_EQ(form.Label6->text(), "alice");
            EXPECT_TRUE(form.CheckBox1->isChecked());
            EXPECT_TRUE(form.Edit1->text().isEmpty());
            EXPECT_EQ(QApplication::focusWidget(), form.Edit1);
            QTest::keyClicks(form.Edit1, c.typed);
            form.CheckBox1->setChecked(c.tick);
            (c.ok ? form.Button1 : form.Button2)->click();
        });
        EXPECT_EQ(FTPClientAskPassword(form, conn, client), c.result);
        EXPECT_EQ(conn.RememberPassword(), c.remember);
        EXPECT_EQ(conn.Password(), c.storedPassword);
        EXPECT_EQ(client, c.clientPassword);
        EXPECT_EQ(conn.Host(), "ftp.example");
    }
}

TEST(AskPassword, EnterInThePasswordEditClosesWithOk)
{
    TAskPasswordForm form;
    bool remember = false;
    QString password = "stale";
    WhenShown(&form, [&] {
        EXPECT_FALSE(form.CheckBox1->isChecked());
        QTest::keyClicks(form.Edit1, "s3cret");
        EXPECT_EQ(form.Edit1->echoMode(), QLineEdit::Password);
        QTest::keyClick(form.Edit1, Qt::Key_Return);
    });
    EXPECT_TRUE(AskPasswordAnswer(form, "h", "u", remember, password));
    EXPECT_EQ(password, "s3cret");
    EXPECT_FALSE(remember);
    EXPECT_EQ(form.windowTitle(), "Enter Password");
}

// Esc and the close box are Cancel: the password is emptied, the box's value kept.
TEST(AskPassword, EscAndCloseBoxCancel)
{
    TAskPasswordForm form;
    for (bool useEsc : {true, false}) {
        bool remember = true;
        QString password = "stale";
        WhenShown(&form, [&] {
            QTest::keyClicks(form.Edit1, "typed");
            form.CheckBox1->setChecked(false);
            if (useEsc)
                QTest::keyClick(form.Edit1, Qt::Key_Escape);
            else
                form.close();
        });
        EXPECT_FALSE(AskPasswordAnswer(form, "h", "u", remember, password));
        EXPECT_TRUE(password.isEmpty());
        EXPECT_TRUE(remember);
    }
}

} // namespace

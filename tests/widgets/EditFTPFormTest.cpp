#include "DialogTestSupport.h"
#include "ftp/FTPConnUnit.h"
#include "ftp/widgets/EditFTPFormUnit.h"
#include "ftp/widgets/UpDown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<TFTPConnection> Conn(const QString &name, const QString &host, int port = 21)
{
    auto conn = std::make_unique<TFTPConnection>();
    conn->SetConnName(name);
    conn->SetHost(host);
    conn->SetPort(port);
    conn->SetUserName(name + "-user");
    conn->SetPassword(name + "-pw");
    return conn;
}

class EditFTPFormTest : public ::testing::Test
{
protected:
    EditFTPFormTest()
    {
        list.AddConnection(Conn("Main", "main.example", 2121));
        list.AddConnection(Conn("Backup", "backup.example"));
    }

    // Opens the dialog with a name and lets Action drive it.
    bool Open(QString &name, std::function<void()> action)
    {
        WhenShown(&form, std::move(action));
        return form.Execute(name);
    }

    QStringList Names() const
    {
        QStringList names;
        for (int i = 0; i < list.Count(); ++i)
            names.append(list.GetConnection(i)->ConnName());
        return names;
    }

    QStringList Rows() const
    {
        QStringList rows;
        for (int i = 0; i < form.ConnListView->ItemCount(); ++i)
            rows.append(form.ConnListView->Item(i)->text(0));
        return rows;
    }

    void SelectRow(int index) { form.ConnListView->SetSelected(form.ConnListView->Item(index)); }

    TFTPConnList list;
    TEditFTPForm form{list};
    BoxRecorder boxes;
};

TEST_F(EditFTPFormTest, OpensWithTheNamedConnectionShown)
{
    QString name = "Main";
    const bool result = Open(name, [&] {
        EXPECT_EQ(Rows(), QStringList({"Main", "Backup"}));
        EXPECT_EQ(form.SelectedItemIndex(), 0);
        EXPECT_EQ(form.ConnNameEdit->text(), "Main");
        EXPECT_EQ(form.HostEdit->text(), "main.example");
        EXPECT_EQ(form.PortEdit->text(), "2121");
        EXPECT_EQ(form.UserEdit->text(), "Main-user");
        EXPECT_EQ(form.PasswordEdit->text(), "Main-pw");
        EXPECT_EQ(form.PasswordEdit->echoMode(), QLineEdit::Password);
        EXPECT_FALSE(form.SaveConnButton->isEnabled());
        EXPECT_TRUE(form.RemoveButton->isEnabled());
        EXPECT_TRUE(form.OKButton->isEnabled());
        form.CloseButton->click();
    });
    EXPECT_FALSE(result);
    EXPECT_EQ(name, "Main");
    EXPECT_TRUE(boxes.Asked.empty());
}

// "Close" is the default button: Enter in a field closes without OK.
TEST_F(EditFTPFormTest, EnterClosesWithoutOk)
{
    QString name = "Main";
    EXPECT_FALSE(Open(name, [&] { QTest::keyClick(form.HostEdit, Qt::Key_Return); }));
    EXPECT_EQ(name, "Main");
    EXPECT_TRUE(boxes.Asked.empty());
}

TEST_F(EditFTPFormTest, UnknownNameOpensAnEmptyEditorWithoutSelection)
{
    QString name = "main"; // names match exactly
    Open(name, [&] {
        EXPECT_TRUE(form.ConnListView->selectedItems().isEmpty());
        EXPECT_TRUE(form.ConnNameEdit->text().isEmpty());
        EXPECT_TRUE(form.HostEdit->text().isEmpty());
        EXPECT_EQ(form.PortEdit->text(), "21");
        EXPECT_EQ(form.TLSComboBox->currentIndex(), 0);
        EXPECT_FALSE(form.RemoveButton->isEnabled());
        EXPECT_FALSE(form.OKButton->isEnabled());
        EXPECT_FALSE(form.SaveConnButton->isEnabled());
        form.CloseButton->click();
    });
    EXPECT_TRUE(boxes.Asked.empty());
}

// Saving under a name no connection has adds one; the connection shown before keeps its name,
// and a name differing only in letter case is another name.
TEST_F(EditFTPFormTest, SavingUnderANewNameAddsAConnection)
{
    for (const char *newName : {"Mirror", "main"}) {
        SCOPED_TRACE(newName);
        QString name = "Main";
        const bool result = Open(name, [&] {
            form.ConnNameEdit->selectAll();
            QTest::keyClicks(form.ConnNameEdit, newName);
            EXPECT_TRUE(form.SaveConnButton->isEnabled());
            form.SaveConnButton->click();
            EXPECT_FALSE(form.SaveConnButton->isEnabled());
            EXPECT_EQ(form.ConnListView->Selected(), form.ConnListView->Item(2));
            form.OKButton->click();
        });
        EXPECT_TRUE(result);
        EXPECT_EQ(name, newName);
        EXPECT_EQ(Names(), QStringList({"Main", "Backup", newName}));
        const TFTPConnection *added = list.FindConnection(newName);
        EXPECT_EQ(added->Host(), "main.example");
        EXPECT_EQ(added->Port(), 2121);
        EXPECT_EQ(added->Password(), "Main-pw");
        EXPECT_EQ(list.FindConnection("Main")->Host(), "main.example");
        list.RemoveConnection(list.GetConnection(2));
    }
}

TEST_F(EditFTPFormTest, SaveUpdatesTheNamedConnectionInPlace)
{
    list.GetConnection(0)->SetRememberPassword(true);
    list.GetConnection(0)->SetLoggedIn(true);
    QString name = "Main";
    Open(name, [&] {
        form.HostEdit->setText("new.example");
        form.TLSComboBox->setCurrentIndex(3);
        Q_EMIT form.TLSComboBox->activated(3);
        form.UserEdit->setText("u");
        form.AskPasswordCheckBox->click();
        EXPECT_FALSE(form.PasswordEdit->isEnabled());
        EXPECT_FALSE(form.ShowPasswordCheckBox->isEnabled());
        form.OKButton->click(); // saves the changes, then closes
    });
    ASSERT_EQ(list.Count(), 2);
    const TFTPConnection *conn = list.GetConnection(0);
    EXPECT_EQ(conn->Host(), "new.example");
    EXPECT_EQ(conn->UseTLS(), utUseExplicitTLS);
    EXPECT_EQ(conn->UserName(), "u");
    EXPECT_TRUE(conn->AskPassword());
    EXPECT_EQ(conn->Password(), "Main-pw"); // kept while asked for at login
    EXPECT_TRUE(conn->RememberPassword());  // not the dialog's to change
    EXPECT_TRUE(conn->LoggedIn());
}

TEST_F(EditFTPFormTest, SimultaneousTransfersAreShownAndSaved)
{
    list.GetConnection(1)->SetSimultaneousTransfers(3);
    QString name = "Main";
    Open(name, [&] {
        EXPECT_EQ(form.TransfersSpinBox->value(), 1);
        SelectRow(1);
        EXPECT_EQ(form.TransfersSpinBox->value(), 3);
        EXPECT_FALSE(form.SaveConnButton->isEnabled());
        form.TransfersSpinBox->setValue(4);
        // A change like any other: it can be saved, and is not lost unasked.
        EXPECT_TRUE(form.SaveConnButton->isEnabled());
        form.OKButton->click();
    });
    EXPECT_EQ(list.GetConnection(1)->SimultaneousTransfers(), 4);
    EXPECT_EQ(list.GetConnection(0)->SimultaneousTransfers(), 1);
}

// A port text that is not a number saves the arrows' position.
TEST_F(EditFTPFormTest, PortTextThatIsNoNumberSavesTheArrowsPosition)
{
    QString name = "Backup";
    Open(name, [&] {
        form.PortUpDown->SetPosition(2120);
        form.PortUpDown->UpButton()->click();
        EXPECT_EQ(form.PortEdit->text(), "2121");
        EXPECT_TRUE(form.SaveConnButton->isEnabled());
        form.PortEdit->setText("abc");
        form.SaveConnButton->click();
        form.CloseButton->click();
    });
    EXPECT_EQ(list.FindConnection("Backup")->Port(), 2121);
}

TEST_F(EditFTPFormTest, ArrowsStartFromATypedNumberAndStayInRange)
{
    QString name = "Backup";
    Open(name, [&] {
        form.PortEdit->setText("8000");
        form.PortUpDown->DownButton()->click();
        EXPECT_EQ(form.PortEdit->text(), "7999");
        form.PortEdit->setText("65535");
        form.PortUpDown->UpButton()->click();
        EXPECT_EQ(form.PortEdit->text(), "65535");
        form.PortUpDown->SetPosition(0);
        form.PortUpDown->DownButton()->click();
        EXPECT_EQ(form.PortEdit->text(), "0");
        boxes.Answers.push_back(QMessageBox::Yes);
        form.CloseButton->click();
    });
    EXPECT_EQ(list.FindConnection("Backup")->Port(), 21);
}

TEST_F(EditFTPFormTest, RemoveTakesTheTypedNameEvenWithAnotherRowSelected)
{
    QString name = "Main";
    Open(name, [&] {
        form.ConnNameEdit->setText("Backup");
        form.RemoveButton->click();
        EXPECT_EQ(Rows(), QStringList({"Main"}));
        EXPECT_TRUE(form.ConnNameEdit->text().isEmpty());
        EXPECT_FALSE(form.SaveConnButton->isEnabled());
        form.CloseButton->click();
    });
    EXPECT_EQ(Names(), QStringList({"Main"}));
    EXPECT_TRUE(boxes.Asked.empty()); // no confirmation, and closing finds nothing unsaved
}

TEST_F(EditFTPFormTest, RemoveAndSaveWarnAboutMissingNames)
{
    QString name;
    Open(name, [&] {
        EXPECT_FALSE(form.RemoveButton->isEnabled());
        form.RemoveButtonClick();
        form.HostEdit->setText("h");
        form.SaveConnButton->click();
        form.ConnNameEdit->setText("Nowhere");
        form.RemoveButton->click();
        boxes.Answers.push_back(QMessageBox::Yes);
        form.CloseButton->click();
    });
    ASSERT_EQ(boxes.Asked.size(), 4u);
    EXPECT_EQ(boxes.Asked[0].Text, "Please, enter Connection Name.");
    EXPECT_EQ(boxes.Asked[0].Title, "FTP Connections");
    EXPECT_EQ(boxes.Asked[0].Icon, QMessageBox::Warning);
    EXPECT_EQ(boxes.Asked[1].Text, "Please, enter Connection Name.");
    EXPECT_EQ(boxes.Asked[2].Text, "Connection with name \"Nowhere\" not found.");
    EXPECT_EQ(boxes.Asked[3].Title, "Close without saving");
    EXPECT_EQ(Names(), QStringList({"Main", "Backup"}));
}

// OK without changes closes at once and hands back the editor's name, empty after "New".
TEST_F(EditFTPFormTest, OkWithoutChangesHandsBackTheEditorName)
{
    QString name = "Main";
    EXPECT_TRUE(Open(name, [&] {
        form.NewButton->click();
        EXPECT_TRUE(form.ConnListView->selectedItems().isEmpty());
        EXPECT_TRUE(form.OKButton->isEnabled());
        form.OKButton->click();
    }));
    EXPECT_EQ(name, "");
    name = "Backup";
    EXPECT_TRUE(Open(
        name, [&] { Q_EMIT form.ConnListView->itemDoubleClicked(form.ConnListView->Item(1), 0); }));
    EXPECT_EQ(name, "Backup");
    EXPECT_TRUE(boxes.Asked.empty());
}

TEST_F(EditFTPFormTest, SelectingAnotherRowWithChangesAsksFirst)
{
    QString name = "Main";
    Open(name, [&] {
        form.HostEdit->setText("edited");
        SelectRow(0); // the connection shown: nothing asked
        EXPECT_TRUE(boxes.Asked.empty());
        boxes.Answers.push_back(QMessageBox::No);
        SelectRow(1);
        ASSERT_EQ(boxes.Asked.size(), 1u);
        EXPECT_EQ(boxes.Asked[0].Title, "Connection changed");
        EXPECT_EQ(boxes.Asked[0].Text, "Connection has been changed.\r\nUndo changes?");
        EXPECT_EQ(form.HostEdit->text(), "edited");
        EXPECT_EQ(form.SelectedItemIndex(), 1);
        SelectRow(0);
        boxes.Answers.push_back(QMessageBox::Yes);
        SelectRow(1);
        EXPECT_EQ(form.HostEdit->text(), "backup.example");
        EXPECT_FALSE(form.SaveConnButton->isEnabled());
        form.CloseButton->click();
    });
    EXPECT_EQ(list.FindConnection("Main")->Host(), "main.example");
}

TEST_F(EditFTPFormTest, NewAsksBeforeDroppingChanges)
{
    QString name = "Main";
    Open(name, [&] {
        form.UserEdit->setText("someone");
        boxes.Answers.push_back(QMessageBox::No);
        form.NewButton->click();
        EXPECT_EQ(form.UserEdit->text(), "someone");
        form.NewButton->click(); // answered Yes
        EXPECT_TRUE(form.ConnNameEdit->text().isEmpty());
        EXPECT_TRUE(form.UserEdit->text().isEmpty());
        form.CloseButton->click();
    });
    ASSERT_EQ(boxes.Asked.size(), 2u);
    EXPECT_EQ(boxes.Asked[1].Title, "Connection changed");
}

// Closing with unsaved changes asks; No keeps the dialog open, Yes drops the changes.
TEST_F(EditFTPFormTest, ClosingWithChangesAsks)
{
    const std::vector<std::pair<const char *, std::function<void(TEditFTPForm &)>>> ways = {
        {"Close", [](TEditFTPForm &f) { f.CloseButton->click(); }},
        {"Esc", [](TEditFTPForm &f) { QTest::keyClick(f.HostEdit, Qt::Key_Escape); }},
        {"close box", [](TEditFTPForm &f) { f.close(); }},
    };
    for (const auto &[way, close] : ways) {
        SCOPED_TRACE(way);
        boxes.Asked.clear();
        QString name = "Main";
        bool openAfterNo = false;
        const bool result = Open(name, [&, &close = close] {
            QTest::keyClicks(form.HostEdit, "x");
            boxes.Answers.push_back(QMessageBox::No);
            close(form);
            openAfterNo = form.isVisible();
            boxes.Answers.push_back(QMessageBox::Yes);
            close(form);
        });
        EXPECT_TRUE(openAfterNo);
        EXPECT_FALSE(result);
        ASSERT_EQ(boxes.Asked.size(), 2u);
        EXPECT_EQ(boxes.Asked[0].Title, "Close without saving");
        EXPECT_EQ(boxes.Asked[0].Text, "Connection has been changed.\r\nUndo changes?");
        EXPECT_EQ(list.FindConnection("Main")->Host(), "main.example");
    }
}

TEST_F(EditFTPFormTest, ShowAndAskForPasswordSwitchTheMask)
{
    QString name = "Main";
    Open(name, [&] {
        form.ShowPasswordCheckBox->click();
        EXPECT_EQ(form.PasswordEdit->echoMode(), QLineEdit::Normal);
        EXPECT_FALSE(form.SaveConnButton->isEnabled()); // showing is no edit
        form.AskPasswordCheckBox->click();
        EXPECT_FALSE(form.ShowPasswordCheckBox->isChecked());
        EXPECT_EQ(form.PasswordEdit->echoMode(), QLineEdit::Password);
        EXPECT_FALSE(form.PasswordEdit->isEnabled());
        EXPECT_EQ(form.PasswordEdit->text(), "Main-pw");
        EXPECT_TRUE(form.SaveConnButton->isEnabled());
        form.AskPasswordCheckBox->click();
        EXPECT_TRUE(form.PasswordEdit->isEnabled());
        EXPECT_TRUE(form.ShowPasswordCheckBox->isEnabled());
        boxes.Answers.push_back(QMessageBox::Yes);
        form.CloseButton->click();
    });
}

// Every field is one line of the settings file: line breaks typed, pasted or set are dropped,
// so a host cannot carry a key of its own into the file.
TEST_F(EditFTPFormTest, LineBreaksNeverReachAConnection)
{
    QString name = "Main";
    Open(name, [&] {
        form.HostEdit->setText("evil.example\r\nFTPConnN=99");
        form.UserEdit->setText("u\n");
        form.ConnNameEdit->setText("Main\r");
        form.SaveConnButton->click();
        form.CloseButton->click();
    });
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.GetConnection(0)->Host(), "evil.exampleFTPConnN=99");
    EXPECT_EQ(list.GetConnection(0)->UserName(), "u");
}

} // namespace

#pragma once

#include "app/gui/AppWindows.h"
#include "app/gui/RVMainUnit.h"
#include "ftp/FTPConnUnit.h"
#include "support/TempTree.h"
#include "ui/MessageBoxes.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// A settings file in a temporary folder, the program's windows made over it with a given
// command line, and every message box answered and recorded.
class MainWindowTest : public ::testing::Test
{
protected:
    MainWindowTest();
    ~MainWindowTest() override;

    // The settings file's path.
    QString SettingsPath() const { return Tree(SettingsName); }
    // Writes the settings file (byte-order mark and CR LF added).
    void WriteSettings(const QStringList &Lines);
    // The settings file's lines (byte-order mark and CR LF removed).
    QStringList ReadSettings() const;

    // Files src/f0000.txt and on ("x" each) and a settings file with the one project "Big",
    // ticked, copying src/*.txt into {OutDir}/{ProjectName}, OutDir being out/.
    void WriteBigProject(int Files);
    // Makes the windows (settings load), with the arguments after the program name.
    void Open(const QStringList &Arguments = {});
    // Makes the windows as the program does, through its start: claims the settings file, sets
    // the program's icon and desktop file name, and loads the settings.
    void Start(const QStringList &Arguments = {});
    // Destroys the windows (settings save) and gives up a claim that Start took.
    void Close();
    // Shows the main window, which starts a -start run.
    void Show();
    // Makes the windows, then shows the main window at a usual size as the active window, so
    // that keys reach it as they would a user's.
    void OpenActive();

    TRVMainForm &Form() { return *Windows->RVMainForm; }
    // Processes events until no run is under way (fails after a generous time).
    void WaitForRun();
    // The log page's lines.
    QStringList LogLines();
    // Checks that the one message box shown so far refused a window on the settings file.
    void ExpectOneRefusal() const;
    // The names of the visible projects, in display order.
    QStringList VisibleNames();
    // Adds a project as stored on a list (name, group, source, output folder).
    TCopyProject *AddProject(const QString &Name, const QString &Group = QString(),
                             const QString &Source = QString(),
                             const QString &Output = QStringLiteral("{OutDir}/{ProjectName}"));

    TempTree Tree;
    // The settings file, relative to Tree.
    QString SettingsName = QStringLiteral("rv.ini");
    TFTPConnList Connections;
    // Taken by Start only; released after the windows, which save under it.
    std::unique_ptr<TSettingsLock> Claim;
    std::unique_ptr<TAppWindows> Windows;
    std::vector<TMessageBoxRequest> Boxes;
    QMessageBox::StandardButton Answer = QMessageBox::Yes;

private:
    std::unique_ptr<TScopedMessageBoxHook> FHook;
};

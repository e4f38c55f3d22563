#pragma once

#include <QList>
#include <QSize>
#include <QString>

// The size of the main window and the widths of the projects list's columns, kept between
// starts in a small file beside the settings file (the settings file holds projects and
// connections only).
struct TWindowState
{
    QSize Size;
    bool Maximized = false;
    QList<int> ColumnWidths;
};

// Where the state of the window using SettingsPath is kept: "NAME-window.ini" beside it, NAME
// being the settings file's name without its last extension.
QString WindowStatePath(const QString &SettingsPath);
// What was kept; parts that are missing or unusable (a size below the minimum, a width out of
// range, a file that cannot be read) come back empty, so that the window keeps its defaults.
TWindowState LoadWindowState(const QString &Path);
// Keeps State; false when the file cannot be written (the window's state is not worth an
// error message at exit).
bool SaveWindowState(const QString &Path, const TWindowState &State);

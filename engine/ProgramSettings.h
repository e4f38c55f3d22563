#pragma once

#include <QString>

class TCopyProjectList;
class TFTPConnList;

// What the settings file holds beside the projects and the connections.
struct TProgramSettings
{
    // Whether anything stands at the settings file's path (a first start has nothing there).
    bool Found = false;
    QString OutDir;
    QString GroupFilter;
    // The message of the error that stopped the loading, empty when everything was read.
    QString Error;
};

// Loads the settings file of the desktop program and rovanel-cli: appends its projects and
// connections to the lists and returns the top-level values. Nothing at the path is a first
// start (nothing read, no error); something that cannot be read, or an error on the way, ends
// the loading with Error set, and what was read until then stays.
TProgramSettings LoadProgramSettings(const QString &path, TCopyProjectList &projects,
                                     TFTPConnList &connections);

#pragma once

#include <QString>

class TCopyProject;

// The project's output folder with {OutDir}, {ProjectName}, {Date} and {DateTime} replaced in
// this order (any letter case); "\" written on Windows becomes "/".
QString ExpandOutputFolder(const TCopyProject &Project, const QString &OutDir);

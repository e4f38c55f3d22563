#pragma once

#include "runlog/RunLog.h"

#include <QString>
#include <QStringList>

// A run log that keeps every line.
class RecordingLog : public TRunLog
{
public:
    void Log(const QString &msg) override { Lines.append(msg); }
    QStringList Lines;
};

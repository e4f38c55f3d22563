#pragma once

#include "engine/OutputSide.h"

#include <functional>
#include <optional>
#include <utility>

// The local file system as output side. A failed copy or folder raises EOutputError with the
// line "Unable to copy file <target> (<reason>)" or "Unable to create directory <dir>".
class TLocalOutput : public TOutputSide
{
public:
    // stopRequested, when given, is asked while a large file is copied: a copy it breaks off
    // leaves the target as it was and raises ECopyStopped (runlog/RunLog.h).
    explicit TLocalOutput(std::function<bool()> stopRequested = {})
        : FStopRequested(std::move(stopRequested))
    {}

    // One look at the file tells both whether it exists and its time.
    TOutputFacts FileFacts(const QString &fileName, bool withAge) override;
    // Files of one folder come one after the other, so a folder is looked at when the folder
    // changes, not once per file. An empty path raises Exception "Unable to create directory".
    void MakeFolder(const QString &dir) override;
    void CopyFile(const QString &source, const QString &target) override;
    bool IsLocal() const override { return true; }

private:
    std::function<bool()> FStopRequested;
    // The folder made sure of last.
    std::optional<QString> FLastFolder;
};

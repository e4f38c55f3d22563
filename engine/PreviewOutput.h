#pragma once

#include "engine/OutputSide.h"

#include <memory>

// An output side that looks but never writes, for a preview run: the facts come from the real
// output side, while folders and copies are only pretended. A folder that does not exist yet
// (on a server: one whose CWD is answered 550) counts as empty, as it would be once made; any
// other failure of a look-up is the run's error.
class TPreviewOutput : public TOutputSide
{
public:
    explicit TPreviewOutput(std::unique_ptr<TOutputSide> output) : FOutput(std::move(output)) {}

    TOutputFacts FileFacts(const QString &fileName, bool withAge) override;
    // An empty path still fails as it would in a real run.
    void MakeFolder(const QString &dir) override;
    void CopyFile(const QString &source, const QString &target) override;
    bool IsLocal() const override { return FOutput->IsLocal(); }

private:
    std::unique_ptr<TOutputSide> FOutput;
};

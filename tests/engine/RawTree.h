#pragma once

#include "support/TempTree.h"

// A TempTree that is emptied through descriptors before QTemporaryDir removes it, so that
// folders deeper than PATH_MAX and names QDir cannot carry (not valid UTF-8) go as well.
class RawTempTree : public TempTree
{
public:
    RawTempTree() = default;
    ~RawTempTree();
    RawTempTree(const RawTempTree &) = delete;
    RawTempTree &operator=(const RawTempTree &) = delete;
};

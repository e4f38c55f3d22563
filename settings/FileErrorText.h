#pragma once

#include <QString>

#include <sys/types.h>

// The reason texts of file errors, as they end the messages of EFOpenError and EFCreateError.

// The system's text for an errno value.
QString SystemReason(int error);
// The reason given for a path that is something else than a regular file ("Not a regular file
// (a FIFO)").
QString NotRegularReason(mode_t mode);

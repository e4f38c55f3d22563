#pragma once

#include <functional>
#include <memory>

class TFTPConnection;
class TFTPSession;
class TRunLog;

// Creates the upload session of one project in one run: configured for the connection, not
// connected yet. The session may write the connection's login state (LoggedIn,
// RememberPassword, Password) and asks for a password through the run log.
std::unique_ptr<TFTPSession> CreateFTPSession(TFTPConnection &connection, TRunLog &log);

// The function behind CreateFTPSession. Tests install one that hands out a fake session.
using TFTPSessionFactory =
    std::function<std::unique_ptr<TFTPSession>(TFTPConnection &connection, TRunLog &log)>;

// Installs a factory and returns the one it replaces; an empty factory restores the default.
TFTPSessionFactory SetFTPSessionFactory(TFTPSessionFactory factory);

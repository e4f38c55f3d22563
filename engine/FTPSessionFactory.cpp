#include "engine/FTPSessionFactory.h"

#include "ftp/FTPClient.h"
#include "ftp/FTPSession.h"
#include "settings/Exception.h"

#include <mutex>
#include <utility>

namespace {

// The session the program uses when nothing else is installed.
std::unique_ptr<TFTPSession> DefaultFTPSession(TFTPConnection &connection, TRunLog &log)
{
    return std::make_unique<TFTPClient>(connection, log);
}

std::mutex &factoryMutex()
{
    static std::mutex mutex;
    return mutex;
}

TFTPSessionFactory &installedFactory()
{
    static TFTPSessionFactory factory;
    return factory;
}

} // namespace

std::unique_ptr<TFTPSession> CreateFTPSession(TFTPConnection &connection, TRunLog &log)
{
    TFTPSessionFactory factory;
    {
        std::lock_guard<std::mutex> lock(factoryMutex());
        factory = installedFactory();
    }
    if (!factory)
        return DefaultFTPSession(connection, log);
    return factory(connection, log);
}

TFTPSessionFactory SetFTPSessionFactory(TFTPSessionFactory factory)
{
    std::lock_guard<std::mutex> lock(factoryMutex());
    return std::exchange(installedFactory(), std::move(factory));
}

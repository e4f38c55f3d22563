#include "ftp/FTPConnUnit.h"

#include "settings/Exception.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// TFTPConnection

TFTPConnection::TFTPConnection(const TFTPConnection *Conn)
{
    if (Conn)
        Assign(*Conn);
}

void TFTPConnection::Clear()
{
    *this = TFTPConnection();
}

void TFTPConnection::Assign(const TFTPConnection &Conn)
{
    if (this != &Conn)
        *this = Conn;
}

// ---------------------------------------------------------------------------------------------
// TFTPConnList

void TFTPConnList::Assign(const TFTPConnList &other)
{
    if (this == &other)
        return;
    std::vector<std::unique_ptr<TFTPConnection>> copies;
    copies.reserve(other.FList.size());
    for (const auto &c : other.FList)
        copies.push_back(std::make_unique<TFTPConnection>(*c));
    FList = std::move(copies);
}

TFTPConnection *TFTPConnList::GetConnection(int I) const
{
    if (I < 0 || I >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(I));
    return FList[static_cast<size_t>(I)].get();
}

int TFTPConnList::AddConnection(std::unique_ptr<TFTPConnection> Conn)
{
    if (!Conn)
        return -1;
    FList.push_back(std::move(Conn));
    return Count() - 1;
}

int TFTPConnList::ConnectionIndex(const TFTPConnection *Conn) const
{
    for (size_t i = 0; i < FList.size(); ++i)
        if (FList[i].get() == Conn)
            return static_cast<int>(i);
    return -1;
}

TFTPConnection *TFTPConnList::FindConnection(const QString &ConnName) const
{
    for (const auto &c : FList)
        if (c->ConnName() == ConnName)
            return c.get();
    return nullptr;
}

void TFTPConnList::RemoveConnection(TFTPConnection *Conn)
{
    int index = ConnectionIndex(Conn);
    if (index >= 0)
        FList.erase(FList.begin() + index);
}

bool TFTPConnList::ReplaceConnection(TFTPConnection *Conn, std::unique_ptr<TFTPConnection> &NewConn)
{
    int index = ConnectionIndex(Conn);
    if (index < 0 || !NewConn)
        return false;
    FList[static_cast<size_t>(index)] = std::move(NewConn); // destroys Conn
    return true;
}

void TFTPConnList::MoveConnection(TFTPConnection *Conn, TFTPConnection *ToConn)
{
    int from = ConnectionIndex(Conn);
    int to = ConnectionIndex(ToConn);
    if (from < 0 || to < 0 || from == to)
        return;
    auto first = FList.begin();
    if (from < to)
        std::rotate(first + from, first + from + 1, first + to + 1);
    else
        std::rotate(first + to, first + from, first + from + 1);
}

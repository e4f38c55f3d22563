#include "ftp/FTPConnUnit.h"

#include "settings/Exception.h"
#include "settings/NumberedKeys.h"
#include "settings/StringList.h"
#include "settings/uClasses.h"

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

// ---------------------------------------------------------------------------------------------
// Stored form: P + "ConnName", "Host", "Port", "UseTLS", "UserName", "Password", "AskPassword",
// "RememberPassword", "SimultaneousTransfers" (only when not 1, so that a file written before it
// existed reads and writes back the same); a list under Prefix + "N" and Prefix + "[i].".

namespace {

QString ConnPrefix(const QString &Prefix, int32_t number)
{
    return Prefix + QLatin1Char('[') + QString::number(number) + QLatin1String("].");
}

TIdUseTLS StoredUseTLS(int32_t code)
{
    switch (code) {
    case 1:
        return utUseImplicitTLS;
    case 2:
        return utUseRequireTLS;
    case 3:
        return utUseExplicitTLS;
    default:
        return utNoTLSSupport;
    }
}

} // namespace

bool TFTPConnection::LoadFromList(const TStringList &lst, const QString &P)
{
    const QString name = GetStringValue(lst, P + QLatin1String("ConnName"));
    if (name.isEmpty())
        return false;
    FConnName = name;
    FHost = GetStringValue(lst, P + QLatin1String("Host"));
    FPort = GetIntValueDef(lst, P + QLatin1String("Port"), 21);
    FUseTLS = StoredUseTLS(GetIntValueDef(lst, P + QLatin1String("UseTLS"), 0));
    FUserName = GetStringValue(lst, P + QLatin1String("UserName"));
    FPassword = GetStringValue(lst, P + QLatin1String("Password"));
    FAskPassword = GetStringValue(lst, P + QLatin1String("AskPassword")) == QLatin1String("1");
    FRememberPassword = GetStringValue(lst, P + QLatin1String("RememberPassword"))
                        == QLatin1String("1");
    SetSimultaneousTransfers(GetIntValueDef(lst, P + QLatin1String("SimultaneousTransfers"), 1));
    return true;
}

void TFTPConnection::SaveToList(TStringList &lst, const QString &P) const
{
    SetStringValue(lst, P + QLatin1String("ConnName"), FConnName);
    SetStringValue(lst, P + QLatin1String("Host"), FHost);
    SetIntValue(lst, P + QLatin1String("Port"), FPort);
    SetIntValue(lst, P + QLatin1String("UseTLS"), int32_t(FUseTLS));
    SetStringValue(lst, P + QLatin1String("UserName"), FUserName);
    SetStringValue(lst, P + QLatin1String("Password"), FPassword);
    SetBoolValue(lst, P + QLatin1String("AskPassword"), FAskPassword);
    SetBoolValue(lst, P + QLatin1String("RememberPassword"), FRememberPassword);
    SetStringValue(lst, P + QLatin1String("SimultaneousTransfers"),
                   FSimultaneousTransfers == 1 ? QString()
                                               : QString::number(FSimultaneousTransfers));
}

void TFTPConnList::LoadFromList(const TStringList &lst, const QString &Prefix)
{
    const int32_t count = GetIntValueDef(lst, Prefix + QLatin1Char('N'), 0);
    if (count <= 0)
        return;
    // Only numbers with a stored name can yield a connection, so a hand-edited count far above
    // the records present costs no more than the lines of the file.
    for (int32_t number :
         FindNumberedIndexes(lst, Prefix + QLatin1Char('['), QStringLiteral("].ConnName"), count)) {
        auto conn = std::make_unique<TFTPConnection>();
        if (conn->LoadFromList(lst, ConnPrefix(Prefix, number)))
            AddConnection(std::move(conn));
    }
}

void TFTPConnList::SaveToList(TStringList &lst, const QString &Prefix) const
{
    SetIntValue(lst, Prefix + QLatin1Char('N'), Count());
    for (int i = 0; i < Count(); ++i)
        FList[size_t(i)]->SaveToList(lst, ConnPrefix(Prefix, i + 1));
}

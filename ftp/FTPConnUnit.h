#pragma once

#include <QString>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

class TStringList;

// How a connection uses TLS. The number is the stored code and the item index of the
// dialog's "Encryption:" list.
enum TIdUseTLS : std::uint8_t {
    utNoTLSSupport = 0,   // plain FTP
    utUseImplicitTLS = 1, // TLS from the first byte of the connection
    utUseRequireTLS = 2,  // AUTH after the greeting; no login without TLS
    utUseExplicitTLS = 3, // AUTH after the greeting; plain text when the server offers no TLS
};

// A saved FTP connection: the server settings that copy projects refer to by name.
class TFTPConnection
{
public:
    TFTPConnection() = default;
    // A copy of Conn when it is given, else a cleared record.
    explicit TFTPConnection(const TFTPConnection *Conn);
    TFTPConnection(const TFTPConnection &other) = default;
    TFTPConnection &operator=(const TFTPConnection &other) = default;
    ~TFTPConnection() = default;

    // Every field to its initial value (port 21, no TLS, empty texts, false flags).
    void Clear();
    // Copies every field, LoggedIn included.
    void Assign(const TFTPConnection &Conn);

    // Reads the record from the keys P + name. Returns false and changes nothing when the
    // stored ConnName is empty or absent. LoggedIn is never stored and keeps its value.
    bool LoadFromList(const TStringList &lst, const QString &P);
    // Writes the record under the keys P + name; empty texts leave no line.
    void SaveToList(TStringList &lst, const QString &P) const;

    const QString &ConnName() const { return FConnName; }
    void SetConnName(const QString &value) { FConnName = value; }
    const QString &Host() const { return FHost; }
    void SetHost(const QString &value) { FHost = value; }
    // The session connects to the low 16 bits of this number.
    std::int32_t Port() const { return FPort; }
    void SetPort(std::int32_t value) { FPort = value; }
    TIdUseTLS UseTLS() const { return FUseTLS; }
    void SetUseTLS(TIdUseTLS value) { FUseTLS = value; }
    const QString &UserName() const { return FUserName; }
    void SetUserName(const QString &value) { FUserName = value; }
    // Kept and stored as plain text.
    const QString &Password() const { return FPassword; }
    void SetPassword(const QString &value) { FPassword = value; }
    bool AskPassword() const { return FAskPassword; }
    void SetAskPassword(bool value) { FAskPassword = value; }
    bool RememberPassword() const { return FRememberPassword; }
    void SetRememberPassword(bool value) { FRememberPassword = value; }
    // How many uploads go at once, each over a connection of its own: 1 to 10.
    int SimultaneousTransfers() const { return FSimultaneousTransfers; }
    void SetSimultaneousTransfers(int value)
    {
        FSimultaneousTransfers = std::clamp(value, 1, kMaxSimultaneousTransfers);
    }
    static constexpr int kMaxSimultaneousTransfers = 10;
    // The last login made with this record in this program run was accepted.
    bool LoggedIn() const { return FLoggedIn; }
    void SetLoggedIn(bool value) { FLoggedIn = value; }

private:
    QString FConnName;
    QString FHost;
    std::int32_t FPort = 21;
    TIdUseTLS FUseTLS = utNoTLSSupport;
    QString FUserName;
    QString FPassword;
    bool FAskPassword = false;
    bool FRememberPassword = false;
    bool FLoggedIn = false;
    int FSimultaneousTransfers = 1;
};

// The program's saved connections, in order; the list owns them. Removing or replacing an
// entry destroys it. Names are kept unique by the connections dialog, not here.
class TFTPConnList
{
public:
    TFTPConnList() = default;
    ~TFTPConnList() = default;
    TFTPConnList(const TFTPConnList &) = delete;
    TFTPConnList &operator=(const TFTPConnList &) = delete;

    // Replaces the contents with copies of other's connections (a run's private copy).
    void Assign(const TFTPConnList &other);

    int Count() const { return static_cast<int>(FList.size()); }
    // Raises EListError "List index out of bounds (%d)" outside 0..Count-1.
    TFTPConnection *GetConnection(int I) const;

    // Appends (taking ownership); returns the index, or -1 and nothing added for none.
    int AddConnection(std::unique_ptr<TFTPConnection> Conn);
    // Position of that very object, -1 when it is not in the list.
    int ConnectionIndex(const TFTPConnection *Conn) const;
    // The first connection, in list order, whose name equals ConnName exactly (case counts).
    TFTPConnection *FindConnection(const QString &ConnName) const;
    // Takes Conn out and destroys it; nothing when it is not in the list.
    void RemoveConnection(TFTPConnection *Conn);
    // Puts NewConn at Conn's position and destroys Conn. Returns false, and leaves NewConn with
    // the caller, when Conn is not in the list.
    bool ReplaceConnection(TFTPConnection *Conn, std::unique_ptr<TFTPConnection> &NewConn);
    // Moves Conn to the position ToConn holds now; the entries between shift by one.
    void MoveConnection(TFTPConnection *Conn, TFTPConnection *ToConn);

    // Appends the connections stored under Prefix (Prefix + "N", Prefix + "[i]." ...).
    void LoadFromList(const TStringList &lst, const QString &Prefix);
    // Writes the count and every connection, numbered from 1 in list order.
    void SaveToList(TStringList &lst, const QString &Prefix) const;

private:
    std::vector<std::unique_ptr<TFTPConnection>> FList;
};

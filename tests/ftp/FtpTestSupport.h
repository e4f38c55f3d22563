#pragma once

#include "ftp/FTPConnUnit.h"
#include "ftp/IdFTP.h"
#include "projects/CopyProjectUnit.h"
#include "support/ScopedTimeZone.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <memory>
#include <ostream>

// Readable values in test failure messages.
void PrintTo(const QString &text, std::ostream *out);
void PrintTo(const QStringList &list, std::ostream *out);

// A protocol client set up for a test server on 127.0.0.1 with the user "user" and the
// password "secret", passive, with a short reply time-out so a broken test cannot hang.
std::unique_ptr<TIdFTP> MakeTestClient(quint16 port, TIdUseTLS mode = utNoTLSSupport,
                                       TIdSSLIOHandlerSocketOpenSSL *tls = nullptr);

// A saved connection to a test server on 127.0.0.1, plain FTP unless set otherwise.
std::unique_ptr<TFTPConnection> TestConnection(const QString &name, quint16 port,
                                               const QString &user = QStringLiteral("user"),
                                               const QString &password = QStringLiteral("secret"));

// The project "Site" that uploads the files of SourceFolder matching Pattern (in sub-folders
// too when it has "**") through the saved connection "Test server".
TCopyProject UploadProject(const QString &SourceFolder, const QString &Pattern,
                           TOverwriteFile Overwrite,
                           const QString &OutputFolder = QStringLiteral("{OutDir}/{ProjectName}"));

// The message of the Error that call raises; "<no error>", or what else it raised.
template <typename Error, typename Call>
QString MessageOf(Call call)
{
    try {
        call();
    } catch (const Error &error) {
        return error.Message();
    } catch (const std::exception &error) {
        return QStringLiteral("other error: ") + QString::fromUtf8(error.what());
    }
    return QStringLiteral("<no error>");
}

// Why nothing can listen on ::1 here (a machine without IPv6), or empty when it can.
QString Ipv6LoopbackProblem();

// Command or reply lines written as C strings.
QStringList Lines(std::initializer_list<const char *> lines);

// The commands after the login (which ends with SYST).
QStringList CommandsAfterLogin(const QStringList &commands);

// Bytes of every value 0-255 in a repeating, position-dependent pattern (line ends included),
// so that any rewriting of the data shows.
QByteArray BinaryPayload(int size);
// A file's bytes, or "<missing>" when it cannot be read.
QByteArray ReadFile(const QString &path);

#pragma once

// Where the control connection stands, from the first connect to the end of the login
// sequence. TIdFTP::SetState is the only place that changes it; every change is traced under
// the logging category "rovanel.ftp.state" (off unless enabled, e.g. by QT_LOGGING_RULES).
enum class TIdFTPState {
    Closed,       // no connection
    Connecting,   // TCP connection being made
    TlsHandshake, // TLS handshake on the control connection (implicit, or after AUTH)
    Greeting,     // waiting for the server's 220
    Host,         // HOST sent (RFC 7151)
    Auth,         // AUTH sent (RFC 4217)
    Login,        // USER and PASS
    Features,     // FEAT (RFC 2389), then CLNT where listed
    Setup,        // TYPE, SYST and SITE ZONE before the first command of the caller
    LoggedIn,     // ready for commands; keep last
};

inline constexpr int kIdFTPStateCount = int(TIdFTPState::LoggedIn) + 1;

// The state's name for traces, e.g. "LoggedIn".
const char *StateName(TIdFTPState state);

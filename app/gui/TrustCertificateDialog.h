#pragma once

#include "runlog/CertificateInfo.h"

#include <QDialog>

class QLabel;
class QPushButton;

// Asks whether to trust a server certificate met for the first time: where it was offered,
// why it is not trusted already, subject, issuer, validity and SHA-256 fingerprint, with the
// buttons "Trust" and "Cancel" (the default, as is Esc).
class TTrustCertificateDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TTrustCertificateDialog(const TCertificateInfo &Info, QWidget *Parent = nullptr);

    QLabel *AddressLabel;
    QLabel *ReasonLabel;
    QLabel *SubjectLabel;
    QLabel *IssuerLabel;
    QLabel *NotBeforeLabel;
    QLabel *NotAfterLabel;
    QLabel *FingerprintLabel;
    QPushButton *TrustButton;
    QPushButton *CancelButton;
};

// Shows the dialog modally; true when the user chose "Trust".
bool AskTrustCertificate(QWidget *Parent, const TCertificateInfo &Info);

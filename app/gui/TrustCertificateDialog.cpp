#include "app/gui/TrustCertificateDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString TimeText(const QDateTime &Time)
{
    return Time.isValid() ? Time.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'"))
                          : QStringLiteral("(unknown)");
}

QLabel *ValueLabel(const QString &Text, QWidget *Parent)
{
    auto *label = new QLabel(Text, Parent);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

} // namespace

TTrustCertificateDialog::TTrustCertificateDialog(const TCertificateInfo &Info, QWidget *Parent)
    : QDialog(Parent)
{
    setWindowTitle(QStringLiteral("Server Certificate"));
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(
        QStringLiteral("The certificate of %1 is not vouched for by a trusted authority. "
                       "Trust it only if its fingerprint is the one the server's owner gave "
                       "you. Once trusted, it is recorded, and a different certificate for "
                       "this server will be refused.")
            .arg(Info.Address),
        this);
    intro->setTextFormat(Qt::PlainText);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto *form = new QFormLayout;
    AddressLabel = ValueLabel(Info.Address, this);
    ReasonLabel = ValueLabel(Info.Reason, this);
    SubjectLabel = ValueLabel(Info.Subject, this);
    IssuerLabel = ValueLabel(Info.Issuer, this);
    NotBeforeLabel = ValueLabel(TimeText(Info.NotBefore), this);
    NotAfterLabel = ValueLabel(TimeText(Info.NotAfter), this);
    FingerprintLabel = ValueLabel(Info.Fingerprint, this);
    FingerprintLabel->setFont(QFont(QStringLiteral("monospace")));
    form->addRow(QStringLiteral("Server:"), AddressLabel);
    form->addRow(QStringLiteral("Not trusted because:"), ReasonLabel);
    form->addRow(QStringLiteral("Subject:"), SubjectLabel);
    form->addRow(QStringLiteral("Issuer:"), IssuerLabel);
    form->addRow(QStringLiteral("Not before:"), NotBeforeLabel);
    form->addRow(QStringLiteral("Not after:"), NotAfterLabel);
    form->addRow(QStringLiteral("SHA-256 fingerprint:"), FingerprintLabel);
    layout->addLayout(form);

    auto *buttons = new QDialogButtonBox(this);
    TrustButton = buttons->addButton(QStringLiteral("Trust"), QDialogButtonBox::AcceptRole);
    CancelButton = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    // Enter alone must not trust a certificate.
    TrustButton->setAutoDefault(false);
    CancelButton->setDefault(true);
    CancelButton->setFocus();
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

bool AskTrustCertificate(QWidget *Parent, const TCertificateInfo &Info)
{
    TTrustCertificateDialog dialog(Info, Parent);
    return dialog.exec() == QDialog::Accepted;
}

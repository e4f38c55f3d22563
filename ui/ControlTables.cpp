// Control tables and radio-button groups, built on SaveControl / LoadControl.
#include "settings/uAppSettings.h"
#include "settings/uClasses.h"
#include "ui/ControlState.h"

#include <QRadioButton>

#include <memory>

void SaveControls(TAppSettings &Settings, const std::vector<TCtrlRec> &Controls)
{
    SaveControls(Settings, static_cast<TDCP_cipher *>(nullptr), Controls);
}

void SaveControls(TAppSettings &Settings, TDCP_cipher *Cipher,
                  const std::vector<TCtrlRec> &Controls)
{
    for (const TCtrlRec &rec : Controls) {
        if (rec.Ctrl)
            SaveControl(Settings, rec.SName, rec.Ctrl,
                        rec.StoreOptions.testFlag(csoEncrypted) ? Cipher : nullptr);
    }
}

void SaveControls(TAppSettings &Settings, const QByteArray &EncryptCipherStr,
                  const std::vector<TCtrlRec> &Controls)
{
    // Freeing the cipher burns it, on an error as well.
    const std::unique_ptr<TDCP_cipher> cipher = TAppSettings::MakeCipher(EncryptCipherStr);
    SaveControls(Settings, cipher.get(), Controls);
    cipher->Burn();
}

void LoadControls(TAppSettings &Settings, const std::vector<TCtrlRec> &Controls)
{
    LoadControls(Settings, static_cast<TDCP_cipher *>(nullptr), Controls);
}

void LoadControls(TAppSettings &Settings, TDCP_cipher *Cipher,
                  const std::vector<TCtrlRec> &Controls)
{
    for (const TCtrlRec &rec : Controls) {
        if (rec.Ctrl)
            LoadControl(Settings, rec.SName, rec.Ctrl,
                        rec.StoreOptions.testFlag(csoEncrypted) ? Cipher : nullptr);
    }
}

void LoadControls(TAppSettings &Settings, const QByteArray &EncryptCipherStr,
                  const std::vector<TCtrlRec> &Controls)
{
    const std::unique_ptr<TDCP_cipher> cipher = TAppSettings::MakeCipher(EncryptCipherStr);
    LoadControls(Settings, cipher.get(), Controls);
    cipher->Burn();
}

void SaveRadioButtons(TAppSettings &Settings, const std::vector<QRadioButton *> &Buttons,
                      const QString &SName, bool ByButtonIndex)
{
    for (size_t i = 0; i < Buttons.size(); ++i) {
        QRadioButton *button = Buttons[i];
        if (!button || !button->isChecked())
            continue;
        if (ByButtonIndex)
            SetIntValue(Settings.Strings(), SName, int32_t(i));
        else
            SetStringValue(Settings.Strings(), SName, button->text());
        return;
    }
}

void LoadRadioButtons(TAppSettings &Settings, const std::vector<QRadioButton *> &Buttons,
                      const QString &SName, bool ByButtonIndex)
{
    // A missing line leaves the group as it is (an uncaptioned button must not match it).
    QString value;
    if (!TryGetStringValue(Settings.Strings(), SName, value))
        return;
    for (size_t i = 0; i < Buttons.size(); ++i) {
        QRadioButton *button = Buttons[i];
        if (!button)
            continue;
        const QString key = ByButtonIndex ? QString::number(i) : button->text();
        if (key == value) {
            button->setChecked(true);
            return;
        }
    }
}

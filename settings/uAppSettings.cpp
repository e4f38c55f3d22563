#include "settings/uAppSettings.h"

#include "settings/NumberedKeys.h"
#include "settings/SettingsFile.h"
#include "settings/uClasses.h"

#include <QRandomGenerator>

#include <algorithm>

namespace {
constexpr uint32_t kBucketsSize = 256;
constexpr int kSaltSize = 8;
// Entries past the last stored line of a numbered list are empty and leave no line, so a count
// alone cannot say how many there are. A count far above the lines present is not honoured
// beyond this many trailing empty entries (memory, not the file, would bound it otherwise).
constexpr int32_t kMaxTrailingEmptyEntries = 65536;
} // namespace

TAppSettings::TAppSettings() : FStrings(std::make_unique<TVHashedStringList>(kBucketsSize))
{}

TAppSettings::~TAppSettings() = default;

void TAppSettings::LoadFromFile(const QString &AFileName)
{
    FStrings->LoadFromFile(AFileName);
}

void TAppSettings::SaveToFile(const QString &AFileName) const
{
    FStrings->SaveToFile(AFileName);
}

QString TAppSettings::ExpandPropertyName(const QString &Name, const QString &PropName) const
{
    if (Name.isEmpty())
        return PropName;
    return Name + FPropertyDelimiter + PropName;
}

QString TAppSettings::ExpandPropertyName(const QString &Name, int32_t Index,
                                         const QString &PropName) const
{
    if (Index < 0)
        return ExpandPropertyName(Name, PropName);
    return ExpandPropertyName(Name, PropName + QString::number(Index));
}

// Each typed property forms its line name and hands over to the list helper of the same kind.
#define RV_NAME ExpandPropertyName(Name, PropName)
#define RV_INAME ExpandPropertyName(Name, Index, PropName)

bool TAppSettings::PropertyExists(const QString &Name, const QString &PropName) const
{
    return ValueExists(*FStrings, RV_NAME);
}
bool TAppSettings::PropertyExists(const QString &Name, int32_t Index, const QString &PropName) const
{
    return ValueExists(*FStrings, RV_INAME);
}
QString TAppSettings::GetStringProperty(const QString &Name, const QString &PropName) const
{
    return GetStringValue(*FStrings, RV_NAME);
}
QString TAppSettings::GetStringProperty(const QString &Name, int32_t Index,
                                        const QString &PropName) const
{
    return GetStringValue(*FStrings, RV_INAME);
}
void TAppSettings::SetStringProperty(const QString &Name, const QString &PropName,
                                     const QString &Value)
{
    SetStringValue(*FStrings, RV_NAME, Value);
}
void TAppSettings::SetStringProperty(const QString &Name, int32_t Index, const QString &PropName,
                                     const QString &Value)
{
    SetStringValue(*FStrings, RV_INAME, Value);
}

bool TAppSettings::TryGetBoolProperty(const QString &Name, const QString &PropName,
                                      bool &Value) const
{
    return TryGetBoolValue(*FStrings, RV_NAME, Value);
}
bool TAppSettings::TryGetBoolProperty(const QString &Name, int32_t Index, const QString &PropName,
                                      bool &Value) const
{
    return TryGetBoolValue(*FStrings, RV_INAME, Value);
}
bool TAppSettings::GetBoolPropertyDef(const QString &Name, const QString &PropName,
                                      bool DefValue) const
{
    return GetBoolValueDef(*FStrings, RV_NAME, DefValue);
}
bool TAppSettings::GetBoolPropertyDef(const QString &Name, int32_t Index, const QString &PropName,
                                      bool DefValue) const
{
    return GetBoolValueDef(*FStrings, RV_INAME, DefValue);
}
void TAppSettings::SetBoolProperty(const QString &Name, const QString &PropName, bool Value)
{
    SetBoolValue(*FStrings, RV_NAME, Value);
}
void TAppSettings::SetBoolProperty(const QString &Name, int32_t Index, const QString &PropName,
                                   bool Value)
{
    SetBoolValue(*FStrings, RV_INAME, Value);
}

bool TAppSettings::TryGetIntProperty(const QString &Name, const QString &PropName, int32_t &Value,
                                     int32_t MinValue, int32_t MaxValue) const
{
    return TryGetIntValue(*FStrings, RV_NAME, Value, MinValue, MaxValue);
}
bool TAppSettings::TryGetIntProperty(const QString &Name, int32_t Index, const QString &PropName,
                                     int32_t &Value, int32_t MinValue, int32_t MaxValue) const
{
    return TryGetIntValue(*FStrings, RV_INAME, Value, MinValue, MaxValue);
}
int32_t TAppSettings::GetIntPropertyDef(const QString &Name, const QString &PropName,
                                        int32_t DefValue) const
{
    return GetIntValueDef(*FStrings, RV_NAME, DefValue);
}
int32_t TAppSettings::GetIntPropertyDef(const QString &Name, int32_t Index, const QString &PropName,
                                        int32_t DefValue) const
{
    return GetIntValueDef(*FStrings, RV_INAME, DefValue);
}
void TAppSettings::SetIntProperty(const QString &Name, const QString &PropName, int32_t Value)
{
    SetIntValue(*FStrings, RV_NAME, Value);
}
void TAppSettings::SetIntProperty(const QString &Name, int32_t Index, const QString &PropName,
                                  int32_t Value)
{
    SetIntValue(*FStrings, RV_INAME, Value);
}

bool TAppSettings::TryGetInt64Property(const QString &Name, const QString &PropName, int64_t &Value,
                                       int64_t MinValue, int64_t MaxValue) const
{
    return TryGetInt64Value(*FStrings, RV_NAME, Value, MinValue, MaxValue);
}
bool TAppSettings::TryGetInt64Property(const QString &Name, int32_t Index, const QString &PropName,
                                       int64_t &Value, int64_t MinValue, int64_t MaxValue) const
{
    return TryGetInt64Value(*FStrings, RV_INAME, Value, MinValue, MaxValue);
}
int64_t TAppSettings::GetInt64PropertyDef(const QString &Name, const QString &PropName,
                                          int64_t DefValue) const
{
    return GetInt64ValueDef(*FStrings, RV_NAME, DefValue);
}
int64_t TAppSettings::GetInt64PropertyDef(const QString &Name, int32_t Index,
                                          const QString &PropName, int64_t DefValue) const
{
    return GetInt64ValueDef(*FStrings, RV_INAME, DefValue);
}
void TAppSettings::SetInt64Property(const QString &Name, const QString &PropName, int64_t Value)
{
    SetInt64Value(*FStrings, RV_NAME, Value);
}
void TAppSettings::SetInt64Property(const QString &Name, int32_t Index, const QString &PropName,
                                    int64_t Value)
{
    SetInt64Value(*FStrings, RV_INAME, Value);
}

bool TAppSettings::TryGetDateTimeProperty(const QString &Name, const QString &PropName,
                                          TDateTime &Value) const
{
    return TryGetDateTimeValue(*FStrings, RV_NAME, Value);
}
bool TAppSettings::TryGetDateTimeProperty(const QString &Name, int32_t Index,
                                          const QString &PropName, TDateTime &Value) const
{
    return TryGetDateTimeValue(*FStrings, RV_INAME, Value);
}
TDateTime TAppSettings::GetDateTimePropertyDef(const QString &Name, const QString &PropName,
                                               TDateTime DefValue) const
{
    return GetDateTimeValueDef(*FStrings, RV_NAME, DefValue);
}
TDateTime TAppSettings::GetDateTimePropertyDef(const QString &Name, int32_t Index,
                                               const QString &PropName, TDateTime DefValue) const
{
    return GetDateTimeValueDef(*FStrings, RV_INAME, DefValue);
}
void TAppSettings::SetDateTimeProperty(const QString &Name, const QString &PropName,
                                       TDateTime Value)
{
    SetDateTimeValue(*FStrings, RV_NAME, Value);
}
void TAppSettings::SetDateTimeProperty(const QString &Name, int32_t Index, const QString &PropName,
                                       TDateTime Value)
{
    SetDateTimeValue(*FStrings, RV_INAME, Value);
}

bool TAppSettings::TryDecodeDateProperty(const QString &Name, const QString &PropName,
                                         TDateTime &Value) const
{
    return TryDecodeDateValue(*FStrings, RV_NAME, Value);
}
bool TAppSettings::TryDecodeDateProperty(const QString &Name, int32_t Index,
                                         const QString &PropName, TDateTime &Value) const
{
    return TryDecodeDateValue(*FStrings, RV_INAME, Value);
}
TDateTime TAppSettings::DecodeDatePropertyDef(const QString &Name, const QString &PropName,
                                              TDateTime DefValue) const
{
    return DecodeDateValueDef(*FStrings, RV_NAME, DefValue);
}
TDateTime TAppSettings::DecodeDatePropertyDef(const QString &Name, int32_t Index,
                                              const QString &PropName, TDateTime DefValue) const
{
    return DecodeDateValueDef(*FStrings, RV_INAME, DefValue);
}
void TAppSettings::EncodeDateProperty(const QString &Name, const QString &PropName, TDateTime Value)
{
    EncodeDateValue(*FStrings, RV_NAME, Value);
}
void TAppSettings::EncodeDateProperty(const QString &Name, int32_t Index, const QString &PropName,
                                      TDateTime Value)
{
    EncodeDateValue(*FStrings, RV_INAME, Value);
}

bool TAppSettings::TryDecodeTimeProperty(const QString &Name, const QString &PropName,
                                         TDateTime &Value) const
{
    return TryDecodeTimeValue(*FStrings, RV_NAME, Value);
}
bool TAppSettings::TryDecodeTimeProperty(const QString &Name, int32_t Index,
                                         const QString &PropName, TDateTime &Value) const
{
    return TryDecodeTimeValue(*FStrings, RV_INAME, Value);
}
TDateTime TAppSettings::DecodeTimePropertyDef(const QString &Name, const QString &PropName,
                                              TDateTime DefValue) const
{
    return DecodeTimeValueDef(*FStrings, RV_NAME, DefValue);
}
TDateTime TAppSettings::DecodeTimePropertyDef(const QString &Name, int32_t Index,
                                              const QString &PropName, TDateTime DefValue) const
{
    return DecodeTimeValueDef(*FStrings, RV_INAME, DefValue);
}
void TAppSettings::EncodeTimeProperty(const QString &Name, const QString &PropName, TDateTime Value)
{
    EncodeTimeValue(*FStrings, RV_NAME, Value);
}
void TAppSettings::EncodeTimeProperty(const QString &Name, int32_t Index, const QString &PropName,
                                      TDateTime Value)
{
    EncodeTimeValue(*FStrings, RV_INAME, Value);
}

#undef RV_NAME
#undef RV_INAME

int32_t TAppSettings::GetItemCount(const QString &Name) const
{
    return GetIntValueDef(*FStrings, Name + QLatin1Char('N'), -1);
}

void TAppSettings::SetItemCount(const QString &Name, int32_t Value)
{
    SetIntValue(*FStrings, Name + QLatin1Char('N'), Value);
}

void TAppSettings::SaveStrings(const QStringList &AStrings, const QString &SName,
                               const QString &AItem, const QString &ASubItem, bool ANonEmpty)
{
    int32_t k = 0;
    for (const QString &line : AStrings) {
        if (ANonEmpty && line.isEmpty())
            continue;
        ++k;
        SetStringValue(*FStrings, SName + AItem + QString::number(k) + ASubItem, line);
    }
    SetItemCount(SName, k);
}

void TAppSettings::SaveStrings(const TStringList &AStrings, const QString &SName,
                               const QString &AItem, const QString &ASubItem, bool ANonEmpty)
{
    SaveStrings(AStrings.ToStringList(), SName, AItem, ASubItem, ANonEmpty);
}

bool TAppSettings::LoadStrings(QStringList &AStrings, const QString &SName, const QString &AItem,
                               const QString &ASubItem, bool ANonEmpty) const
{
    const int32_t n = GetItemCount(SName);
    if (n < 0)
        return false;
    auto entry = [&](int32_t k) {
        return GetStringValue(*FStrings, SName + AItem + QString::number(k) + ASubItem);
    };
    // A count no larger than the list itself: walk every number, one lookup each.
    if (n <= FStrings->Count()) {
        for (int32_t k = 1; k <= n; ++k) {
            const QString v = entry(k);
            if (!ANonEmpty || !v.isEmpty())
                AStrings.append(v);
        }
        return true;
    }
    // A larger count cannot have a line for every number: find the numbers that have one in a
    // single pass over the lines, instead of looking up every k up to n.
    const std::vector<int32_t> present = FindNumberedIndexes(*FStrings, SName + AItem, ASubItem, n);
    if (ANonEmpty) {
        for (int32_t k : present) {
            const QString v = entry(k);
            if (!v.isEmpty())
                AStrings.append(v);
        }
        return true;
    }
    const int32_t last = present.empty() ? 0 : present.back();
    const int32_t limit = int32_t(std::min<int64_t>(
        n, int64_t(std::max(last, int32_t(FStrings->Count()))) + kMaxTrailingEmptyEntries));
    auto next = present.begin();
    for (int32_t k = 1; k <= limit; ++k) {
        if (next != present.end() && *next == k) {
            AStrings.append(entry(k));
            ++next;
        } else {
            AStrings.append(QString());
        }
    }
    return true;
}

bool TAppSettings::LoadStrings(TStringList &AStrings, const QString &SName, const QString &AItem,
                               const QString &ASubItem, bool ANonEmpty) const
{
    QStringList lines;
    const bool result = LoadStrings(lines, SName, AItem, ASubItem, ANonEmpty);
    AStrings.AddStrings(lines);
    return result;
}

void TAppSettings::SaveTextSetting(const QString &SName, const QString &SValue,
                                   const QString &AItem, const QString &ASubItem, bool ANonEmpty)
{
    SaveStrings(SplitSettingsText(SValue), SName, AItem, ASubItem, ANonEmpty);
}

QString TAppSettings::LoadTextSetting(const QString &SName, const QString &AItem,
                                      const QString &ASubItem, bool ANonEmpty) const
{
    QString text;
    TryLoadTextSetting(SName, text, AItem, ASubItem, ANonEmpty);
    return text;
}

bool TAppSettings::TryLoadTextSetting(const QString &SName, QString &Text, const QString &AItem,
                                      const QString &ASubItem, bool ANonEmpty) const
{
    QStringList lines;
    if (!LoadStrings(lines, SName, AItem, ASubItem, ANonEmpty))
        return false;
    QString text;
    for (const QString &line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    Text = text;
    return true;
}

QByteArray TAppSettings::EncryptValue(const QByteArray &AValue, TDCP_cipher &Cipher)
{
    QByteArray salt(kSaltSize, Qt::Uninitialized);
    QRandomGenerator *rng = QRandomGenerator::system();
    for (int i = 0; i < kSaltSize; ++i)
        salt[i] = char(rng->bounded(255) + 1);
    return EncryptValue(AValue, Cipher, salt);
}

QByteArray TAppSettings::EncryptValue(const QByteArray &AValue, TDCP_cipher &Cipher,
                                      const QByteArray &Salt)
{
    Cipher.Reset();
    return QByteArray(":$") + Cipher.EncryptString(Salt + AValue);
}

QByteArray TAppSettings::DecryptValue(const QByteArray &AValue, TDCP_cipher &Cipher)
{
    if (AValue.isEmpty() || AValue[0] != ':')
        return AValue;
    Cipher.Reset();
    if (AValue.size() >= 2 && AValue[1] == '$') {
        const QByteArray plain = Cipher.DecryptString(AValue.mid(2));
        return plain.size() <= kSaltSize ? QByteArray() : plain.mid(kSaltSize);
    }
    return Cipher.DecryptString(AValue.mid(1));
}

std::unique_ptr<TDCP_cipher> TAppSettings::MakeCipher(const QByteArray &Passphrase)
{
    auto cipher = std::make_unique<TDCP_twofish>();
    cipher->InitStr(Passphrase);
    return cipher;
}

QString TAppSettings::GetAppDataDir(const QString &SubFolder, const QString &ConfigFiles)
{
    return ::GetAppDataDir(SubFolder, ConfigFiles);
}

QString TAppSettings::GetAppConfigPath(const QString &DefAppConfigFile, const QString &AppDataDir)
{
    return ::GetAppConfigPath(DefAppConfigFile, AppDataDir);
}

void TAppSettings::SetDefAppSettingsDir(TSettingsDirMode Value)
{
    ::SetDefAppSettingsDir(Value);
}

#pragma once

#include "settings/DateTime.h"
#include "settings/SettingsLocation.h"
#include "settings/StringList.h"
#include "settings/VHashedStringList.h"
#include "settings/ValueCipher.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

// The settings store: a name=value list loaded from and saved to one UTF-8 file, typed
// properties addressed by stem + optional index + property name, numbered lists of texts, the
// file's location rules (SettingsLocation.h) and enciphered values.
//
// Control-state persistence builds on this class from the widgets layer through Strings() and
// the public operations below.
//
// The typed property operations are more than the two programs call today: they are kept whole
// because stored settings files and the window-state code address values through this API.
class TAppSettings
{
public:
    TAppSettings();
    ~TAppSettings();

    TAppSettings(const TAppSettings &) = delete;
    TAppSettings &operator=(const TAppSettings &) = delete;

    // Replaces the list's contents with the file's lines; raises EFOpenError (the list then keeps
    // its contents).
    void LoadFromFile(const QString &AFileName);
    // Writes the lines (byte-order mark, CR LF); raises EFCreateError.
    void SaveToFile(const QString &AFileName) const;

    TStringList &Strings() { return *FStrings; }
    const TStringList &Strings() const { return *FStrings; }

    QString PropertyDelimiter() const { return FPropertyDelimiter; }
    void SetPropertyDelimiter(const QString &Value) { FPropertyDelimiter = Value; }

    // Name + PropertyDelimiter + PropName, or PropName alone when Name is empty; a non-negative
    // Index is appended to PropName first.
    QString ExpandPropertyName(const QString &Name, const QString &PropName) const;
    QString ExpandPropertyName(const QString &Name, int32_t Index, const QString &PropName) const;

    bool PropertyExists(const QString &Name, const QString &PropName) const;
    bool PropertyExists(const QString &Name, int32_t Index, const QString &PropName) const;
    QString GetStringProperty(const QString &Name, const QString &PropName) const;
    QString GetStringProperty(const QString &Name, int32_t Index, const QString &PropName) const;
    void SetStringProperty(const QString &Name, const QString &PropName, const QString &Value);
    void SetStringProperty(const QString &Name, int32_t Index, const QString &PropName,
                           const QString &Value);

    bool TryGetBoolProperty(const QString &Name, const QString &PropName, bool &Value) const;
    bool TryGetBoolProperty(const QString &Name, int32_t Index, const QString &PropName,
                            bool &Value) const;
    bool GetBoolPropertyDef(const QString &Name, const QString &PropName, bool DefValue) const;
    bool GetBoolPropertyDef(const QString &Name, int32_t Index, const QString &PropName,
                            bool DefValue) const;
    void SetBoolProperty(const QString &Name, const QString &PropName, bool Value);
    void SetBoolProperty(const QString &Name, int32_t Index, const QString &PropName, bool Value);

    bool TryGetIntProperty(const QString &Name, const QString &PropName, int32_t &Value,
                           int32_t MinValue, int32_t MaxValue) const;
    bool TryGetIntProperty(const QString &Name, int32_t Index, const QString &PropName,
                           int32_t &Value, int32_t MinValue, int32_t MaxValue) const;
    int32_t GetIntPropertyDef(const QString &Name, const QString &PropName, int32_t DefValue) const;
    int32_t GetIntPropertyDef(const QString &Name, int32_t Index, const QString &PropName,
                              int32_t DefValue) const;
    void SetIntProperty(const QString &Name, const QString &PropName, int32_t Value);
    void SetIntProperty(const QString &Name, int32_t Index, const QString &PropName, int32_t Value);

    bool TryGetInt64Property(const QString &Name, const QString &PropName, int64_t &Value,
                             int64_t MinValue, int64_t MaxValue) const;
    bool TryGetInt64Property(const QString &Name, int32_t Index, const QString &PropName,
                             int64_t &Value, int64_t MinValue, int64_t MaxValue) const;
    int64_t GetInt64PropertyDef(const QString &Name, const QString &PropName,
                                int64_t DefValue) const;
    int64_t GetInt64PropertyDef(const QString &Name, int32_t Index, const QString &PropName,
                                int64_t DefValue) const;
    void SetInt64Property(const QString &Name, const QString &PropName, int64_t Value);
    void SetInt64Property(const QString &Name, int32_t Index, const QString &PropName,
                          int64_t Value);

    bool TryGetDateTimeProperty(const QString &Name, const QString &PropName,
                                TDateTime &Value) const;
    bool TryGetDateTimeProperty(const QString &Name, int32_t Index, const QString &PropName,
                                TDateTime &Value) const;
    TDateTime GetDateTimePropertyDef(const QString &Name, const QString &PropName,
                                     TDateTime DefValue) const;
    TDateTime GetDateTimePropertyDef(const QString &Name, int32_t Index, const QString &PropName,
                                     TDateTime DefValue) const;
    void SetDateTimeProperty(const QString &Name, const QString &PropName, TDateTime Value);
    void SetDateTimeProperty(const QString &Name, int32_t Index, const QString &PropName,
                             TDateTime Value);

    bool TryDecodeDateProperty(const QString &Name, const QString &PropName,
                               TDateTime &Value) const;
    bool TryDecodeDateProperty(const QString &Name, int32_t Index, const QString &PropName,
                               TDateTime &Value) const;
    TDateTime DecodeDatePropertyDef(const QString &Name, const QString &PropName,
                                    TDateTime DefValue) const;
    TDateTime DecodeDatePropertyDef(const QString &Name, int32_t Index, const QString &PropName,
                                    TDateTime DefValue) const;
    void EncodeDateProperty(const QString &Name, const QString &PropName, TDateTime Value);
    void EncodeDateProperty(const QString &Name, int32_t Index, const QString &PropName,
                            TDateTime Value);

    bool TryDecodeTimeProperty(const QString &Name, const QString &PropName,
                               TDateTime &Value) const;
    bool TryDecodeTimeProperty(const QString &Name, int32_t Index, const QString &PropName,
                               TDateTime &Value) const;
    TDateTime DecodeTimePropertyDef(const QString &Name, const QString &PropName,
                                    TDateTime DefValue) const;
    TDateTime DecodeTimePropertyDef(const QString &Name, int32_t Index, const QString &PropName,
                                    TDateTime DefValue) const;
    void EncodeTimeProperty(const QString &Name, const QString &PropName, TDateTime Value);
    void EncodeTimeProperty(const QString &Name, int32_t Index, const QString &PropName,
                            TDateTime Value);

    // Count line Name + "N": its integer, -1 when absent or not an integer.
    int32_t GetItemCount(const QString &Name) const;
    void SetItemCount(const QString &Name, int32_t Value);

    // Numbered list under SName: entry k (from 1) on the line SName + AItem + k + ASubItem, the
    // count on SName + "N". With ANonEmpty, empty entries are left out (not counted); otherwise
    // they are counted and, being empty, leave no line.
    void SaveStrings(const QStringList &AStrings, const QString &SName,
                     const QString &AItem = QString(), const QString &ASubItem = QString(),
                     bool ANonEmpty = false);
    void SaveStrings(const TStringList &AStrings, const QString &SName,
                     const QString &AItem = QString(), const QString &ASubItem = QString(),
                     bool ANonEmpty = false);
    // Appends the stored entries (absent ones as empty text unless ANonEmpty); false, adding
    // nothing, when the count line is absent or not an integer.
    bool LoadStrings(QStringList &AStrings, const QString &SName, const QString &AItem = QString(),
                     const QString &ASubItem = QString(), bool ANonEmpty = false) const;
    bool LoadStrings(TStringList &AStrings, const QString &SName, const QString &AItem = QString(),
                     const QString &ASubItem = QString(), bool ANonEmpty = false) const;

    // A multi-line text as a numbered list (split at CR LF, CR or LF).
    void SaveTextSetting(const QString &SName, const QString &SValue,
                         const QString &AItem = QString(), const QString &ASubItem = QString(),
                         bool ANonEmpty = false);
    // The stored lines, each followed by CR LF; empty text when there are none.
    QString LoadTextSetting(const QString &SName, const QString &AItem = QString(),
                            const QString &ASubItem = QString(), bool ANonEmpty = false) const;
    // As LoadTextSetting; Text is written only when the count line exists.
    bool TryLoadTextSetting(const QString &SName, QString &Text, const QString &AItem = QString(),
                            const QString &ASubItem = QString(), bool ANonEmpty = false) const;

    // Enciphered values: ":$" + Base64 of the CFB-8 encryption of 8 random salt bytes (each
    // 1..255) followed by AValue, from a reset cipher.
    static QByteArray EncryptValue(const QByteArray &AValue, TDCP_cipher &Cipher);
    // The same with the given 8 salt bytes (reproducible output).
    static QByteArray EncryptValue(const QByteArray &AValue, TDCP_cipher &Cipher,
                                   const QByteArray &Salt);
    // ":$"+Base64: deciphered, salt removed; ":"+Base64: deciphered whole; anything else
    // unchanged.
    static QByteArray DecryptValue(const QByteArray &AValue, TDCP_cipher &Cipher);
    // A Twofish cipher keyed from the passphrase (SHA-1 of its bytes).
    static std::unique_ptr<TDCP_cipher> MakeCipher(const QByteArray &Passphrase);

    // The location rules, as class operations (SettingsLocation.h).
    static QString GetAppDataDir(const QString &SubFolder, const QString &ConfigFiles);
    static QString GetAppConfigPath(const QString &DefAppConfigFile, const QString &AppDataDir);
    static void SetDefAppSettingsDir(TSettingsDirMode Value);

private:
    QString FPropertyDelimiter;
    std::unique_ptr<TVHashedStringList> FStrings;
};

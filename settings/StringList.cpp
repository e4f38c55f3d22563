#include "settings/StringList.h"

#include "settings/Exception.h"
#include "settings/SettingsFile.h"

#include <algorithm>
#include <exception>
#include <utility>

QString UpperCaseKey(const QString &S)
{
    QString result(S.size(), Qt::Uninitialized);
    const char16_t *src = reinterpret_cast<const char16_t *>(S.constData());
    char16_t *dst = reinterpret_cast<char16_t *>(result.data());
    for (qsizetype i = 0, n = S.size(); i < n; ++i) {
        const char16_t c = src[i];
        if (c < 0x80)
            dst[i] = (c >= u'a' && c <= u'z') ? char16_t(c - 0x20) : c;
        else
            dst[i] = QChar::toUpper(c); // simple one-to-one mapping; surrogates map to themselves
    }
    return result;
}

void ListIndexError(int Index)
{
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
}

TStringList::TStringList() = default;

TStringList::~TStringList() = default;

void TStringList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= Count())
        ListIndexError(Index);
}

QString TStringList::CompareKey(const QString &S) const
{
    return FCaseSensitive ? S : UpperCaseKey(S);
}

QString TStringList::Strings(int Index) const
{
    CheckIndex(Index);
    return FItems[size_t(Index)].FString;
}

TObject *TStringList::Objects(int Index) const
{
    CheckIndex(Index);
    return FItems[size_t(Index)].FObject;
}

int TStringList::Add(const QString &S)
{
    return AddObject(S, nullptr);
}

int TStringList::AddObject(const QString &S, TObject *AObject)
{
    const int index = Count();
    InsertItem(index, S, AObject);
    return index;
}

void TStringList::AddStrings(const QStringList &Lines)
{
    const TStringListUpdate update(*this);
    for (const QString &line : Lines)
        Add(line);
}

void TStringList::Insert(int Index, const QString &S)
{
    InsertObject(Index, S, nullptr);
}

void TStringList::InsertObject(int Index, const QString &S, TObject *AObject)
{
    if (Index < 0 || Index > Count())
        ListIndexError(Index);
    InsertItem(Index, S, AObject);
}

void TStringList::InsertItem(int Index, const QString &S, TObject *AObject)
{
    FItems.insert(FItems.begin() + Index, TStringItem{S, AObject});
    Changed();
}

void TStringList::Delete(int Index)
{
    CheckIndex(Index);
    FItems.erase(FItems.begin() + Index);
    Changed();
}

void TStringList::Clear()
{
    if (FItems.empty())
        return;
    FItems.clear();
    Changed();
}

void TStringList::Put(int Index, const QString &S)
{
    CheckIndex(Index);
    FItems[size_t(Index)].FString = S;
    Changed();
}

void TStringList::PutObject(int Index, TObject *AObject)
{
    CheckIndex(Index);
    FItems[size_t(Index)].FObject = AObject;
    Changed();
}

void TStringList::Exchange(int Index1, int Index2)
{
    CheckIndex(Index1);
    CheckIndex(Index2);
    std::swap(FItems[size_t(Index1)], FItems[size_t(Index2)]);
    Changed();
}

void TStringList::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    TStringItem item = std::move(FItems[size_t(CurIndex)]);
    FItems.erase(FItems.begin() + CurIndex);
    FItems.insert(FItems.begin() + NewIndex, std::move(item));
    Changed();
}

void TStringList::Sort()
{
    const Qt::CaseSensitivity cs = FCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    std::stable_sort(FItems.begin(), FItems.end(),
                     [cs](const TStringItem &a, const TStringItem &b) {
                         return a.FString.compare(b.FString, cs) < 0;
                     });
    Changed();
}

int TStringList::IndexOf(const QString &S) const
{
    const QString key = CompareKey(S);
    for (int i = 0; i < Count(); ++i) {
        if (CompareKey(FItems[size_t(i)].FString) == key)
            return i;
    }
    return -1;
}

int TStringList::IndexOfName(const QString &Name) const
{
    const QString key = CompareKey(Name);
    for (int i = 0; i < Count(); ++i) {
        const QString &line = FItems[size_t(i)].FString;
        const qsizetype sep = line.indexOf(FNameValueSeparator);
        if (sep >= 0 && CompareKey(line.left(sep)) == key)
            return i;
    }
    return -1;
}

QString TStringList::Names(int Index) const
{
    CheckIndex(Index);
    const QString &line = FItems[size_t(Index)].FString;
    const qsizetype sep = line.indexOf(FNameValueSeparator);
    return sep >= 0 ? line.left(sep) : QString();
}

QString TStringList::ValueFromIndex(int Index) const
{
    CheckIndex(Index);
    const QString &line = FItems[size_t(Index)].FString;
    const qsizetype sep = line.indexOf(FNameValueSeparator);
    return sep >= 0 ? line.mid(sep + 1) : QString();
}

QString TStringList::GetValue(const QString &Name) const
{
    const int index = IndexOfName(Name);
    return index >= 0 ? ValueFromIndex(index) : QString();
}

void TStringList::SetValue(const QString &Name, const QString &Value)
{
    int index = IndexOfName(Name);
    if (!Value.isEmpty()) {
        if (index < 0)
            index = Add(QString());
        Put(index, Name + FNameValueSeparator + Value);
    } else if (index >= 0) {
        Delete(index);
    }
}

QString TStringList::Text() const
{
    qsizetype size = 0;
    for (const TStringItem &item : FItems)
        size += item.FString.size() + 2;
    QString result;
    result.reserve(size);
    for (const TStringItem &item : FItems) {
        result += item.FString;
        result += QLatin1String("\r\n");
    }
    return result;
}

void TStringList::SetText(const QString &Value)
{
    const QStringList lines = SplitSettingsText(Value);
    const TStringListUpdate update(*this);
    Clear();
    for (const QString &line : lines)
        Add(line);
}

QStringList TStringList::ToStringList() const
{
    QStringList result;
    result.reserve(Count());
    for (const TStringItem &item : FItems)
        result.append(item.FString);
    return result;
}

void TStringList::LoadFromFile(const QString &FileName)
{
    // Read first, so that a file that cannot be read leaves the lines as they were.
    const QStringList lines = ReadSettingsFile(FileName);
    const TStringListUpdate update(*this);
    Clear();
    for (const QString &line : lines)
        Add(line);
}

void TStringList::SaveToFile(const QString &FileName) const
{
    WriteSettingsFile(FileName, ToStringList());
}

void TStringList::BeginUpdate()
{
    ++FUpdateCount;
}

void TStringList::EndUpdate()
{
    if (FUpdateCount <= 0)
        return;
    if (--FUpdateCount == 0)
        Changed();
}

TStringListUpdate::~TStringListUpdate() noexcept(false)
{
    if (std::uncaught_exceptions() == 0) {
        FList.EndUpdate();
        return;
    }
    // The error that is leaving the scope goes on; a second one from the change notification
    // cannot be raised beside it.
    try {
        FList.EndUpdate();
    } catch (...) {
    }
}

void TStringList::SetNameValueSeparator(QChar Value)
{
    if (Value == FNameValueSeparator)
        return;
    FNameValueSeparator = Value;
    Changed(); // names (and so every name lookup) change with the separator
}

void TStringList::SetCaseSensitive(bool Value)
{
    if (Value == FCaseSensitive)
        return;
    FCaseSensitive = Value;
    Changed(); // lookup keys change with the case sensitivity
}

void TStringList::Changed()
{
    if (FUpdateCount == 0 && FOnChange)
        FOnChange(this);
}

#include "settings/VHashedStringList.h"

#include <stdexcept>

// ---------------------------------------------------------------------------------------------
// TVStringHash

TVStringHash::TVStringHash(uint32_t Size)
{
    if (Size < 1)
        throw std::invalid_argument("TVStringHash needs at least one bucket");
    FBuckets.resize(Size);
}

TVStringHash::~TVStringHash()
{
    Clear();
}

uint32_t TVStringHash::HashOf(const QString &Key) const
{
    uint32_t hash = 0;
    const char16_t *data = reinterpret_cast<const char16_t *>(Key.constData());
    for (qsizetype i = 0, n = Key.size(); i < n; ++i)
        hash = ((hash << 2) | (hash >> 30)) ^ uint32_t(data[i]);
    return hash;
}

void TVStringHash::Add(const QString &Key, int32_t Value)
{
    const uint32_t hash = HashOf(Key);
    FBuckets[hash % BucketCount()].push_front(TVHashItem{Key, Value, hash});
}

int32_t TVStringHash::ValueOf(const QString &Key) const
{
    const uint32_t hash = HashOf(Key);
    for (const TVHashItem &item : FBuckets[hash % BucketCount()]) {
        if (item.Hash == hash && item.Key == Key)
            return item.Value;
    }
    return -1;
}

bool TVStringHash::Delete(const QString &Key, int32_t Value)
{
    const uint32_t hash = HashOf(Key);
    std::forward_list<TVHashItem> &chain = FBuckets[hash % BucketCount()];
    auto before = chain.before_begin();
    for (auto it = chain.begin(); it != chain.end(); before = it, ++it) {
        if (it->Value == Value && it->Hash == hash && it->Key == Key) {
            chain.erase_after(before);
            return true;
        }
    }
    return false;
}

void TVStringHash::DecValues(int32_t Value)
{
    for (auto &chain : FBuckets) {
        for (TVHashItem &item : chain) {
            if (item.Value > Value)
                --item.Value;
        }
    }
}

void TVStringHash::IncValues(int32_t Value)
{
    for (auto &chain : FBuckets) {
        for (TVHashItem &item : chain) {
            if (item.Value > Value)
                ++item.Value;
        }
    }
}

void TVStringHash::Clear()
{
    for (auto &chain : FBuckets)
        chain.clear();
}

// ---------------------------------------------------------------------------------------------
// TVHashedStringList

TVHashedStringList::TVHashedStringList(uint32_t BucketsSize)
    : FBucketsSize(BucketsSize < 1 ? 1 : BucketsSize)
{
}

TVHashedStringList::~TVHashedStringList()
{
    // Direct deletes: no notifications from a list being destroyed.
    if (FOwnsObjects) {
        for (int i = 0; i < Count(); ++i)
            delete Objects(i);
    }
}

QString TVHashedStringList::LineKey(const QString &S) const
{
    return CompareKey(S);
}

bool TVHashedStringList::NameKey(const QString &S, QString &Key) const
{
    const qsizetype sep = S.indexOf(NameValueSeparator());
    if (sep < 0)
        return false;
    Key = CompareKey(S.left(sep));
    return true;
}

void TVHashedStringList::UpdateValueHash() const
{
    if (FValueHashValid)
        return;
    if (FValueHash)
        FValueHash->Clear();
    else
        FValueHash = std::make_unique<TVStringHash>(FBucketsSize);
    for (int i = 0; i < Count(); ++i)
        FValueHash->Add(LineKey(Strings(i)), i);
    FValueHashValid = true;
    ++FRebuilds;
}

void TVHashedStringList::UpdateNameHash() const
{
    if (FNameHashValid)
        return;
    if (FNameHash)
        FNameHash->Clear();
    else
        FNameHash = std::make_unique<TVStringHash>(FBucketsSize);
    QString key;
    for (int i = 0; i < Count(); ++i) {
        if (NameKey(Strings(i), key))
            FNameHash->Add(key, i);
    }
    FNameHashValid = true;
    ++FRebuilds;
}

int TVHashedStringList::IndexOf(const QString &S) const
{
    UpdateValueHash();
    return FValueHash->ValueOf(LineKey(S));
}

int TVHashedStringList::IndexOfName(const QString &Name) const
{
    UpdateNameHash();
    return FNameHash->ValueOf(CompareKey(Name));
}

QString TVHashedStringList::GetValue(const QString &Name) const
{
    const int index = IndexOfName(Name);
    if (index < 0)
        return QString();
    // The name key keeps the length of the name, so the value starts right after it.
    return Strings(index).mid(Name.size() + 1);
}

void TVHashedStringList::SetValue(const QString &Name, const QString &Value)
{
    const int index = IndexOfName(Name);
    if (!Value.isEmpty() || FKeepEmptyValues) {
        const QString line = Name + NameValueSeparator() + Value;
        if (index < 0)
            Add(line);
        else
            Put(index, line);
    } else if (index >= 0) {
        Delete(index);
    }
}

TObject *TVHashedStringList::GetValueObject(const QString &Name) const
{
    const int index = IndexOf(Name);
    return index >= 0 ? Objects(index) : nullptr;
}

void TVHashedStringList::SetValueObject(const QString &Name, TObject *AValue)
{
    const int index = IndexOf(Name);
    if (AValue) {
        if (index < 0)
            AddObject(Name, AValue);
        else
            PutObject(index, AValue);
    } else if (index >= 0) {
        Delete(index);
    }
}

void TVHashedStringList::Clear()
{
    if (FOwnsObjects) {
        for (int i = 0; i < Count(); ++i)
            PutObject(i, nullptr);
    }
    TStringList::Clear();
}

void TVHashedStringList::PutObject(int Index, TObject *AObject)
{
    TObject *old = Objects(Index); // raises for a position outside the list
    if (FOwnsObjects && old && old != AObject)
        delete old;
    TStringList::PutObject(Index, AObject);
}

void TVHashedStringList::InsertItem(int Index, const QString &S, TObject *AObject)
{
    if (!FAutoUpdateHash || Index != Count()) {
        TStringList::InsertItem(Index, S, AObject);
        return;
    }
    const bool valueValid = FValueHashValid;
    const bool nameValid = FNameHashValid;
    const uint64_t rebuilds = FRebuilds;
    TStringList::InsertItem(Index, S, AObject);
    // A change handler that looked the list up has rebuilt an index from the new lines; adding
    // the key again would leave a duplicate entry behind, so the indexes stay invalid then.
    if (rebuilds != FRebuilds)
        return;
    if (valueValid) {
        FValueHash->Add(LineKey(S), Index);
        FValueHashValid = true;
    }
    QString key;
    if (nameValid) {
        if (NameKey(S, key))
            FNameHash->Add(key, Index);
        FNameHashValid = true;
    }
}

void TVHashedStringList::Put(int Index, const QString &S)
{
    const QString old = Strings(Index); // raises before anything changes
    if (old == S)
        return;
    if (!FAutoUpdateHash) {
        TStringList::Put(Index, S);
        return;
    }
    const bool valueValid = FValueHashValid;
    const bool nameValid = FNameHashValid;
    const uint64_t rebuilds = FRebuilds;
    TStringList::Put(Index, S);
    if (rebuilds != FRebuilds)
        return;
    if (valueValid) {
        FValueHash->Delete(LineKey(old), Index);
        FValueHash->Add(LineKey(S), Index);
        FValueHashValid = true;
    }
    if (nameValid) {
        QString key;
        if (NameKey(old, key))
            FNameHash->Delete(key, Index);
        if (NameKey(S, key))
            FNameHash->Add(key, Index);
        FNameHashValid = true;
    }
}

void TVHashedStringList::Delete(int Index)
{
    if (FOwnsObjects)
        PutObject(Index, nullptr);
    if (!FAutoUpdateHash) {
        TStringList::Delete(Index);
        return;
    }
    const QString old = Strings(Index);
    const bool valueValid = FValueHashValid;
    const bool nameValid = FNameHashValid;
    const uint64_t rebuilds = FRebuilds;
    TStringList::Delete(Index);
    if (rebuilds != FRebuilds)
        return;
    if (valueValid) {
        FValueHash->Delete(LineKey(old), Index);
        FValueHash->DecValues(Index);
        FValueHashValid = true;
    }
    if (nameValid) {
        QString key;
        if (NameKey(old, key))
            FNameHash->Delete(key, Index);
        FNameHash->DecValues(Index);
        FNameHashValid = true;
    }
}

void TVHashedStringList::Changed()
{
    TStringList::Changed();
    FValueHashValid = false;
    FNameHashValid = false;
}

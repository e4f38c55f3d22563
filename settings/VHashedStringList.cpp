#include "settings/VHashedStringList.h"

#include "settings/Exception.h"

#include <QHash>

namespace {
// The list's indexes hold keys that differ in a few characters (numbered record keys); the
// table's rotate-and-XOR hash maps thousands of those to the same value, so every lookup would
// compare many keys. A stronger hash spreads them; lookups give the same answers either way.
class TVIndexHash : public TVStringHash
{
public:
    using TVStringHash::TVStringHash;

protected:
    uint32_t HashOf(const QString &Key) const override
    {
        const uint64_t h = qHash(Key, size_t(0));
        return uint32_t(h ^ (h >> 32));
    }
};
} // namespace

// ---------------------------------------------------------------------------------------------
// TVStringHash

TVStringHash::TVStringHash(uint32_t Size)
{
    if (Size < 1)
        throw Exception(QStringLiteral("A hash table needs at least one bucket"));
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

qsizetype TVStringHash::Find(const TVHashChain &Chain, uint32_t Hash, const QString &Key,
                             bool MatchValue, int32_t Value)
{
    const uint32_t *hashes = Chain.Hashes.data();
    for (qsizetype i = qsizetype(Chain.Hashes.size()) - 1; i >= 0; --i) {
        if (hashes[i] == Hash && (!MatchValue || Chain.Values[size_t(i)] == Value)
            && Chain.Keys[size_t(i)] == Key)
            return i;
    }
    return -1;
}

void TVStringHash::Add(const QString &Key, int32_t Value)
{
    const uint32_t hash = HashOf(Key);
    TVHashChain &chain = FBuckets[hash % BucketCount()];
    chain.Hashes.push_back(hash);
    chain.Values.push_back(Value);
    chain.Keys.push_back(Key);
}

int32_t TVStringHash::ValueOf(const QString &Key) const
{
    const uint32_t hash = HashOf(Key);
    const TVHashChain &chain = FBuckets[hash % BucketCount()];
    const qsizetype i = Find(chain, hash, Key, false, 0);
    return i >= 0 ? chain.Values[size_t(i)] : -1;
}

bool TVStringHash::Delete(const QString &Key, int32_t Value)
{
    const uint32_t hash = HashOf(Key);
    TVHashChain &chain = FBuckets[hash % BucketCount()];
    const qsizetype i = Find(chain, hash, Key, true, Value);
    if (i < 0)
        return false;
    chain.Hashes.erase(chain.Hashes.begin() + i);
    chain.Values.erase(chain.Values.begin() + i);
    chain.Keys.erase(chain.Keys.begin() + i);
    return true;
}

void TVStringHash::DecValues(int32_t Value)
{
    for (TVHashChain &chain : FBuckets) {
        for (int32_t &v : chain.Values) {
            if (v > Value)
                --v;
        }
    }
}

void TVStringHash::IncValues(int32_t Value)
{
    for (TVHashChain &chain : FBuckets) {
        for (int32_t &v : chain.Values) {
            if (v > Value)
                ++v;
        }
    }
}

void TVStringHash::Clear()
{
    for (TVHashChain &chain : FBuckets) {
        chain.Hashes.clear();
        chain.Values.clear();
        chain.Keys.clear();
    }
}

// ---------------------------------------------------------------------------------------------
// TVHashedStringList

TVHashedStringList::TVHashedStringList(uint32_t BucketsSize)
    : FBucketsSize(BucketsSize < 1 ? 1 : BucketsSize)
{}

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
        FValueHash = std::make_unique<TVIndexHash>(FBucketsSize);
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
        FNameHash = std::make_unique<TVIndexHash>(FBucketsSize);
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

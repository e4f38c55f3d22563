#pragma once

#include "settings/StringList.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// A string-to-integer hash table with a fixed number of buckets. Equal keys may be added several
// times; a lookup yields the entry added last.
//
// A bucket's chain is kept as parallel arrays, oldest entry first, and walked from the newest
// end: the walk compares full hashes in contiguous memory and touches a key only when its hash
// matches, which keeps long chains (many keys per bucket) cheap.
class TVStringHash
{
public:
    explicit TVStringHash(uint32_t Size);
    virtual ~TVStringHash();

    TVStringHash(const TVStringHash &) = delete;
    TVStringHash &operator=(const TVStringHash &) = delete;

    void Add(const QString &Key, int32_t Value);
    // Value of the newest entry with exactly this key; -1 when there is none.
    int32_t ValueOf(const QString &Key) const;
    // Removes the newest entry with this key and value; true when one was removed.
    bool Delete(const QString &Key, int32_t Value);
    // Lowers (raises) by 1 every value greater than Value.
    void DecValues(int32_t Value);
    void IncValues(int32_t Value);
    void Clear();

    uint32_t BucketCount() const { return uint32_t(FBuckets.size()); }

protected:
    // Rotate left by 2, XOR each UTF-16 code unit.
    virtual uint32_t HashOf(const QString &Key) const;

private:
    struct TVHashChain
    {
        std::vector<uint32_t> Hashes;
        std::vector<int32_t> Values;
        std::vector<QString> Keys;
    };
    // Position of the newest entry of Chain matching Hash and Key (and Value when MatchValue);
    // -1 when none.
    static qsizetype Find(const TVHashChain &Chain, uint32_t Hash, const QString &Key,
                          bool MatchValue, int32_t Value);

    std::vector<TVHashChain> FBuckets;
};

// The name=value list the settings live in. Beside the lines it keeps two hash indexes: one over
// the lines' names (text before the first separator) and one over the whole lines, both upper-
// cased unless the list is case sensitive, each mapping to the line's position. Appends, in-place
// replacements and deletions keep a valid index valid; every other change invalidates both, and
// the next lookup rebuilds the one it needs.
class TVHashedStringList : public TStringList
{
public:
    explicit TVHashedStringList(uint32_t BucketsSize = 256);
    ~TVHashedStringList() override;

    void Clear() override;
    void Delete(int Index) override;
    int IndexOf(const QString &S) const override;
    int IndexOfName(const QString &Name) const override;

    // Value of the named line; empty when there is none.
    QString GetValue(const QString &Name) const;
    QString Values(const QString &Name) const { return GetValue(Name); }
    // The list's own value setting: honours KeepEmptyValues (the general interface's
    // TStringList::SetValue always deletes on an empty value).
    void SetValue(const QString &Name, const QString &Value);

    // Object of the line whose whole text is Name; none when there is no such line.
    TObject *GetValueObject(const QString &Name) const;
    // Attaches AValue to the line whose whole text is Name (appending such a line when
    // missing); a null AValue deletes that line.
    void SetValueObject(const QString &Name, TObject *AValue);

    void UpdateValueHash() const;
    void UpdateNameHash() const;

    bool OwnsObjects() const { return FOwnsObjects; }
    void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }
    bool AutoUpdateHash() const { return FAutoUpdateHash; }
    void SetAutoUpdateHash(bool Value) { FAutoUpdateHash = Value; }
    bool KeepEmptyValues() const { return FKeepEmptyValues; }
    void SetKeepEmptyValues(bool Value) { FKeepEmptyValues = Value; }

    // Whether each index currently matches the lines (for tests and diagnostics).
    bool ValueHashValid() const { return FValueHashValid; }
    bool NameHashValid() const { return FNameHashValid; }
    // How many full index rebuilds lookups have caused so far.
    uint64_t HashRebuilds() const { return FRebuilds; }

protected:
    void Put(int Index, const QString &S) override;
    void PutObject(int Index, TObject *AObject) override;
    void InsertItem(int Index, const QString &S, TObject *AObject) override;
    void Changed() override;

private:
    // Index keys of a line; NameKey is false for a line without separator (it has no name).
    QString LineKey(const QString &S) const;
    bool NameKey(const QString &S, QString &Key) const;

    uint32_t FBucketsSize;
    // The indexes are caches: lookups on a const list may rebuild them.
    mutable std::unique_ptr<TVStringHash> FValueHash;
    mutable std::unique_ptr<TVStringHash> FNameHash;
    mutable bool FValueHashValid = false;
    mutable bool FNameHashValid = false;
    // Counts rebuilds, so an update can tell that a change handler rebuilt an index under it.
    mutable uint64_t FRebuilds = 0;
    bool FOwnsObjects = false;
    bool FAutoUpdateHash = true;
    bool FKeepEmptyValues = false;
};

#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// Base of every object a list line can carry. A list that owns its objects deletes them through
// this virtual destructor.
class TObject
{
public:
    virtual ~TObject() = default;
};

class TStringList;
using TNotifyEvent = std::function<void(TStringList *Sender)>;

// The general string list: ordered text lines, one attached object per line, name=value access
// through a one-character separator, case-insensitive comparisons by default, update blocks,
// sorting, and text/file loading and saving. Every modification ends in Changed(), which fires
// OnChange outside update blocks; derived lists override the protected operations to keep their
// own lookup structures in step.
//
// The list does not own its objects; a derived list may.
class TStringList
{
public:
    TStringList();
    virtual ~TStringList();

    TStringList(const TStringList &) = delete;
    TStringList &operator=(const TStringList &) = delete;

    int Count() const { return int(FItems.size()); }

    // Line text and attached object; a position outside the list raises EListError.
    QString Strings(int Index) const;
    void SetStrings(int Index, const QString &S) { Put(Index, S); }
    TObject *Objects(int Index) const;
    void SetObjects(int Index, TObject *AObject) { PutObject(Index, AObject); }

    int Add(const QString &S);
    int AddObject(const QString &S, TObject *AObject);
    void AddStrings(const QStringList &Lines);
    void Insert(int Index, const QString &S);
    void InsertObject(int Index, const QString &S, TObject *AObject);
    virtual void Delete(int Index);
    virtual void Clear();
    void Exchange(int Index1, int Index2);
    void Move(int CurIndex, int NewIndex);
    // Sorts the lines (with their objects) by text, honouring CaseSensitive.
    void Sort();

    // Position of the first line equal to S (by CaseSensitive); -1 when none.
    virtual int IndexOf(const QString &S) const;
    // Position of the first line whose name equals Name (by CaseSensitive); -1 when none.
    virtual int IndexOfName(const QString &Name) const;

    // Name of a line: the text before its first separator; empty when it has none.
    QString Names(int Index) const;
    // Text after the first separator of a line; empty when it has none.
    QString ValueFromIndex(int Index) const;
    // Value of the line called Name; empty when there is none.
    QString Values(const QString &Name) const { return GetValue(Name); }
    QString GetValue(const QString &Name) const;
    // Replaces the named line in place, or appends an empty line and replaces that; an empty
    // Value deletes the named line.
    void SetValue(const QString &Name, const QString &Value);

    // Every line followed by CR LF.
    QString Text() const;
    // Replaces the lines: splits at CR LF, lone CR or lone LF; a NUL ends the text; a final line
    // break adds no empty line.
    void SetText(const QString &Value);
    QStringList ToStringList() const;

    // The settings-file format: UTF-8 with byte-order mark, CR LF after every line.
    void LoadFromFile(const QString &FileName);
    void SaveToFile(const QString &FileName) const;

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    QChar NameValueSeparator() const { return FNameValueSeparator; }
    void SetNameValueSeparator(QChar Value);
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value);

    const TNotifyEvent &OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }

protected:
    // Replaces a line's text; the one path of every in-place text change.
    virtual void Put(int Index, const QString &S);
    // Attaches an object to a line.
    virtual void PutObject(int Index, TObject *AObject);
    // The one insertion routine behind Add and Insert. Index may equal Count (an append).
    virtual void InsertItem(int Index, const QString &S, TObject *AObject);
    // Raised after every modification; fires OnChange when no update block is open.
    virtual void Changed();

    // Raises "List index out of bounds (%d)" unless 0 <= Index < Count.
    void CheckIndex(int Index) const;
    // Comparison key of a text under the current case sensitivity.
    QString CompareKey(const QString &S) const;

private:
    struct TStringItem
    {
        QString FString;
        TObject *FObject = nullptr;
    };

    std::vector<TStringItem> FItems;
    QChar FNameValueSeparator = QLatin1Char('=');
    bool FCaseSensitive = false;
    int FUpdateCount = 0;
    TNotifyEvent FOnChange;
};

// BeginUpdate now and EndUpdate when the scope ends, also when an error leaves it: the list
// notifies its change once, after the last line of a batch.
class TStringListUpdate
{
public:
    explicit TStringListUpdate(TStringList &List) : FList(List) { FList.BeginUpdate(); }
    ~TStringListUpdate() noexcept(false);
    TStringListUpdate(const TStringListUpdate &) = delete;
    TStringListUpdate &operator=(const TStringListUpdate &) = delete;

private:
    TStringList &FList;
};

// Upper-cases every UTF-16 code unit on its own (simple mapping), so the result always has the
// length of the argument and upper-casing a concatenation equals concatenating the upper-cased
// parts.
QString UpperCaseKey(const QString &S);

// Throws EListError with "List index out of bounds (%d)".
[[noreturn]] void ListIndexError(int Index);

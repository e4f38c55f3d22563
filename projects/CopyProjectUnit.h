#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

class TStringList;

// What a copy does when the target file already exists. The stored digit is the ordinal.
enum TOverwriteFile : std::uint8_t {
    ofNone = 0,  // never overwrite an existing file
    ofAll = 1,   // overwrite every existing file
    ofOlder = 2, // overwrite only when the existing file is older than the source
};

// The texts held in the two per-pattern flag lists.
inline const QString FlagYes = QStringLiteral("Yes");
inline const QString FlagNo = QStringLiteral("No");

// A flag of the pattern table is set when its text is "yes" in any letter case; every other
// text (including "true", "1" and empty) means not set.
bool IsFlagSet(const QString &flag);

// One repeatable copy job: source folder and pattern table, excludes, the copy-if-exists
// condition, output folder or FTP connection, and the overwrite mode.
//
// The pattern table is held as three lists of equal length (row i is entry i of each);
// AddSourceRow and ClearSourceRows keep them together. GetSourceFiles & co. hand out the
// project's own lists for callers that rebuild the table; such a caller must leave the three
// lists the same length.
class TCopyProject
{
public:
    TCopyProject();
    // A copy of Project when it is given, else a cleared project.
    explicit TCopyProject(const TCopyProject *Project);
    TCopyProject(const TCopyProject &other);
    TCopyProject &operator=(const TCopyProject &other);
    ~TCopyProject() = default;

    // Every field to its initial value: empty texts and lists, false flags, ofNone, visible.
    void Clear();
    // Copies every field, the three lists, Checked and Visible.
    void Assign(const TCopyProject &Project);

    // Reads the project from the keys P + name of a settings list (the settings store's
    // Strings), appending to the pattern table. Returns false and leaves the project unchanged
    // when the stored ProjectName is empty or absent. ReplaceNewer maps the old overwrite
    // code 1 to ofOlder.
    bool LoadFromList(const TStringList &lst, const QString &P, bool ReplaceNewer);
    // Writes the project under the keys P + name; empty texts leave no line.
    void SaveToList(TStringList &lst, const QString &P) const;

    const QString &ProjectName() const { return FProjectName; }
    void SetProjectName(const QString &value) { FProjectName = value; }
    const QString &GroupName() const { return FGroupName; }
    void SetGroupName(const QString &value) { FGroupName = value; }
    const QString &SourceFolder() const { return FSourceFolder; }
    void SetSourceFolder(const QString &value) { FSourceFolder = value; }

    const QStringList &SourceFiles() const { return FSourceFiles; }
    const QStringList &SourceSubFolders() const { return FSourceSubFolders; }
    const QStringList &SourceJunkPath() const { return FSourceJunkPath; }
    QStringList &GetSourceFiles() { return FSourceFiles; }
    QStringList &GetSourceSubFolders() { return FSourceSubFolders; }
    QStringList &GetSourceJunkPath() { return FSourceJunkPath; }

    // Number of rows of the pattern table.
    int SourceRowCount() const { return static_cast<int>(FSourceFiles.size()); }
    // Appends one row: the pattern with its two flags stored as "Yes"/"No".
    void AddSourceRow(const QString &pattern, bool subFolders, bool junkPath);
    // Empties the pattern table (all three lists).
    void ClearSourceRows();

    const QString &ExcludeFiles() const { return FExcludeFiles; }
    void SetExcludeFiles(const QString &value) { FExcludeFiles = value; }
    bool CopyIfExists() const { return FCopyIfExists; }
    void SetCopyIfExists(bool value) { FCopyIfExists = value; }
    const QString &CopyIfExistsPath() const { return FCopyIfExistsPath; }
    void SetCopyIfExistsPath(const QString &value) { FCopyIfExistsPath = value; }
    const QString &OutputFolder() const { return FOutputFolder; }
    void SetOutputFolder(const QString &value) { FOutputFolder = value; }
    TOverwriteFile Overwrite() const { return FOverwrite; }
    void SetOverwrite(TOverwriteFile value) { FOverwrite = value; }
    const QString &FTPConnName() const { return FFTPConnName; }
    void SetFTPConnName(const QString &value) { FFTPConnName = value; }
    bool Checked() const { return FChecked; }
    void SetChecked(bool value) { FChecked = value; }
    bool Visible() const { return FVisible; }
    // For a project that is not in a list yet. A project in a TCopyProjectList is shown or
    // hidden with TCopyProjectList::SetProjectVisibility, which keeps the visible sequence.
    void SetVisible(bool value) { FVisible = value; }

private:
    QString FProjectName;
    QString FGroupName;
    QString FSourceFolder;
    QStringList FSourceFiles;
    QStringList FSourceSubFolders;
    QStringList FSourceJunkPath;
    QString FExcludeFiles;
    bool FCopyIfExists = false;
    QString FCopyIfExistsPath;
    QString FOutputFolder;
    TOverwriteFile FOverwrite = ofNone;
    QString FFTPConnName;
    bool FChecked = false;
    bool FVisible = true;
};

// All projects in the user's order (owned), plus the visible ones in display order (borrowed).
// A project is in the visible sequence exactly when it is in the list and Visible() is true; a
// project shown again joins the visible sequence at its end, so the two orders may differ.
// Indexes start at 0; an index out of range raises EListError "List index out of bounds (%d)".
class TCopyProjectList
{
public:
    TCopyProjectList() = default;
    ~TCopyProjectList();
    TCopyProjectList(const TCopyProjectList &) = delete;
    TCopyProjectList &operator=(const TCopyProjectList &) = delete;

    int Count() const { return static_cast<int>(FList.size()); }
    int VisibleCount() const { return static_cast<int>(FVisibleList.size()); }
    int CheckedCount() const;
    int CheckedVisibleCount() const;

    TCopyProject *GetProject(int I) const;
    TCopyProject *GetVisibleProject(int I) const;

    // Appends (taking ownership) and, when the project is visible, appends it to the visible
    // sequence too. Returns its index among all projects; -1 (and nothing added) for none.
    int AddProject(std::unique_ptr<TCopyProject> Project);
    // The first project, in list order, whose name equals ProjectName exactly (case counts).
    TCopyProject *FindProject(const QString &ProjectName) const;
    // Takes the project out of both sequences and destroys it; nothing when it is not listed.
    void RemoveProject(TCopyProject *Project);
    // Puts NewProject in Project's place and destroys Project. The new project keeps the old
    // one's visible position, or joins the end when the old one was hidden. Returns false, and
    // leaves NewProject with the caller, when Project is not in the list.
    bool ReplaceProject(TCopyProject *Project, std::unique_ptr<TCopyProject> &NewProject);
    // Moves Project to the position ToProject holds: after ToProject when moving towards the
    // end, before it when moving towards the start. The visible sequence follows when both are
    // in it.
    void MoveProject(TCopyProject *Project, TCopyProject *ToProject);
    // Checks every visible project.
    void CheckAll();
    // Unchecks every project, visible or not.
    void UnCheckAll();
    // Shows (appending to the visible sequence) or hides (and unchecks) one project.
    void SetProjectVisibility(TCopyProject *Project, bool Visible);
    // Adds every non-empty group name, in list order, unless lst already contains it under
    // the given letter-case rule.
    void FillListOfGroups(QStringList &lst, Qt::CaseSensitivity cs = Qt::CaseSensitive) const;
    // The same on a string list, which decides by its own IndexOf (and CaseSensitive).
    void FillListOfGroups(TStringList &lst) const;

    // Appends the projects stored under Prefix (Prefix + "N", Prefix + "[i]." ...).
    void LoadFromList(const TStringList &lst, const QString &Prefix, bool ReplaceNewer);
    // Writes the count and every project, numbered 1..Count in list order.
    void SaveToList(TStringList &lst, const QString &Prefix) const;

private:
    int IndexOf(const TCopyProject *Project) const;
    int VisibleIndexOf(const TCopyProject *Project) const;

    std::vector<std::unique_ptr<TCopyProject>> FList;
    std::vector<TCopyProject *> FVisibleList;
};

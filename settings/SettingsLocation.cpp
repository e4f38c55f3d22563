#include "settings/SettingsLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <optional>

namespace {

constexpr qsizetype kMaxOptionLength = 260;

struct LocationState
{
    TSettingsDirMode defaultMode = sdmUserDir;
    TSettingsDirMode mode = sdmNone;
    QString configFile;
    QString settingsFolder;
    // Set by ResetSettingsLocation; otherwise the running process's own.
    std::optional<QStringList> arguments;
    std::optional<QString> programFolder;
};

LocationState &State()
{
    static LocationState state;
    return state;
}

QStringList Arguments()
{
    LocationState &state = State();
    if (state.arguments)
        return *state.arguments;
    return QCoreApplication::arguments().mid(1);
}

QString ProgramFolder()
{
    LocationState &state = State();
    if (state.programFolder)
        return *state.programFolder;
    return QCoreApplication::applicationDirPath();
}

void DecideMode()
{
    LocationState &state = State();
    if (state.mode != sdmNone)
        return;
    state.mode = state.defaultMode;
    const QStringList args = Arguments();
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QLatin1String("-appsettingsdir")) {
            state.mode = sdmAppDir;
        } else if (arg == QLatin1String("-usersettingsdir")) {
            state.mode = sdmUserDir;
        } else if (arg == QLatin1String("-settingsdir") && i + 1 < args.size()) {
            state.settingsFolder = args[++i].left(kMaxOptionLength);
            state.mode = sdmSettingsDir;
        } else if (arg == QLatin1String("-config") && i + 1 < args.size()) {
            state.configFile = args[++i].left(kMaxOptionLength);
            if ((state.mode == sdmNone || state.mode == sdmUserDir) && !state.configFile.isEmpty())
                state.mode = sdmAppDir;
        }
    }
}

// The per-user configuration folder: $XDG_CONFIG_HOME when it is an absolute path, else
// ~/.config; empty when neither can be found.
QString UserConfigFolder()
{
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    const QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty() || !QDir::isAbsolutePath(home))
        return QString();
    return home + QLatin1String("/.config");
}

bool IsBlankOrControl(QChar c)
{
    return c.unicode() <= 0x20;
}

QString TrimPiece(const QString &S)
{
    qsizetype begin = 0;
    qsizetype end = S.size();
    while (begin < end && IsBlankOrControl(S[begin]))
        ++begin;
    while (end > begin && IsBlankOrControl(S[end - 1]))
        --end;
    return S.mid(begin, end - begin);
}

// "*" and "?" over a whole name, letter case ignored; "*.*" matches every name.
bool MatchesWildcard(const QString &Pattern, const QString &Name)
{
    if (Pattern == QLatin1String("*.*"))
        return true;
    QString expr;
    for (QChar c : Pattern) {
        if (c == QLatin1Char('*'))
            expr += QLatin1String(".*");
        else if (c == QLatin1Char('?'))
            expr += QLatin1Char('.');
        else
            expr += QRegularExpression::escape(QString(c));
    }
    const QRegularExpression re(QRegularExpression::anchoredPattern(expr),
                                QRegularExpression::CaseInsensitiveOption
                                    | QRegularExpression::DotMatchesEverythingOption);
    return re.match(Name).hasMatch();
}

// Copies the program folder's plain files that match ConfigFiles into Folder, never over an
// existing file; failures are left alone (the folder works without them).
void SeedFolder(const QString &Folder, const QString &ConfigFiles)
{
    const QString programFolder = ProgramFolder();
    const QStringList pieces = ConfigFiles.split(QLatin1Char(';'));
    for (const QString &rawPiece : pieces) {
        const QString piece = TrimPiece(rawPiece);
        if (piece.isEmpty())
            continue;
        const QString full = piece.startsWith(QLatin1Char('/'))
                                 ? piece
                                 : programFolder + QLatin1Char('/') + piece;
        const qsizetype slash = full.lastIndexOf(QLatin1Char('/'));
        const QString searchFolder = slash == 0 ? QStringLiteral("/") : full.left(slash);
        const QString pattern = full.mid(slash + 1);
        const QDir dir(searchFolder);
        const QStringList names = dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString &name : names) {
            if (name.startsWith(QLatin1Char('.')) || !MatchesWildcard(pattern, name))
                continue;
            const QFileInfo info(dir.filePath(name));
            if (!info.isFile())
                continue;
            const QString target = Folder + QLatin1Char('/') + name;
            if (!QFileInfo::exists(target))
                QFile::copy(info.filePath(), target);
        }
    }
}

} // namespace

void SetDefAppSettingsDir(TSettingsDirMode Value)
{
    State().defaultMode = Value;
}

TSettingsDirMode SettingsDirMode()
{
    return State().mode;
}

QStringList SettingsLocationFlags()
{
    return {QStringLiteral("-appsettingsdir"), QStringLiteral("-usersettingsdir")};
}

QStringList SettingsLocationValueOptions()
{
    return {QStringLiteral("-settingsdir"), QStringLiteral("-config")};
}

void ResetSettingsLocation(const QStringList &Arguments, const QString &ProgramFolder)
{
    LocationState &state = State();
    state = LocationState();
    state.arguments = Arguments;
    state.programFolder = ProgramFolder;
}

QString GetAppDataDir(const QString &SubFolder, const QString &ConfigFiles)
{
    const QString result = ProgramFolder();
    DecideMode();
    const LocationState &state = State();
    if (state.mode == sdmAppDir)
        return result;
    if (state.mode == sdmSettingsDir)
        return state.settingsFolder;
    const QString base = UserConfigFolder();
    if (base.isEmpty() || SubFolder.isEmpty())
        return result;
    const QString folder = SubFolder.startsWith(QLatin1Char('/'))
                               ? base + SubFolder
                               : base + QLatin1Char('/') + SubFolder;
    if (QFileInfo(folder).isDir())
        return folder;
    if (!QDir().mkpath(folder))
        return result;
    if (!ConfigFiles.isEmpty())
        SeedFolder(folder, ConfigFiles);
    return folder;
}

QString GetAppConfigPath(const QString &DefAppConfigFile, const QString &AppDataDir)
{
    DecideMode();
    const LocationState &state = State();
    const QString name = state.configFile.isEmpty() ? DefAppConfigFile : state.configFile;
    if (name.startsWith(QLatin1Char('/')))
        return name;
    if (!AppDataDir.isEmpty())
        return AppDataDir + QLatin1Char('/') + name;
    if (state.mode == sdmSettingsDir && !state.settingsFolder.isEmpty())
        return state.settingsFolder + QLatin1Char('/') + name;
    return name;
}

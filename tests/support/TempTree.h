#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTemporaryDir>

// A temporary folder that tests fill with files and folders by relative path.
class TempTree
{
public:
    TempTree();

    bool isValid() const { return FDir.isValid(); }
    QString path() const { return FDir.path(); }
    // Absolute path of a relative name inside the tree.
    QString operator()(const QString &relative) const;

    // Writes a file (creating its folders) and returns its absolute path.
    QString write(const QString &relative, const QByteArray &contents = QByteArray());
    QString mkdir(const QString &relative);
    QByteArray read(const QString &relative) const;
    bool exists(const QString &relative) const;
    // Sets the modification time of a file (whole seconds).
    void setMTime(const QString &relative, const QDateTime &when);
    QDateTime mtime(const QString &relative) const;

private:
    QTemporaryDir FDir;
};

#include "support/TempTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TempTree::TempTree() = default;

QString TempTree::operator()(const QString &relative) const
{
    return relative.isEmpty() ? FDir.path() : FDir.path() + QLatin1Char('/') + relative;
}

QString TempTree::write(const QString &relative, const QByteArray &contents)
{
    const QString full = (*this)(relative);
    QDir().mkpath(QFileInfo(full).path());
    QFile f(full);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(contents);
    return full;
}

QString TempTree::mkdir(const QString &relative)
{
    const QString full = (*this)(relative);
    QDir().mkpath(full);
    return full;
}

QByteArray TempTree::read(const QString &relative) const
{
    QFile f((*this)(relative));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

bool TempTree::exists(const QString &relative) const
{
    return QFileInfo::exists((*this)(relative));
}

void TempTree::setMTime(const QString &relative, const QDateTime &when)
{
    QFile f((*this)(relative));
    if (f.open(QIODevice::ReadWrite))
        f.setFileTime(when, QFileDevice::FileModificationTime);
}

QDateTime TempTree::mtime(const QString &relative) const
{
    return QFileInfo((*this)(relative)).lastModified();
}

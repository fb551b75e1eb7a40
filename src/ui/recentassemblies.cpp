#include "ui/recentassemblies.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace tarsen {

namespace {

inline constexpr char kRecentKey[] = "RecentAssemblies";

/// Two names of one file compare equal: the absolute, cleaned path.
QString Canonical(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

QStringList RecentAssemblies::Paths() const
{
    const QStringList stored = QSettings().value(QString::fromLatin1(kRecentKey)).toStringList();
    QStringList paths;
    for (const QString& p : stored)
        if (!p.isEmpty() && !paths.contains(p) && paths.size() < kMaxRecent)
            paths.push_back(p);
    return paths;
}

void RecentAssemblies::Add(const QString& path)
{
    if (path.isEmpty())
        return;
    const QString name = Canonical(path);
    QStringList paths = Paths();
    paths.removeAll(name);
    paths.prepend(name);
    while (paths.size() > kMaxRecent)
        paths.removeLast();
    Store(paths);
}

void RecentAssemblies::Remove(const QString& path)
{
    QStringList paths = Paths();
    paths.removeAll(path);
    paths.removeAll(Canonical(path));
    Store(paths);
}

void RecentAssemblies::Clear() { Store({}); }

QString RecentAssemblies::LastFolder() const
{
    for (const QString& p : Paths()) {
        const QFileInfo folder(QFileInfo(p).absolutePath());
        if (folder.isDir())
            return folder.absoluteFilePath();
    }
    return {};
}

void RecentAssemblies::Store(const QStringList& paths)
{
    QSettings settings;
    settings.setValue(QString::fromLatin1(kRecentKey), paths);
}

} // namespace tarsen

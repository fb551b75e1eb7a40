// The assembly files the user opened or saved lately, newest first, kept in the user's settings
// (the toolkit's per-user settings of the application) so that the next start offers them again
// and opens its dialogs where the user worked last. Nothing of it goes into the assembly file.
#pragma once

#include <QString>
#include <QStringList>

namespace tarsen {

class RecentAssemblies {
public:
    /// Longest list kept.
    static constexpr int kMaxRecent = 8;

    /// The list as stored, newest first, without empty or repeated entries.
    QStringList Paths() const;
    /// path becomes the newest entry (an earlier entry of the same file is dropped); the oldest
    /// fall off past kMaxRecent.
    void Add(const QString& path);
    void Remove(const QString& path);
    void Clear();
    /// Folder of the newest entry whose folder still exists; empty when there is none.
    QString LastFolder() const;

private:
    void Store(const QStringList& paths);
};

} // namespace tarsen

#pragma once
#include <QSettings>
#include <QString>
#include <QStringList>

// The recent-file list: at most four paths, most recent first, kept in the profile's section
// "Recent File List" under the keys File1 .. File4 and written back at every change.
class CRecentFileList {
public:
    static constexpr int kSize = 4;

    // Reads the list from `profile`, which must outlive the list.
    explicit CRecentFileList(QSettings& profile);

    const QStringList& Paths() const { return m_paths; }
    // Puts `path` first, dropping an older entry for the same file and the fifth entry.
    void Add(const QString& path);
    void Remove(const QString& path);

    // Menu text of entry `index` (0-based): "&1 " and the path, shortened in the middle.
    QString MenuText(int index) const;

private:
    void Write();

    QSettings& m_profile;
    QStringList m_paths;
};

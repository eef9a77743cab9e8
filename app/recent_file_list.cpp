#include "app/recent_file_list.h"

#include <QDir>
#include <QFileInfo>

namespace {

const char* const kSection = "Recent File List";
constexpr int kMenuPathLength = 40;

QString Key(int index) {
    return QStringLiteral("File%1").arg(index + 1);
}

// Paths are compared as files: "a/../b.cvj" and "b.cvj" are the same entry.
QString Normalized(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// Keeps the file name whole and shortens the folders in the middle with "...".
QString Abbreviated(const QString& path) {
    const QString native = QDir::toNativeSeparators(path);
    if (native.size() <= kMenuPathLength) return native;
    const QString name = QFileInfo(path).fileName();
    const QString root =
        native.section(QDir::separator(), 0, 1, QString::SectionIncludeTrailingSep);
    const QString ellipsis = QStringLiteral("...") + QDir::separator();
    if (root.size() + ellipsis.size() + name.size() <= kMenuPathLength) {
        return root + ellipsis + name;
    }
    return ellipsis + name;
}

}  // namespace

CRecentFileList::CRecentFileList(QSettings& profile) : m_profile(profile) {
    m_profile.beginGroup(QString::fromLatin1(kSection));
    for (int i = 0; i < kSize; ++i) {
        const QString path = m_profile.value(Key(i)).toString();
        if (!path.isEmpty() && !m_paths.contains(path)) m_paths.append(path);
    }
    m_profile.endGroup();
}

void CRecentFileList::Add(const QString& path) {
    const QString normalized = Normalized(path);
    m_paths.removeAll(normalized);
    m_paths.prepend(normalized);
    while (m_paths.size() > kSize) m_paths.removeLast();
    Write();
}

void CRecentFileList::Remove(const QString& path) {
    if (m_paths.removeAll(path) + m_paths.removeAll(Normalized(path)) > 0) Write();
}

QString CRecentFileList::MenuText(int index) const {
    if (index < 0 || index >= m_paths.size()) return {};
    QString text = Abbreviated(m_paths.at(index));
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(text);
}

void CRecentFileList::Write() {
    m_profile.beginGroup(QString::fromLatin1(kSection));
    for (int i = 0; i < kSize; ++i) {
        if (i < m_paths.size()) {
            m_profile.setValue(Key(i), m_paths.at(i));
        } else {
            m_profile.remove(Key(i));
        }
    }
    m_profile.endGroup();
    m_profile.sync();
}

#include "app/FilePaths.h"

#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <dirent.h>
#include <sys/stat.h>

namespace {

// The entry of folder (bytes) whose name reads as name, or empty.
std::string entryReadingAs(const std::string& folder, const QString& name) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return {};
    std::string found;
    while (const dirent* entry = ::readdir(dir)) {
        if (QFile::decodeName(entry->d_name) == name) {
            found = entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

bool exists(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

} // namespace

std::string FileSystemPath(const QString& path) {
    const std::string encoded = QFile::encodeName(path).toStdString();
    if (exists(encoded) || !path.contains(QChar::ReplacementCharacter))
        return encoded;
    // Resolve the path part by part, keeping the bytes of each part found.
    std::string result = path.startsWith('/') ? "/" : "";
    const QStringList parts = path.split('/', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        std::string part = QFile::encodeName(parts[i]).toStdString();
        if (parts[i].contains(QChar::ReplacementCharacter) && !exists(result + part))
            if (std::string found = entryReadingAs(result, parts[i]); !found.empty())
                part = std::move(found);
        result += part;
        if (i + 1 < parts.size())
            result += '/';
    }
    return result;
}

std::vector<std::string> FileSystemPaths(const QStringList& paths) {
    std::vector<std::string> result;
    result.reserve(static_cast<std::size_t>(paths.size()));
    for (const QString& path : paths)
        result.push_back(FileSystemPath(path));
    return result;
}

QString DisplayPath(const std::string& path) {
    return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
}

QList<QByteArray> DroppedLocalPaths(const QMimeData* mime) {
    QList<QByteArray> paths;
    if (!mime || !mime->hasUrls())
        return paths;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        // A fully encoded path keeps non-UTF-8 bytes as %XX; decoding the
        // percent escapes alone gives the name's bytes back.
        const QByteArray bytes =
            QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        paths << (bytes.isEmpty() ? QFile::encodeName(url.toLocalFile()) : bytes);
    }
    return paths;
}

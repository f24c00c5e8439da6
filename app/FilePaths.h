// Paths as the file system holds them. Linux file names are bytes and need not
// be valid UTF-8 (a name written by an old Latin-1 system, say); a QString
// cannot carry such bytes, so the window keeps every path as the file system's
// own bytes in a std::string and turns it into a QString only to show it.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

class QMimeData;

// The bytes of a path that a Qt dialog or model gave as a QString. A name
// whose bytes the QString no longer carries (shown with replacement
// characters) is found again among its folder's entries: the first entry that
// reads as the same text.
std::string FileSystemPath(const QString& path);
std::vector<std::string> FileSystemPaths(const QStringList& paths);
// The path as text for the user; bytes that are not UTF-8 show as U+FFFD.
QString DisplayPath(const std::string& path);
// The local files and folders of dropped URLs, as exact bytes (percent-encoded
// bytes of a URL are taken as they are, not as text).
QList<QByteArray> DroppedLocalPaths(const QMimeData* mime);

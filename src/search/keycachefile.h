#pragma once

#include <optional>
#include <sys/types.h>
#include <utility>

#include <QByteArray>
#include <QString>

class QSqlError;

// What lies at a key cache's path, looked at before SQLite opens it, and what SQLite's errors mean
// for the cache. Used only by KeyCache (keycache.cpp).
namespace Duovue::KeyCacheFile
{

// "DVKC" in the database header tells a Duovue key cache from every other SQLite file.
constexpr qint64 ApplicationId = 0x44564B43;

// Why a cache file cannot serve. Only a damaged cache of ours is ever set aside: whatever else is
// at the path (a picture, another program's database, a link, a device) is the user's and is left
// exactly as it is, and the search runs without a cache.
enum class Problem {
    None,
    Locked, // another program holds it: leave it alone this time
    Newer, // made by a newer Duovue: leave it alone
    Damaged, // a damaged database: set aside when its header says it is ours
    Foreign, // not a Duovue key cache: leave it alone
    Unwritable, // cannot be written: leave it alone
    Link, // a symbolic link: never followed
    NotAFile, // a folder, a device, a pipe (or such a thing as its log or index)
    Other, // anything else (a full disk): do without it this time
};

/// What an error of Qt's SQLite driver means for the cache.
Problem problemOf(const QSqlError &error);
/// The words after "the key cache <path>" in a notice.
QString describe(Problem p);
/// What is at a cache's path, looked at without following a link and without writing: None when
/// SQLite may open it (nothing there, an empty file, a database of ours or one without an
/// application id, which KeyCache then tells apart). @p place receives the file's identity.
Problem inspect(const QByteArray &path, std::optional<std::pair<dev_t, ino_t>> *place);
/// Whether the file at @p path is, by its header, a key cache of ours: only such a file may be set
/// aside.
bool isOurs(const QByteArray &path);

} // namespace Duovue::KeyCacheFile

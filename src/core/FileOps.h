#pragma once
// File operations that never leave a half-written file in place: new content
// goes to a temporary file in the target's own folder, is flushed to disk, and
// is then renamed over (or next to) the target in one step.

#include <QString>

namespace fileops {

// A name for a temporary file beside `target` that does not exist yet:
// ".NAME.tmp-" and a random number in base 36, in the target's folder.
QString tempPathBeside(const QString &target);

// Whether `name` is one that tempPathBeside() gives (for a target named
// `targetName`, when that is not empty), or the name of a companion the
// database engine made beside such a file.
bool isTemporaryName(const QString &name, const QString &targetName = {});

// Removes the temporary files of this program from `folder` (only those for a
// target named `targetName`, when that is not empty): what a copy cut short
// by a kill or a power cut left behind. Returns how many were removed.
int removeLeftovers(const QString &folder, const QString &targetName = {});

// Flushes a file's content, or a folder's entries, to disk.
bool syncPath(const QString &path);

// Renames `from` to `to` only if `to` does not exist; on success the folder
// entry is flushed. Returns false and fills `error` when it fails.
bool publishNew(const QString &from, const QString &to, QString *error);

// Renames `from` over `to`, replacing it in one step.
bool replace(const QString &from, const QString &to, QString *error);

// Copies `from` to `to` through a temporary file beside `to`; the old `to`,
// if any, stays untouched until the copy is complete and flushed.
bool copyAtomically(const QString &from, const QString &to, QString *error);

// Writes `content` to `to` through a temporary file beside it; the old `to`,
// if any, stays untouched until the new content is complete and flushed.
bool writeAtomically(const QString &to, const QByteArray &content, QString *error);

// Copies `from` into a new temporary file beside `target` and flushes it.
// Returns the temporary file's path, or empty text with `error` filled (no
// temporary file is left then). The caller puts the copy in place with
// replace() or removes it; `target` itself is not touched here.
QString stageCopy(const QString &from, const QString &target, QString *error);

} // namespace fileops

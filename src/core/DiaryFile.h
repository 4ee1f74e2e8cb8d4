#pragma once
// Naming and finding diary files: one file per person, "First Last.bcl", in
// the data folder.

#include <QString>
#include <QStringList>

// "Ann" and "Smith" give "Ann Smith.bcl". Nothing is trimmed.
QString diaryFileName(const QString &firstName, const QString &lastName);

// The name shown for a diary: its file name without the last four characters.
QString diaryPersonName(const QString &fileName);

// Why a file name cannot be used for a diary in the data folder, or empty when
// it can: a name with a folder separator, a control character, or more bytes
// than the file system takes would land elsewhere or be refused.
QString diaryNameProblem(const QString &fileName);

// The name of a file of the folder that differs from `fileName` in the case of
// its letters only, or empty text. Such a name is taken too: on a file system
// that ignores case (a memory stick, a shared folder, another system) the two
// are one file, and a backup of one would replace the other's.
QString nameTakenInAnotherCase(const QString &folder, const QString &fileName);

// Every "*.bcl" file of the folder, in alphabetical order.
QStringList listDiaries(const QString &folder);

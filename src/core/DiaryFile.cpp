#include "core/DiaryFile.h"

#include <QDir>
#include <QFile>

QString diaryFileName(const QString &firstName, const QString &lastName)
{
    return firstName + QLatin1Char(' ') + lastName + QStringLiteral(".bcl");
}

QString diaryPersonName(const QString &fileName) { return fileName.left(fileName.size() - 4); }

QString diaryNameProblem(const QString &fileName)
{
    for (const QChar c : fileName) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            return QStringLiteral("A name may not hold the characters \"/\" or \"\\\". "
                                  "Change the first or last name or both.");
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
            c.category() == QChar::Other_Surrogate || c.unicode() == 0)
            return QStringLiteral("A name may not hold control characters. "
                                  "Change the first or last name or both.");
    }
    // Room for the temporary name used while the file is made.
    if (QFile::encodeName(fileName).size() > 200)
        return QStringLiteral("The names are too long for a file name. "
                              "Shorten the first or last name or both.");
    return {};
}

QString nameTakenInAnotherCase(const QString &folder, const QString &fileName)
{
    const QStringList names =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : names)
        if (name != fileName && name.compare(fileName, Qt::CaseInsensitive) == 0)
            return name;
    return {};
}

QStringList listDiaries(const QString &folder)
{
    QDir dir(folder);
    return dir.entryList({QStringLiteral("*.bcl")}, QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
}

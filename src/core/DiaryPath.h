#pragma once
// Where a diary file lies: the one place that joins a folder and a diary's
// file name.

#include <QString>

// The diary `fileName` ("Ann Smith.bcl") in `folder`: the two joined by "/"
// as they are, nothing trimmed or cleaned.
inline QString diaryPath(const QString &folder, const QString &fileName)
{
    return folder + QLatin1Char('/') + fileName;
}

#pragma once
// File dialogs that answer as a test tells them and remember what they were
// asked.

#include "platform/FileDialogs.h"

#include <QStringList>

class FakeFileDialogs final : public FileDialogs {
public:
    QString saveFileName(QWidget *, const QString &caption, const QString &proposed, const QString &) override
    {
        return answer(caption, proposed);
    }
    QString openFileName(QWidget *, const QString &caption, const QString &folder, const QString &) override
    {
        return answer(caption, folder);
    }

    // The answers given in turn; with none left the dialog is cancelled.
    QStringList answers;
    // The caption and the offered path (or starting folder) of each question.
    QStringList captions;
    QStringList offered;

private:
    QString answer(const QString &caption, const QString &offer)
    {
        captions << caption;
        offered << offer;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};

#include "maintenance/ImportReadings.h"

#include "platform/FileDialogs.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"
#include "store/DiaryAccess.h"

#include <QDir>
#include <QHBoxLayout>
#include <QListWidget>
#include <QVBoxLayout>

ImportReadings::ImportReadings(Shell &shell) : ChildWindow(shell, QStringLiteral("ImportReadings"))
{
    setWindowTitle(QStringLiteral("Import Readings"));
    setEscapeCloses(true);

    FileName = makeLabel(this, "FileName", QString(), nullptr, Qt::AlignLeft | Qt::AlignVCenter);
    FileName->setWordWrap(true);
    Added = makeLabel(this, "Added", QString(), nullptr, Qt::AlignLeft | Qt::AlignVCenter);
    Stored = makeLabel(this, "Stored", QString(), nullptr, Qt::AlignLeft | Qt::AlignVCenter);
    Problems = new QListWidget(this);
    Problems->setObjectName(QStringLiteral("Problems"));
    Problems->setMinimumSize(fontMetrics().averageCharWidth() * 70, fontMetrics().height() * 8);
    Unusable = makeLabel(this, "Unusable", QString(), Problems, Qt::AlignLeft | Qt::AlignVCenter);
    ImportRds =
        makeButton(this, "ImportRds", QStringLiteral("&Import"), QStringLiteral("Add the new dates to the diary."));
    Cancel =
        makeButton(this, "Cancel", QStringLiteral("&Cancel"), QStringLiteral("Cancel operation and close window."));
    for (QPushButton *b : {ImportRds, Cancel})
        b->setMinimumSize(twipsToPixels(1695), twipsToPixels(495));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ImportRds);
    buttons->addSpacing(twipsToPixels(1200));
    buttons->addWidget(Cancel);
    buttons->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(twipsToPixels(400), twipsToPixels(300), twipsToPixels(400), twipsToPixels(300));
    layout->addWidget(FileName);
    layout->addSpacing(twipsToPixels(150));
    layout->addWidget(Added);
    layout->addWidget(Stored);
    layout->addWidget(Unusable);
    layout->addWidget(Problems);
    layout->addSpacing(twipsToPixels(200));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabChain({Problems, ImportRds, Cancel});
    setFocusProxy(ImportRds);

    connect(ImportRds, &QPushButton::clicked, this, &ImportReadings::ImportRds_Click);
    connect(Cancel, &QPushButton::clicked, this, &ChildWindow::discard);
}

ChildWindow::LoadResult ImportReadings::load()
{
    Services &services = shell_.services();
    if (!shell_.browser() || !services.files)
        return LoadResult::Discard;
    QWidget *frame = shell_.frameWidget();
    const QString file = services.files->openFileName(frame, QStringLiteral("Import Readings"), documentsFolder(),
                                                      QStringLiteral("CSV files (*.csv *.txt);;All files (*)"));
    if (file.isEmpty())
        return LoadResult::Discard;

    diaryPath_ = currentDiaryPath(shell_);
    try {
        WaitGuard wait(*services.wait);
        preview_ = csv::previewImportFile(diaryPath_, file, QLocale());
    } catch (const StoreError &e) {
        reportFailure(services, frame, readFailedText(), e.message());
        return LoadResult::Discard;
    }
    if (!preview_.failure.isEmpty()) {
        services.messages->show(frame, preview_.failure);
        return LoadResult::Discard;
    }

    FileName->setText(QStringLiteral("From: %1").arg(QDir::toNativeSeparators(file)));
    Added->setText(csv::addCountText(preview_.toAdd.size()));
    Stored->setText(csv::storedCountText(preview_.stored.size()));
    for (const csv::LineProblem &p : preview_.problems)
        Problems->addItem(csv::problemText(p));
    Unusable->setText(csv::problemCountText(preview_.problems.size()));
    Unusable->setVisible(!preview_.problems.isEmpty());
    Problems->setVisible(!preview_.problems.isEmpty());
    ImportRds->setEnabled(preview_.usable());
    setFocusProxy(preview_.usable() ? ImportRds : Cancel);

    shell_.setWindowEnabled(QStringLiteral("CurrReading"), false);
    holdsBrowser_ = true;
    return LoadResult::Show;
}

void ImportReadings::closingStep()
{
    if (holdsBrowser_)
        shell_.setWindowEnabled(QStringLiteral("CurrReading"), true);
}

void ImportReadings::ImportRds_Click()
{
    if (!preview_.usable())
        return;
    Services &services = shell_.services();
    csv::ImportDone done;
    try {
        WaitGuard wait(*services.wait);
        done = csv::applyImport(diaryPath_, preview_);
    } catch (const StoreError &e) {
        // Nothing was added; the window stays for another try or Cancel.
        reportFailure(services, this, changeFailedText(), e.message());
        return;
    }
    if (ShownDay *browser = shell_.browser(); browser && done.last)
        browser->showDay(*done.last);
    discard();
}

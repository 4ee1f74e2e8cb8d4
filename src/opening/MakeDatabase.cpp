#include "opening/MakeDatabase.h"

#include "core/Database.h"
#include "core/DiaryFile.h"
#include "core/DiaryPath.h"
#include "help/helpids.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

MakeDatabase::MakeDatabase(Shell &shell) : ChildWindow(shell, QStringLiteral("MakeDatabase"))
{
    setWindowTitle(QStringLiteral("Create New Database"));
    setHelpContext(IDH_START);
    setEscapeCloses(true);
    useMainWindowType(this);

    FirstName = makeBox(this, "FirstName");
    LastName = makeBox(this, "LastName");
    auto *label1 = makeLabel(this, "Label1",
                             QStringLiteral("Enter the information below and click Create to make a new database."),
                             nullptr, Qt::AlignLeft | Qt::AlignVCenter);
    label1->setWordWrap(true);
    auto *label2 = makeLabel(this, "Label2", QStringLiteral("First Name:"), FirstName);
    auto *label3 = makeLabel(this, "Label3", QStringLiteral("Last Name:"), LastName);
    CreateDatabase = makeButton(this, "CreateDatabase", QStringLiteral("Create"),
                                QStringLiteral("Create database with first and last names entered."));
    CancelMake =
        makeButton(this, "CancelMake", QStringLiteral("Cancel"), QStringLiteral("Cancel operation and close window."));
    CreateDatabase->setDefault(true);

    auto *grid = new QGridLayout;
    grid->addWidget(label2, 0, 0);
    grid->addWidget(FirstName, 0, 1);
    grid->addWidget(label3, 1, 0);
    grid->addWidget(LastName, 1, 1);
    FirstName->setMinimumWidth(fontMetrics().averageCharWidth() * 28);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CreateDatabase);
    buttons->addWidget(CancelMake);
    buttons->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label1);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabChain({FirstName, LastName, CreateDatabase, CancelMake});
    setFocusProxy(FirstName);

    connect(CreateDatabase, &QPushButton::clicked, this, &MakeDatabase::CreateDatabase_Click);
    connect(CancelMake, &QPushButton::clicked, this, &ChildWindow::discard);
}

void MakeDatabase::CreateDatabase_Click()
{
    Services &sv = shell_.services();
    const QString name = diaryFileName(FirstName->text(), LastName->text());

    if (const QString problem = diaryNameProblem(name); !problem.isEmpty()) {
        sv.messages->beep();
        sv.messages->show(this, problem);
        return;
    }

    const QString path = diaryPath(shell_.dataFolder(), name);
    const auto alreadyExists = [&] {
        sv.messages->beep();
        sv.messages->show(this,
                          QStringLiteral("That database already exists. Change the first or last name "
                                         "or both to create a new database."));
    };
    if (QFileInfo::exists(path) || !nameTakenInAnotherCase(shell_.dataFolder(), name).isEmpty()) {
        alreadyExists();
        return;
    }
    try {
        Database::create(path);
    } catch (const StoreError &e) {
        if (e.kind() == StoreError::Kind::Exists)
            alreadyExists();
        else
            reportFailure(sv, this, QStringLiteral("The database could not be created. Nothing was written."),
                          e.message());
        return;
    }
    discard();
}

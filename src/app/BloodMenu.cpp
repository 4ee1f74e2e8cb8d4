#include "app/BloodMenu.h"

#include "help/helpids.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"

#include <QVBoxLayout>

BloodMenu::BloodMenu(Shell &shell) : ChildWindow(shell, QStringLiteral("BloodMenu"))
{
    setWindowTitle(QStringLiteral("Form1"));
    setFrame(Frame::Borderless);
    setHelpContext(IDH_START);
    paintBackground(this, Qt::black);
    useMainWindowType(this);

    Command1 = makeButton(this, "Command1", QStringLiteral("Create New Database"));
    Command2 = makeButton(this, "Command2", QStringLiteral("Open An Existing Database"));
    Command3 = makeButton(this, "Command3", QStringLiteral("Exit Program"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);
    const int width = fontMetrics().horizontalAdvance(Command2->text()) + 48;
    for (QPushButton *b : {Command1, Command2, Command3}) {
        b->setMinimumSize(width, fontMetrics().height() * 2 + 8);
        layout->addWidget(b);
    }
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setTabChain({Command1, Command2, Command3});
    setFocusProxy(Command1);

    connect(Command1, &QPushButton::clicked, this, [this] { shell_.openWindow(QStringLiteral("MakeDatabase")); });
    connect(Command2, &QPushButton::clicked, this, [this] { shell_.openWindow(QStringLiteral("SelectDbase")); });
    connect(Command3, &QPushButton::clicked, this, [this] { shell_.exitProgram(); });
}

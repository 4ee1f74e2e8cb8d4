#include "app/About.h"

#include "platform/Shell.h"
#include "platform/Widgets.h"

#include <QVBoxLayout>

About::About(Shell &shell) : ChildWindow(shell, QStringLiteral("About"))
{
    setWindowTitle(QString());
    setEscapeCloses(true);
    paintBackground(this, Qt::black);

    const struct {
        const char *name;
        QString text;
        int points;
    } lines[] = {
        {"Label1", QStringLiteral("Levelbook"), 20},
        {"Label2", QStringLiteral("Version 1.10"), 12},
        {"Label3", QStringLiteral("A diary of blood-glucose readings."), 10},
        {"Label4", QStringLiteral("Your readings stay on this computer, in your own diary file."), 10},
    };
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 24);
    layout->setSpacing(10);
    for (const auto &line : lines) {
        auto *label = makeLabel(this, line.name, line.text, nullptr, Qt::AlignCenter);
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        label->setPalette(p);
        QFont f = label->font();
        f.setPointSize(line.points);
        f.setBold(line.points > 10);
        label->setFont(f);
        layout->addWidget(label);
    }
    Command1 = makeButton(this, "Command1", QStringLiteral("Close"));
    Command1->setDefault(true);
    layout->addSpacing(8);
    layout->addWidget(Command1, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setFocusProxy(Command1);

    connect(Command1, &QPushButton::clicked, this, &ChildWindow::discard);
}

#include "app/MDIStart.h"

#include "app/About.h"
#include "app/BloodMenu.h"
#include "charts/Windows.h"
#include "core/ReadingKind.h"
#include "help/helpids.h"
#include "listing/Windows.h"
#include "maintenance/Windows.h"
#include "opening/SelectDbase.h"
#include "opening/Windows.h"
#include "platform/HelpKey.h"
#include "readings/Windows.h"
#include "reports/Windows.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>

MDIStart::MDIStart(const Services &services, const QString &dataFolder)
    : services_(services), dataFolder_(dataFolder), area_(new QMdiArea(this))
{
    setObjectName(QStringLiteral("MDIStart"));
    setWindowTitle(QStringLiteral("Levelbook  Press F1 for Help"));
    setProperty("helpContext", IDH_START);
    area_->setObjectName(QStringLiteral("area"));
    area_->setBackground(Qt::black);
    // A window larger than the frame (a chart at 200 % on a small screen)
    // can still be scrolled into view, its buttons included.
    area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(area_);
    area_->viewport()->installEventFilter(this);
    exit_ = [] { QCoreApplication::exit(0); };
    buildMenus();
    registerWindows();
    // F1 anywhere in the frame opens the help at the topic of the control in use.
    new HelpKey(this, services_);
}

MDIStart::~MDIStart()
{
    // Ending the program discards the windows without their closing steps,
    // while the frame can still be told of the holds they let go.
    ending_ = true;
    open_.clear();
    const QList<QMdiSubWindow *> subs = area_->subWindowList();
    qDeleteAll(subs);
    // The diary's kept connection goes with the frame that showed it.
    session_.release();
}

void MDIStart::start()
{
    setDatabaseMenus(false);
    openWindow(QStringLiteral("BloodMenu"));
}

void MDIStart::buildMenus()
{
    int line = 0;
    auto addMenu = [this](const char *name, const QString &caption) {
        QMenu *m = menuBar()->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name));
        return m;
    };
    auto addItem = [this](QMenu *m, const char *name, const QString &caption, int help, std::function<void()> run) {
        QAction *a = m->addAction(caption);
        a->setObjectName(QLatin1String(name));
        if (help)
            a->setProperty("helpContext", help);
        connect(a, &QAction::triggered, this, std::move(run));
        return a;
    };
    auto addLine = [&line](QMenu *m) {
        QAction *sep = m->addSeparator();
        sep->setObjectName(QStringLiteral("Line%1").arg(++line));
    };
    auto opener = [this](const char *window) { return [this, window] { openWindow(QLatin1String(window)); }; };

    QMenu *file = addMenu("mniFile", QStringLiteral("&File"));
    addItem(file, "mnuFileBackupRestore", QStringLiteral("&Configure Backup/Restore"), IDH_BACKUP_FOLDER,
            opener("Cback"));
    addLine(file);
    addItem(file, "mnuFileExit", QStringLiteral("E&Xit"), 0, [this] { exitProgram(); });

    QMenu *util = addMenu("mnuUtilities", QStringLiteral("&Urilities"));
    addItem(util, "mnuUtilitiesBackup", QStringLiteral("&Backuo Data"), IDH_BACKUP,
            [this] { runAction(QStringLiteral("BackupData")); });
    addLine(util);
    addItem(util, "mnuUtilitiesRestore", QStringLiteral("&Restore Data"), IDH_RESTORE, opener("RestBackup"));
    addLine(util);
    addItem(util, "mnuUtilitiesCompact", QStringLiteral("&Compact a Database"), IDH_COMPACT, opener("CompactDbase"));
    addLine(util);
    addItem(util, "mnuUtilitiesRepair", QStringLiteral("R&Epair a Database"), IDH_REPAIR, opener("RepairDbase"));
    addLine(util);
    addItem(util, "mnuUtilitiesDelMultipleRds", QStringLiteral("&Delete Multiple Readings"), IDH_DELETE_MULTIPLE,
            [this] { openIfDateShown(QStringLiteral("DeleteRds")); });
    // Named after the last of the other separators, so that theirs stay.
    util->addSeparator()->setObjectName(QStringLiteral("Line13"));
    addItem(util, "mnuUtilitiesImport", QStringLiteral("&Import Readings..."), 0, opener("ImportReadings"));

    QMenu *graphs = addMenu("mnuGraphs", QStringLiteral("&Graphs"));
    const auto &kinds = readingKinds();
    for (size_t i = 0; i < kinds.size(); ++i) {
        if (i > 0)
            addLine(graphs);
        const QString window = QLatin1String(kinds[i].chartWindow);
        addItem(graphs, kinds[i].menuName, QLatin1String(kinds[i].menuCaption), IDH_CHARTS,
                [this, window] { openIfDateShown(window); });
    }
    addLine(graphs);
    addItem(graphs, "mnuGraphsStandardDay", QStringLiteral("&Standard Day..."), IDH_STANDARD_DAY,
            [this] { openIfDateShown(QStringLiteral("StandardDay")); });

    QMenu *about = addMenu("mnuAbout", QStringLiteral("&About"));
    addItem(about, "mnuAboutAbout", QStringLiteral("A&Bout"), 0, opener("About"));
}

void MDIStart::registerWindows()
{
    registry_.addWindow(QStringLiteral("BloodMenu"), [](Shell &s) { return new BloodMenu(s); });
    registry_.addWindow(QStringLiteral("About"), [](Shell &s) { return new About(s); });
    registerOpeningWindows(registry_);
    registerReadingsWindows(registry_);
    registerListingWindows(registry_);
    registerReportsWindows(registry_);
    registerChartsWindows(registry_);
    registerMaintenanceWindows(registry_);
}

QAction *MDIStart::action(const QString &name) const { return findChild<QAction *>(name); }
QMenu *MDIStart::menu(const QString &name) const { return findChild<QMenu *>(name); }

void MDIStart::setDatabaseMenus(bool databaseOpen)
{
    for (const char *name :
         {"mnuFileBackupRestore", "mnuUtilitiesRestore", "mnuUtilitiesCompact", "mnuUtilitiesRepair"})
        action(QLatin1String(name))->setEnabled(!databaseOpen);
    for (const char *name : {"mnuUtilitiesBackup", "mnuUtilitiesDelMultipleRds", "mnuUtilitiesImport"})
        action(QLatin1String(name))->setEnabled(databaseOpen);
    databaseOpen_ = databaseOpen;
    showHeldMenus();
}

void MDIStart::showHeldMenus()
{
    const bool free = holds_.value(Held::Menus) == 0;
    menu(QStringLiteral("mniFile"))->setEnabled(free);
    menu(QStringLiteral("mnuUtilities"))->setEnabled(free);
    menu(QStringLiteral("mnuGraphs"))->setEnabled(free && databaseOpen_);
}

void MDIStart::countHold(Held what, bool taken)
{
    if (ending_)
        return;
    int &count = holds_[what];
    count = taken ? count + 1 : std::max(0, count - 1);
    switch (what) {
    case Held::Browser:
        if (QMdiSubWindow *sub = subWindow(registry_.browser()))
            sub->setEnabled(count == 0);
        break;
    case Held::Menus: showHeldMenus(); break;
    case Held::StartChoice:
        // Hidden by the first hold, shown again when the last lets go.
        if (count == (taken ? 1 : 0))
            setWindowVisible(QStringLiteral("BloodMenu"), !taken);
        break;
    }
}

ShownDay *MDIStart::browser() const { return dynamic_cast<ShownDay *>(window(registry_.browser())); }

ShownDay *MDIStart::openBrowser() { return dynamic_cast<ShownDay *>(openWindow(registry_.browser())); }

QMdiSubWindow *MDIStart::subWindow(const QString &name) const
{
    const auto it = open_.constFind(name);
    return it == open_.constEnd() ? nullptr : it->data();
}

ChildWindow *MDIStart::window(const QString &name) const
{
    QMdiSubWindow *sub = subWindow(name);
    return sub ? qobject_cast<ChildWindow *>(sub->widget()) : nullptr;
}

ChildWindow *MDIStart::openWindow(const QString &name)
{
    if (ChildWindow *open = window(name))
        return open;
    const WindowRegistry::Factory *factory = registry_.window(name);
    if (!factory)
        return nullptr;

    // The window the user was in, to give the keyboard back to should this
    // one decline to open (the open window after a corrupted-file message).
    const QPointer<QMdiSubWindow> previous = area_->activeSubWindow();
    ChildWindow *form = (*factory)(*this);
    auto *sub = new QMdiSubWindow;
    sub->setObjectName(name + QStringLiteral("Frame"));
    sub->setAttribute(Qt::WA_DeleteOnClose);
    if (form->frame() == ChildWindow::Frame::Borderless)
        sub->setWindowFlags(Qt::SubWindow | Qt::FramelessWindowHint);
    else
        sub->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint);
    sub->setWidget(form);
    sub->setWindowTitle(form->windowTitle());
    if (name == registry_.browser())
        sub->setEnabled(holds_.value(Held::Browser) == 0);
    area_->addSubWindow(sub);
    sub->hide();
    open_.insert(name, sub);
    // A window closed by any route, its own close box included, is no longer
    // open, even before it is deleted.
    connect(form, &ChildWindow::closed, this, [this, name, sub] {
        if (open_.value(name) == sub) {
            open_.remove(name);
            disabledBy_.remove(name);
        }
        // The keyboard goes to the window now on top, as on any desktop.
        const QList<QMdiSubWindow *> stack = area_->subWindowList(QMdiArea::StackingOrder);
        for (auto it = stack.crbegin(); it != stack.crend(); ++it) {
            if (*it != sub && (*it)->isVisible() && (*it)->isEnabled()) {
                area_->setActiveSubWindow(*it);
                // Activation alone may leave the keyboard on the window's
                // first box (the browser's read-only name, say); the
                // window's own choice of control takes it.
                if ((*it)->widget())
                    (*it)->widget()->setFocus();
                break;
            }
        }
    });

    const ChildWindow::LoadResult result = form->load();
    if (result == ChildWindow::LoadResult::Discard) {
        open_.remove(name);
        delete sub;
        if (previous && previous->isVisible()) {
            area_->setActiveSubWindow(previous);
            previous->widget()->setFocus();
        }
        return nullptr;
    }
    sub->adjustSize();
    sub->setFixedSize(sub->sizeHint());
    centre(sub);
    if (result == ChildWindow::LoadResult::Show) {
        sub->show();
        area_->setActiveSubWindow(sub);
        form->setFocus();
    }
    return form;
}

void MDIStart::closeWindow(const QString &name)
{
    QMdiSubWindow *sub = subWindow(name);
    open_.remove(name);
    disabledBy_.remove(name);
    if (sub)
        sub->close();
}

void MDIStart::setWindowVisible(const QString &name, bool visible)
{
    if (QMdiSubWindow *sub = subWindow(name)) {
        sub->setVisible(visible);
        if (visible) {
            area_->setActiveSubWindow(sub);
            sub->widget()->setFocus();
        }
    }
}

void MDIStart::setWindowEnabled(const QString &name, bool enabled)
{
    // Several windows may hold one disabled at once (a chart opened from the
    // menu while the listing is up); it comes back when the last lets go.
    int &holds = disabledBy_[name];
    holds = enabled ? std::max(0, holds - 1) : holds + 1;
    if (QMdiSubWindow *sub = subWindow(name))
        sub->setEnabled(holds == 0);
}

void MDIStart::exitProgram() { exit_(); }

void MDIStart::centre(QMdiSubWindow *sub) const
{
    const QSize room = area_->viewport()->size();
    const int x = std::max(0, (room.width() - sub->width()) / 2);
    const int y = std::max(0, (room.height() - sub->height()) / 2);
    sub->move(x, y);
}

bool MDIStart::eventFilter(QObject *watched, QEvent *event)
{
    // The start-up choice stays in the middle while the frame settles or is resized.
    if (watched == area_->viewport() && event->type() == QEvent::Resize)
        if (QMdiSubWindow *menu = subWindow(QStringLiteral("BloodMenu")))
            centre(menu);
    return QMainWindow::eventFilter(watched, event);
}

void MDIStart::runAction(const QString &name)
{
    if (const WindowRegistry::Action *run = registry_.action(name))
        (*run)(*this);
}

void MDIStart::openIfDateShown(const QString &name)
{
    if (browserShowingADate())
        openWindow(name);
}

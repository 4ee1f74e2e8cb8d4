#pragma once
// The main frame: the menu bar, the area that holds every other window, the
// rule that switches menu items on and off while a diary is open, and the
// registry that opens windows by name.

#include "core/DiarySession.h"
#include "platform/Shell.h"
#include "platform/WindowRegistry.h"

#include <QMainWindow>
#include <QMap>
#include <QPointer>

#include <functional>

class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QAction;

class MDIStart : public QMainWindow, public Shell {
    Q_OBJECT
public:
    MDIStart(const Services &services, const QString &dataFolder);
    ~MDIStart() override;

    // The loading step: disables the items that need an open diary and opens
    // the start-up choice.
    void start();

    // Shell
    Services &services() override { return services_; }
    QString dataFolder() const override { return dataFolder_; }
    const OpenDiary &openDiary() const override { return openDiary_; }
    void setOpenDiary(const OpenDiary &diary) override
    {
        // The connection kept for the diary shown until now is let go.
        session_.release();
        openDiary_ = diary;
    }
    DiarySession &diarySession() override { return session_; }
    ShownDay *browser() const override;
    ShownDay *openBrowser() override;
    void setDatabaseMenus(bool databaseOpen) override;
    void countHold(Held what, bool taken) override;
    QWidget *frameWidget() override { return this; }
    ChildWindow *openWindow(const QString &name) override;
    ChildWindow *window(const QString &name) const override;
    void closeWindow(const QString &name) override;
    void setWindowVisible(const QString &name, bool visible) override;
    void setWindowEnabled(const QString &name, bool enabled) override;
    void exitProgram() override;

    // What ending the program does; tests replace it.
    void setExitHandler(std::function<void()> handler) { exit_ = std::move(handler); }

    // The windows and actions that can be opened by name.
    WindowRegistry &registry() { return registry_; }

    QMdiArea *area() const { return area_; }
    QAction *action(const QString &name) const;
    QMenu *menu(const QString &name) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void registerWindows();
    void centre(QMdiSubWindow *sub) const;
    // The File, Utilities and Graphs menus as the holds on them and the open
    // diary leave them.
    void showHeldMenus();
    QMdiSubWindow *subWindow(const QString &name) const;
    // The Graphs items and Delete Multiple Readings open their window only
    // while the browser shows a date.
    void openIfDateShown(const QString &name);
    void runAction(const QString &name);

    Services services_;
    QString dataFolder_;
    OpenDiary openDiary_;
    // The connection kept to the open diary; it goes with the frame.
    DiarySession session_;
    QMdiArea *area_;
    WindowRegistry registry_;
    QMap<QString, QPointer<QMdiSubWindow>> open_;
    // How many open windows hold each window disabled.
    QMap<QString, int> disabledBy_;
    // How many holds each part of the frame is under.
    QMap<Held, int> holds_;
    bool databaseOpen_ = false;
    // Set while the frame ends: windows discarded then give nothing back.
    bool ending_ = false;
    std::function<void()> exit_;
};

#pragma once
// The windows and menu actions the shell can open by name. Each subsystem
// registers its own; the shell owns the registry.

#include <QString>

#include <functional>
#include <map>

class ChildWindow;
class Shell;

class WindowRegistry {
public:
    using Factory = std::function<ChildWindow *(Shell &)>;
    using Action = std::function<void(Shell &)>;

    void addWindow(const QString &name, Factory factory) { windows_[name] = std::move(factory); }
    void addAction(const QString &name, Action action) { actions_[name] = std::move(action); }
    // The browser: a window like the others that the shell also finds as the
    // one showing the open diary.
    void addBrowser(const QString &name, Factory factory)
    {
        addWindow(name, std::move(factory));
        browser_ = name;
    }
    const QString &browser() const { return browser_; }

    const Factory *window(const QString &name) const
    {
        const auto it = windows_.find(name);
        return it == windows_.end() ? nullptr : &it->second;
    }
    const Action *action(const QString &name) const
    {
        const auto it = actions_.find(name);
        return it == actions_.end() ? nullptr : &it->second;
    }

private:
    std::map<QString, Factory> windows_;
    std::map<QString, Action> actions_;
    QString browser_;
};

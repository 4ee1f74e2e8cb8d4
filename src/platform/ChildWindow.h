#pragma once
// The base of every window that opens inside the main frame. Each window has
// a loading step (run once when it is opened; it may decline to show) and a
// closing step (run once whenever it is discarded, by any route).

#include "platform/Hold.h"

#include <QWidget>

#include <list>

class Shell;

class ChildWindow : public QWidget {
    Q_OBJECT
public:
    enum class Frame {
        Dialog,    // a fixed dialog with a title bar and a close box
        Borderless // no title bar at all
    };

    ChildWindow(Shell &shell, const QString &name, QWidget *parent = nullptr);

    // What the loading step decided.
    enum class LoadResult { Show, StayHidden, Discard };
    virtual LoadResult load() { return LoadResult::Show; }

    Frame frame() const { return frame_; }
    int helpContext() const { return property("helpContext").toInt(); }

    // Discards the window: runs the closing step and removes it.
    void discard();

signals:
    // The window has been closed by any route; it is deleted soon after.
    void closed();

protected:
    // Undoes what the window set on other windows. Runs exactly once.
    virtual void closingStep() {}

    // Holds a part of the frame while the window is open: from now until the
    // window closes by any route, or is discarded because its loading step
    // declined to show it.
    void hold(Held what) { holds_.emplace_back(shell_, what); }

    void setFrame(Frame f) { frame_ = f; }
    void setHelpContext(int id) { setProperty("helpContext", id); }
    // Escape closes the window as its Cancel button does.
    void setEscapeCloses(bool on) { escapeCloses_ = on; }

    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // Tab and Shift+Tab walk the window's controls in their tab order and
    // wrap round from the last to the first, whichever control the window
    // gives the keyboard to when it opens.
    bool focusNextPrevChild(bool next) override;

    Shell &shell_;

private:
    Frame frame_ = Frame::Dialog;
    bool escapeCloses_ = false;
    bool closed_ = false;
    std::list<Hold> holds_;
};

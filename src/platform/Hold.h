#pragma once
// A window's hold on a part of the main frame that must wait while the window
// is open: the browser (disabled), the frame's File, Utilities and Graphs
// menus (disabled) or the start-up choice (hidden). The shell counts the holds
// of each kind and gives the part back when the last of them lets go, so a
// browser held by two windows comes back only when both are gone.

class Shell;

enum class Held { Browser, Menus, StartChoice };

// Taken when made, let go by release() or at the latest when destroyed, as a
// transaction that was not committed is rolled back.
class Hold {
public:
    Hold(Shell &shell, Held what);
    ~Hold() { release(); }
    void release();

    Held what() const { return what_; }

    Hold(const Hold &) = delete;
    Hold &operator=(const Hold &) = delete;

private:
    Shell &shell_;
    Held what_;
    bool held_ = true;
};

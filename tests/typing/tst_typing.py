#!/usr/bin/python3
"""Dates typed the way a keyboard types them.

Starts the built program as its own process on a private X server, sends keys
and clicks through the X server (xdotool, which uses XTest), and reads back
what every date picker shows and the hidden date key beside it through the
accessibility interface (AT-SPI on a private session bus), and what is stored
from the diary file itself. In-process key events skip the path that real
keys take (focus arriving by Tab, key releases, the input method); this test
does not.

    tst_typing.py PROGRAM

Runs under dbus-run-session (see CMakeLists.txt). Exit status 0 when every
check holds, 1 otherwise; every failed check is printed.
"""

import datetime
import os
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import time

import pyatspi

DIARY_ID = 0x4C42434C
KEY_DELAY_MS = "30"
FAILURES = []
START = time.time()
CHECKS = [0]


def check(ok, what):
    CHECKS[0] += 1
    if os.environ.get("TYPING_VERBOSE"):
        print("%6.1f ok   %s" % (time.time() - START, what), flush=True)
    if not ok:
        FAILURES.append(what)
        print("FAIL " + what, flush=True)


# The short-date forms of the locales the program is started in, with the
# year widened to four digits as the program shows it.
def shown(locale, iso):
    d = datetime.date.fromisoformat(iso)
    if locale.startswith("en_US"):
        return "%d/%d/%d" % (d.month, d.day, d.year)
    if locale.startswith("en_GB"):
        return "%02d/%02d/%d" % (d.day, d.month, d.year)
    if locale.startswith("de_DE"):
        return "%02d.%02d.%d" % (d.day, d.month, d.year)
    months = "Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec".split()
    return "%d %s %d" % (d.day, months[d.month - 1], d.year)


def same_date(text, want):
    """The text names the same date as want, zero-padded or not."""
    def parts(t):
        out, run = [], ""
        for c in t + " ":
            if c.isalnum():
                run += c
            elif run:
                out.append(str(int(run)) if run.isdigit() else run)
                run = ""
        return out
    return parts(text) == parts(want)


def write_diary(path, days):
    db = sqlite3.connect(path)
    db.executescript(
        "PRAGMA application_id = %d;"
        "CREATE TABLE BLOOD (Bdate TEXT(15), Bfast TEXT(6), Afast TEXT(6), Blunch TEXT(6), Alunch TEXT(6),"
        " Bdinner TEXT(6), Adinner TEXT(6), Bedtime TEXT(6), Night TEXT(6));"
        "CREATE UNIQUE INDEX Readings ON BLOOD (Bdate ASC);" % DIARY_ID)
    for day, reading in days:
        db.execute("INSERT INTO BLOOD VALUES (?,?,'-','-','-','-','-','-','-')", (day, reading))
    db.commit()
    db.close()


class Desktop:
    """One private X server and accessibility bus for the whole run: the
    accessibility library keeps the first bus it finds for the process."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="lb-typing-")
        os.chmod(self.root, 0o700)
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=[write], stderr=subprocess.DEVNULL)
        os.close(write)
        # The server writes its display number once it takes connections; the
        # pipe stays open for as long as it runs.
        self.number_pipe = read
        number = ""
        while not number.endswith("\n"):
            chunk = os.read(read, 100).decode()
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
        os.environ.update(DISPLAY=":" + number.strip(), XDG_RUNTIME_DIR=self.root)
        self.bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                    start_new_session=True, stderr=subprocess.DEVNULL)

    def close(self):
        try:
            os.killpg(self.bus.pid, 9)
        except ProcessLookupError:
            pass
        self.xvfb.kill()
        self.xvfb.wait()
        os.close(self.number_pipe)
        shutil.rmtree(self.root, ignore_errors=True)


class Session:
    """The program started afresh in one locale, with one diary."""

    def __init__(self, program, locale, days):
        self.locale = locale
        self.root = tempfile.mkdtemp(prefix="lb-typing-")
        folder = os.path.join(self.root, "Levelbook")
        os.makedirs(folder)
        shutil.copy(program, folder)
        self.diary = os.path.join(folder, "Ann Smith.bcl")
        write_diary(self.diary, days)
        env = dict(os.environ, HOME=self.root, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   LANG=locale, LC_ALL="", LANGUAGE="")
        self.app = subprocess.Popen([os.path.join(folder, "levelbook")], env=env)
        self.acc = self.wait(self._application, 20, "the program on the accessibility bus")
        self.wait(lambda: self.find("Open An Existing Database", "push button"), 10, "the start-up choice")
        self.xdo("windowfocus", "--sync", self.xdo("search", "--sync", "--onlyvisible", "--pid", str(self.app.pid),
                                                    "--name", "^Levelbook  Press F1 for Help$").split()[0])

    def close(self):
        self.app.kill()
        self.app.wait()
        shutil.rmtree(self.root, ignore_errors=True)

    def _application(self):
        for a in pyatspi.Registry.getDesktop(0):
            if a is not None and a.name == "Levelbook" and a.get_process_id() == self.app.pid:
                return a
        return None

    @staticmethod
    def wait(probe, timeout=5, what="a window"):
        end = time.time() + timeout
        while True:
            try:
                found = probe()
            except Exception:  # the window changed under the walk
                found = None
            if found or time.time() > end:
                if not found:
                    raise RuntimeError("timed out waiting for " + what)
                return found
            time.sleep(0.03)

    def xdo(self, *args):
        return subprocess.run(["xdotool"] + list(args), check=True, capture_output=True, text=True).stdout

    def keys(self, keys):
        if keys.split():
            self.xdo("key", "--delay", KEY_DELAY_MS, *keys.split())

    def walk(self, node=None):
        return walk(node or self.acc)

    def find(self, name, role, within=None):
        for n in self.walk(within):
            try:
                if n.name == name and n.getRoleName() == role and n.getState().contains(pyatspi.STATE_SHOWING):
                    return n
            except Exception:
                continue
        return None

    def click_at(self, x, y):
        # (--sync would wait for a move that never comes when the pointer is there already.)
        self.xdo("mousemove", str(int(x)), str(int(y)), "sleep", "0.05", "click", "1")

    def click(self, node):
        e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        self.click_at(e.x + e.width / 2, e.y + e.height / 2)

    def press(self, caption):
        self.click(self.wait(lambda: self.find(caption, "push button"), 5, caption))

    @staticmethod
    def text(node):
        t = node.queryText()
        return t.getText(0, t.characterCount)

    def stored(self):
        db = sqlite3.connect(self.diary)
        rows = db.execute("SELECT Bdate, Bfast FROM BLOOD ORDER BY Bdate").fetchall()
        db.close()
        return rows

    def readings(self, key):
        db = sqlite3.connect(self.diary)
        row = db.execute("SELECT Bfast, Afast, Blunch, Alunch, Bdinner, Adinner, Bedtime, Night FROM BLOOD "
                         "WHERE Bdate = ?", (key,)).fetchone()
        db.close()
        return row

    def open_diary(self):
        self.press("Open An Existing Database")
        self.wait(lambda: self.find("Ann Smith.bcl", "list item"), 5, "the diary list")
        self.keys("Return")
        self.wait(lambda: self.find("Add New Date/Rds.", "push button"), 5, "the browser")


def walk(node):
    """The node and what it holds, less the menus (every node costs a call on the bus)."""
    if node is None:
        return
    yield node
    if node.getRoleName() == "menu bar":
        return
    for child in node:
        if child is not None:
            yield from walk(child)


def frame_of(node):
    while node is not None and node.getRoleName() not in ("frame", "internal frame", "dialog"):
        node = node.parent
    return node


def hidden_key_boxes(window):
    """The window's hidden date key boxes, in order."""
    boxes = []
    for n in walk(window):
        try:
            if n.getRoleName() == "text" and not n.getState().contains(pyatspi.STATE_SHOWING):
                boxes.append(n)
        except Exception:
            continue
    return boxes


# How each picker is reached: what opens its window, the caption of that
# window, the picker's label, and its place among the window's hidden keys
# (None where the window keeps none).
PICKERS = [
    ("Add", "Add New Date/Rds.", "Add New Readings", "Date of reading", 0),
    ("Edit", "Edit Current Date/Rds.", "Edit Reading", "Date", 0),
    ("Search", "Search", "Search", "Enter a date you would like to search for.", 0),
    ("Delete before", "alt+u d", "Dekete Multiple Readings",
     "This utility will delete all your records from the first up to the date you have entered below.", 0),
    ("Report from", "Print Report", "Print Standard Report By Date", "Starting Date", 0),
    # The end of a report's range alone takes any year.
    ("Report to", "Print Report", "Print Standard Report By Date", "Ending Date", 1),
    ("Standard day from", "alt+g s", "Standard Day", "From", None),
    ("Standard day to", "alt+g s", "Standard Day", "To", None),
]


class Picker:
    def __init__(self, session, how):
        self.s = session
        self.title, opener, self.caption, self.label, self.key_index = how
        if " " in opener and opener.startswith("alt+"):
            session.keys(opener)
        else:
            session.press(opener)
        self.node = session.wait(lambda: session.find(self.label, "spin button"), 5, self.caption)
        self.window = frame_of(self.node)
        self.keys = hidden_key_boxes(self.window)

    def gone(self):
        try:
            return not self.node.getState().contains(pyatspi.STATE_SHOWING)
        except Exception:
            return True

    def close(self):
        self.s.keys("Escape")
        self.s.wait(self.gone, 5, self.caption + " to close")

    def text(self):
        return Session.text(self.node)

    def key(self):
        return None if self.key_index is None else Session.text(self.keys[self.key_index])

    def focus_by(self, way):
        """Brings the keyboard to the picker: by Tab, by Shift+Tab, or a click on a part."""
        if way == "click":
            self.click_part(0)
        elif way == "tab":
            self.click_part(0)
            self.s.keys("shift+Tab Tab")
        elif way == "backtab":
            self.click_part(0)
            self.s.keys("Tab shift+Tab")

    def click_part(self, part):
        """A click on the part-th part of the text (0: the first)."""
        text = self.text()
        starts = [i for i, c in enumerate(text) if c.isalnum() and (i == 0 or not text[i - 1].isalnum())]
        t = self.node.queryText()
        e = t.getCharacterExtents(starts[part], pyatspi.DESKTOP_COORDS)
        self.s.click_at(e[0] + e[2] / 2, e[1] + e[3] / 2)

    def expect(self, iso, what):
        """After the keys: the picker shows the date; after leaving it, the key is the same date."""
        want = shown(self.s.locale, iso)
        try:
            self.s.wait(lambda: same_date(self.text(), want), 3)
        except RuntimeError:
            pass
        typed = self.text()
        self.s.keys("Tab")
        try:
            self.s.wait(lambda: self.text() == want and self.key() in (None, iso), 3)
        except RuntimeError:
            pass
        left = self.text()
        key = self.key()
        check(same_date(typed, want) and left == want and key in (None, iso),
              "%s [%s], %s: shows %r, after leaving %r with key %r; should be %r / %s"
              % (self.title, self.s.locale, what, typed, left, key, want, iso))


# Dates as a person types them in each form: zero-padded or not, with or
# without the separator; a day beyond the month shown (31 typed while the
# picker shows February) waits for the month typed after it.
FORMS = {
    "en_US.UTF-8": [("0 5 0 7 2 0 1 3", "2013-05-07"), ("0 5 7 2 0 1 3", "2013-05-07"),
                    ("0 1 0 1 2 0 0 0", "2000-01-01"), ("0 5 slash 0 7 slash 2 0 1 3", "2013-05-07"),
                    ("5 slash 7 slash 2 0 1 3", "2013-05-07"), ("1 2 3 1 2 0 9 9", "2099-12-31"),
                    ("2 slash 2 9 slash 2 0 2 4", "2024-02-29")],
    "en_GB.UTF-8": [("0 7 0 5 2 0 1 3", "2013-05-07"), ("7 slash 5 slash 2 0 1 3", "2013-05-07"),
                    ("3 1 1 2 2 0 1 3", "2013-12-31")],
    "de_DE.UTF-8": [("0 7 0 5 2 0 1 3", "2013-05-07"), ("7 period 5 period 2 0 1 3", "2013-05-07"),
                    ("2 9 0 2 2 0 2 4", "2024-02-29")],
    "C.UTF-8": [("0 7 M a y 2 0 1 3", "2013-05-07"), ("7 space M a y space 2 0 1 3", "2013-05-07"),
                ("3 1 D e c 2 0 1 3", "2013-12-31")],
}

# From 12/19/2020 (typed first over the whole text): editing one part.
EDITS = [
    ("Home Right Right BackSpace BackSpace 1", "2020-01-19", "Backspace inside the month, then a digit"),
    ("Home Delete Delete 3", "2020-03-19", "Delete inside the month, then a digit"),
    ("Home Down", "2020-11-19", "Down in the month"),
    ("End Up", "2021-12-19", "Up in the year"),
    ("Home Right Right Right Down", "2020-12-18", "an arrow key into the day, then Down"),
    ("ctrl+a 1 slash 1 slash 1 9 9 9", "2020-01-01", "a year before 2000 over the whole text"),
]
BASE = ("ctrl+a 1 2 slash 1 9 slash 2 0 2 0", "2020-12-19")


def type_rows(session, how, full):
    p = Picker(session, how)
    try:
        if not p.node.getState().contains(pyatspi.STATE_FOCUSED):
            # Only the first picker of a window has the keyboard as it opens.
            p.focus_by("click")
        forms = FORMS[session.locale]
        # The first date as the window opens (or as the click left it).
        session.keys(forms[0][0])
        p.expect(forms[0][1], "typed as the window opens")
        for keys, iso in forms[1:] if full else forms[1:2]:
            p.focus_by("tab")
            session.keys(keys)
            p.expect(iso, "typed %r after Tab" % keys)
        if not full:
            return
        for way in ("backtab", "click"):
            p.focus_by(way)
            session.keys("0 5 0 7 2 0 1 3")
            p.expect("2013-05-07", "typed after " + way)
        for keys, iso, what in EDITS:
            if p.title == "Report to" and "1 9 9 9" in keys:
                iso = "1999-01-01"
            p.focus_by("tab")
            session.keys(BASE[0])
            p.expect(BASE[1], "the whole text typed over")
            p.focus_by("tab")
            # A Tab in leaves Home where it was: the first part.
            session.keys(keys)
            p.expect(iso, what)
        # A click on the day, then the day typed over it.
        p.focus_by("tab")
        session.keys(BASE[0])
        p.click_part(1)
        session.keys("2 5")
        p.expect("2020-12-25", "a click on the day, then two digits")
        # The calendar pop-up: the day after the one shown, picked with the keys.
        p.focus_by("tab")
        session.keys(BASE[0] + " Tab")
        e = p.node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        session.click_at(e.x + e.width - 8, e.y + e.height / 2)
        time.sleep(0.3)
        session.keys("Right Return")
        p.expect("2020-12-20", "the calendar pop-up")
    finally:
        p.close()


def changes(program):
    """What typing does to the diary, in the three windows that change the most."""
    days = [("2013-02-%02d" % d, str(100 + d)) for d in (1, 3, 4, 5, 6, 10)]
    s = Session(program, "en_US.UTF-8", days)
    try:
        s.open_diary()
        # Delete before 2/5/2013, typed zero-padded without separators after
        # Shift+Tab and Tab: the days before it go, the others stay.
        p = Picker(s, PICKERS[3])
        p.focus_by("tab")
        s.keys("0 2 0 5 2 0 1 3")
        check(p.text() == "02/05/2013" or p.text() == "2/5/2013", "delete before: picker shows %r" % p.text())
        s.keys("alt+d")
        s.wait(p.gone, 5, "the delete window to close")
        kept = [d for d, _ in s.stored()]
        check(kept == ["2013-02-05", "2013-02-06", "2013-02-10"], "delete before 2/5/2013 kept %r" % kept)

        # Edit moves the shown day to 5/7/2013, readings and all.
        browser_date = s.wait(lambda: s.find("Date", "text"), 5, "the browser's date")
        month, day, year = (int(x) for x in Session.text(browser_date).split("/"))
        moved = "%d-%02d-%02d" % (year, month, day)
        before = dict(s.stored())
        p = Picker(s, PICKERS[1])
        s.keys("0 5 0 7 2 0 1 3 Tab")
        s.keys("alt+s")
        s.wait(p.gone, 5, "the edit window to close")
        after = dict(before)
        after["2013-05-07"] = after.pop(moved)
        check(dict(s.stored()) == after, "edit moving %s to 5/7/2013 stored %r" % (moved, s.stored()))
        check(Session.text(browser_date) == "5/7/2013", "browser after edit shows %r" % Session.text(browser_date))

        # Add a day typed the way the report of the fault typed it.
        p = Picker(s, PICKERS[0])
        s.keys("0 1 0 1 2 0 0 0 Tab 9 8")
        s.keys("alt+s")
        s.wait(p.gone, 5, "the add window to close")
        check(("2000-01-01", "98") in s.stored(), "add 01012000 stored %r" % s.stored())

        # Search for a stored date typed without separators.
        p = Picker(s, PICKERS[2])
        s.keys("0 2 0 6 2 0 1 3")
        s.keys("alt+s")
        s.wait(p.gone, 5, "the search window to close")
        check(Session.text(browser_date) == "2/6/2013", "search 02062013 shows %r" % Session.text(browser_date))

        # Import a file chosen by typing its name into the file dialog.
        csv = os.path.join(s.root, "readings.csv")
        with open(csv, "w") as f:
            f.write("Date,Pre-Breakfast,After Breakfast,Pre-Lunch,After Lunch,Pre-Dinner,After Dinner,"
                    "Bedtime,Night\n2014-03-01,120,,,,,,,\n2014-03-02,130,,,,,,,\n")
        s.keys("alt+u i")
        time.sleep(1.0)
        s.xdo("type", "--delay", "10", csv)
        s.keys("Return")
        s.press("Import")
        s.wait(lambda: ("2014-03-02", "130") in s.stored(), 10, "the imported days")
        check([r for r in s.stored() if r[0].startswith("2014")] == [("2014-03-01", "120"), ("2014-03-02", "130")],
              "import stored %r" % s.stored())

        # A meter's export: the start of Bedtime typed over in the schedule
        # moves the 21:40 reading to After Dinner before it is imported.
        export = os.path.join(s.root, "meter.csv")
        with open(export, "w") as f:
            f.write("Date;Time;Result;Unit\n15.03.2014;07:20;101;mg/dl\n15.03.2014;21:40;140;mg/dl\n")
        s.keys("alt+u i")
        time.sleep(1.0)
        s.xdo("type", "--delay", "10", export)
        s.keys("Return")
        s.wait(lambda: s.find("Usual schedule", "push button"), 10, "the export's preview")
        s.keys("alt+s ctrl+Home Down Down Down Down Down Down Down Right")
        s.xdo("type", "--delay", "50", "22:00")
        s.keys("Return")
        s.wait(lambda: s.find("140", "table cell"), 5, "the grid")
        time.sleep(0.3)
        s.keys("alt+i")
        s.wait(lambda: s.readings("2014-03-15"), 10, "the imported export")
        day = s.readings("2014-03-15")
        check(day == ("101", "-", "-", "-", "-", "140", "-", "-"), "export with Bedtime from 22:00 stored %r" % (day,))
    finally:
        s.close()


def main():
    program = os.path.abspath(sys.argv[1])
    started = time.time()
    desktop = Desktop()
    try:
        return run(program, started)
    finally:
        desktop.close()


def run(program, started):
    for locale in FORMS:
        full = locale.startswith("en_US")
        s = Session(program, locale, [("2013-02-10", "110"), ("2013-02-12", "112")])
        try:
            s.open_diary()
            for how in PICKERS:
                try:
                    type_rows(s, how, full)
                except (RuntimeError, ValueError, IndexError) as e:
                    check(False, "%s [%s]: %s" % (how[0], locale, e))
        finally:
            s.close()
    try:
        changes(program)
    except (RuntimeError, ValueError, IndexError) as e:
        # (A browser left without a date, after a delete took every day, ends here.)
        check(False, "changes: %s" % e)
    print("%d checks, %d failed, %.0f s" % (CHECKS[0], len(FAILURES), time.time() - started))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())

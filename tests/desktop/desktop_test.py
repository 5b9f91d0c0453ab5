#!/usr/bin/env python3
"""The quiz program on a real desktop: Xvfb, a window manager, a start directory made here.

Drives the program with xdotool and checks with xprop, xwininfo and screenshots what no offscreen
test can see: where the window manager puts the windows, what it lets the user do with them, which
window is on top and holds the keyboard, and that nothing is written outside the start directory.
Every wait polls in short steps up to a bound; everything started here is stopped again, also on
failure. Screenshots of each step go to the output folder.
"""

import argparse
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import zlib

SCREEN = (1024, 768)
POLL_STEP = 0.05
# The bound of one wait; a whole pass takes about twenty seconds on two busy cores.
WAIT = 15.0

REGISTRATION = "Ортус 2000 - Регистрация"
# Grade 5's bank: one question, so that its answer ends the test.
ONE_QUESTION_BANK = b"1 600\r\ng\r\n2 + 2 = ?\r\n3\r\n4\r\n#\r\n"

MWM_HINTS_DECORATIONS = 0x2
MWM_FUNC_MINIMIZE, MWM_FUNC_MAXIMIZE = 0x08, 0x10
MWM_DECOR_MINIMIZE, MWM_DECOR_MAXIMIZE = 0x20, 0x40

# How each window manager is started, and the packages that bring it. Those on X run on Xvfb's
# display; mutter is a Wayland compositor drawing into a window on Xvfb, and the program reaches it
# through mutter's Xwayland, as on a GNOME Wayland session.
WINDOW_MANAGERS = {
    "openbox": (["openbox", "--sm-disable"], "openbox"),
    # xfwm4 reads its settings over D-Bus; its compositor is of no use on Xvfb.
    "xfwm4": (
        ["dbus-run-session", "--", "xfwm4", "--compositor=off", "--sm-client-disable"],
        "xfwm4, xfconf and dbus",
    ),
    # Plasma's window manager on X, with Plasma's own frames (Breeze).
    "kwin_x11": (
        ["dbus-run-session", "--", "kwin_x11", "--replace"],
        "kwin-x11, kwin-style-breeze and dbus",
    ),
    # The session's displays are told by a child that mutter starts once they are up.
    "mutter": (
        ["dbus-run-session", "--", "mutter", "--nested", "--wayland", "--", "sh", "-c",
         'echo "$DISPLAY $WAYLAND_DISPLAY $XAUTHORITY" >"$ORTUS_SESSION_FILE"; exec sleep 1000'],
        "mutter, xwayland, wmctrl and dbus",
    ),
}
WAYLAND_COMPOSITORS = {"mutter"}
# openbox offers minimise (and shows an inert maximise button) on every framed window whatever the
# window asks, and KWin offers minimise; the others offer only the buttons a window asks for.
OFFERS_ONLY_ASKED_BUTTONS = {"openbox": False, "xfwm4": True, "kwin_x11": False, "mutter": True}
# How often a pupil goes from registration to the test and back: a placement that races the
# window manager is right only some of the times.
SWITCHES = {"openbox": 3, "xfwm4": 3, "kwin_x11": 10, "mutter": 5}


class Failure(Exception):
    pass


def expect(what, probe, timeout=WAIT):
    """Polls probe() -> (ok, detail) until ok and returns the detail; fails with the last one."""
    deadline = time.monotonic() + timeout
    while True:
        ok, detail = probe()
        if ok:
            return detail
        if time.monotonic() > deadline:
            raise Failure(f"{what}: {detail}")
        time.sleep(POLL_STEP)


def ids(text):
    return [int(window, 16) for window in re.findall(r"0x[0-9a-f]+", text)]


class Desktop:
    """The X display as the X tools show it."""

    def __init__(self, display, output, screen_display=None, wayland_display=None):
        self.env = {"PATH": os.environ.get("PATH", ""), "DISPLAY": display, "LANG": "C.UTF-8"}
        # What the screen shows: a nested compositor's output is its window on Xvfb.
        self.screen_env = {**self.env, "DISPLAY": screen_display or display}
        self.program_env = dict(self.env)
        if wayland_display:
            self.program_env["WAYLAND_DISPLAY"] = wayland_display
        self.output = output
        self.shots = 0

    def run(self, *command):
        done = subprocess.run(command, env=self.env, capture_output=True, timeout=WAIT)
        return done.stdout.decode("utf-8", "replace")

    def xdotool(self, *arguments):
        self.run("xdotool", *arguments)

    def click(self, x, y):
        self.xdotool("mousemove", str(x), str(y), "click", "1")

    def property(self, window, name):
        target = ["-root"] if window is None else ["-id", str(window)]
        line = self.run("xprop", *target, "-notype", name)
        return "" if "not found" in line or not line.startswith(name) else line[len(name) :]

    def clients(self):
        return ids(self.property(None, "_NET_CLIENT_LIST"))

    def name(self, window):
        return self.run("xdotool", "getwindowname", str(window)).rstrip("\n")

    def state(self, window):
        return self.property(window, "_NET_WM_STATE")

    def client(self, window):
        """(x, y, width, height, frame) of a mapped and framed window, else None."""
        lines = self.run("xwininfo", "-id", str(window)).splitlines()
        info = dict(line.strip().partition(":")[::2] for line in lines)
        extents = self.property(window, "_NET_FRAME_EXTENTS")
        if not extents and self.asks_no_frame(window):
            extents = "0, 0, 0, 0"  # KWin leaves the extents out where it draws no frame
        if info.get("Map State", "").strip() != "IsViewable" or not extents:
            return None
        left, right, top, bottom = (int(part) for part in extents.strip(" =").split(","))
        x, y = int(info["Absolute upper-left X"]), int(info["Absolute upper-left Y"])
        width, height = int(info["Width"]), int(info["Height"])
        return x, y, width, height, (x - left, y - top, width + left + right, height + top + bottom)

    def asks_no_frame(self, window):
        hints = self.property(window, "_MOTIF_WM_HINTS").strip(" =").split(",")
        asked = len(hints) > 2 and int(hints[0], 16) & MWM_HINTS_DECORATIONS
        return asked and not int(hints[2], 16)

    def frame_window(self, window):
        while True:
            tree = self.run("xwininfo", "-id", str(window), "-tree")
            if "Parent window id:" not in tree:  # gone meanwhile
                return window
            root = ids(tree.split("Root window id:")[1])[0]
            parent = ids(tree.split("Parent window id:")[1])[0]
            if parent in (root, 0):
                return window
            window = parent

    def on_top(self, window):
        """Whether the window is above all others as the X server stacks the frames and as the
        window manager says (xfwm4 says so only from the first change of stacking on)."""
        frames = {self.frame_window(client): client for client in self.clients()}
        tree = self.run("xwininfo", "-root", "-children").split("children:")[-1]
        served = [frames[w] for w in ids(tree) if w in frames]  # top first
        said = ids(self.property(None, "_NET_CLIENT_LIST_STACKING"))
        return served[:1] == [window] and said[-1:] in ([], [window]), f"stacking {served} {said}"

    def focused(self, window):
        """Active as the window manager says, and holding the X keyboard focus."""
        active = ids(self.property(None, "_NET_ACTIVE_WINDOW"))[:1]
        focus = self.run("xdotool", "getwindowfocus").strip()
        return active == [window] and focus == str(window), f"active {active}, focus {focus}"

    def screenshot(self):
        return subprocess.run(
            ["import", "-window", "root", "-crop", f"{SCREEN[0]}x{SCREEN[1]}+0+0", "-depth", "8",
             "rgb:-"],
            env=self.screen_env, capture_output=True, timeout=WAIT, check=True,
        ).stdout

    def save(self, label, rgb=None):
        rgb = rgb if rgb is not None else self.screenshot()
        self.shots += 1
        width, height = SCREEN
        stride = width * 3
        rows = b"".join(b"\0" + rgb[row * stride : (row + 1) * stride] for row in range(height))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        with open(os.path.join(self.output, f"{self.shots:02d}-{label}.png"), "wb") as png:
            png.write(b"\x89PNG\r\n\x1a\n")
            png.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
            png.write(chunk(b"IDAT", zlib.compress(rows, 6)))
            png.write(chunk(b"IEND", b""))


def changed_share(before, after, rect, step=4):
    """The share of the rectangle's pixels that differ, from every step-th pixel of every
    step-th row: a share is all that is asked, and the whole test window is 480000 pixels."""
    x, y, width, height = rect
    changed = counted = 0
    for row in range(y, y + height, step):
        start = (row * SCREEN[0] + x) * 3
        old, new = before[start : start + width * 3], after[start : start + width * 3]
        if old == new:
            counted += len(range(0, width * 3, 3 * step))
            continue
        for i in range(0, width * 3, 3 * step):
            counted += 1
            changed += old[i : i + 3] != new[i : i + 3]
    return changed / max(counted, 1)


def centred(frame):
    x, y, width, height = frame
    return abs(2 * x + width - SCREEN[0]) <= 1 and abs(2 * y + height - SCREEN[1]) <= 1


class Session:
    """One pupil and the teacher's commands, step by step, on one window manager."""

    def __init__(self, desktop, wm, empty):
        self.d = desktop
        self.wm = wm
        self.empty = empty  # the screen before the program started
        self.switches = SWITCHES[wm]

    def new_window(self, known, what):
        def probe():
            fresh = [w for w in self.d.clients() if w not in known and self.d.client(w)]
            return bool(fresh), fresh[0] if fresh else "none"

        return expect(f"{what} appears", probe)

    def main_window(self, size, what):
        def probe():
            for window in self.d.clients():
                client = self.d.client(window)
                if self.d.name(window) == REGISTRATION and client and client[2:4] == size:
                    return True, window
            return False, "none"

        return expect(what, probe)

    def expect_frame(self, window, what, size, at=None):
        """The client's size, and the frame at a place or else centred on the screen."""

        def probe():
            client = self.d.client(window)
            if client is None:
                return False, "not mapped"
            x, y, width, height, frame = client
            placed = frame[:2] == at if at is not None else centred(frame)
            detail = f"client {width} x {height} at {x}, {y}, frame {frame}"
            return placed and (width, height) == size, detail

        expect(what, probe)

    def expect_in_front(self, window, what, label, behind):
        """Centred, above every other window, holding the keyboard, and (with a screen to compare
        with) seen on the screen."""
        size = tuple(self.d.client(window)[2:4])
        self.expect_frame(window, f"{what}: frame centred on the screen", size)
        expect(f"{what}: on top of every window", lambda: self.d.on_top(window))
        expect(f"{what}: holds the keyboard", lambda: self.d.focused(window))
        if behind is not None:
            self.d.save(label, self.seen(window, what, behind))

    def seen(self, window, what, behind):
        """The screen once the window is drawn on it: its pixels, not those of what is behind it."""
        shot = []

        def drawn():
            shot[:] = [self.d.screenshot()]
            share = changed_share(behind, shot[0], self.d.client(window)[:4])
            return share > 0.5, f"only {share:.0%} of its pixels differ from the window behind it"

        expect(f"{what}: seen on the screen", drawn)
        return shot[0]

    def expect_buttons(self, window, what, minimise):
        """What the window asks of the window manager, and what the window manager allows."""
        hints = self.d.property(window, "_MOTIF_WM_HINTS").strip(" =").split(",")
        functions, decorations = int(hints[1], 16), int(hints[2], 16)
        asked = (bool(functions & MWM_FUNC_MINIMIZE), bool(decorations & MWM_DECOR_MINIMIZE))
        maximise = functions & MWM_FUNC_MAXIMIZE or decorations & MWM_DECOR_MAXIMIZE
        if asked != (minimise, minimise) or maximise:
            raise Failure(f"{what}: asks for {functions:#x} functions, {decorations:#x} decor")
        actions = self.d.property(window, "_NET_WM_ALLOWED_ACTIONS")
        allowed = set(re.findall(r"_NET_WM_ACTION_(\w+)", actions))
        required = {"CLOSE", "MOVE"} | ({"MINIMIZE"} if minimise else set())
        forbidden = {"MAXIMIZE_HORZ", "MAXIMIZE_VERT", "RESIZE"}
        if not minimise and OFFERS_ONLY_ASKED_BUTTONS[self.wm]:
            forbidden.add("MINIMIZE")
        if not required <= allowed or forbidden & allowed:
            raise Failure(f"{what}: the window manager allows {sorted(allowed)}")

    def test_window(self, switch):
        """The test window of the switch-th test: frameless at 0, 0, on top, with the keyboard."""
        d = self.d
        test = self.main_window((800, 600), f"test {switch}: the test window appears")
        self.expect_frame(test, f"test {switch}: 800 x 600, frameless at 0, 0", (800, 600), (0, 0))
        expect(f"test {switch}: stays on top", lambda: ("ABOVE" in d.state(test), d.state(test)))
        expect(f"test {switch}: on top of every window", lambda: d.on_top(test))
        expect(f"test {switch}: holds the keyboard", lambda: d.focused(test))
        # The screen is looked at in the first test; the others are about the placement.
        if switch > 1:
            return test, None
        quiz = self.seen(test, f"test {switch}", self.empty)
        d.save("test", quiz)
        return test, quiz

    def end_test(self, switch, test, quiz, frame):
        """The only question's answer ends the test: "Тест завершен" in front, the test window
        still where it was put, and then the registration window back where it stood."""
        d = self.d
        d.click(396, 142)
        box = self.new_window([test], f'test {switch}: "Тест завершен"')
        self.expect_in_front(box, f'test {switch}: "Тест завершен"', "end-of-test", quiz)
        placed = d.client(test)
        if placed is None or placed[4][:2] != (0, 0):
            raise Failure(f"test {switch}: the test window moved later: {placed}")
        self.close(box, "Return", f'test {switch}: "Тест завершен"')
        window = self.main_window((600, 350), f"test {switch}: the registration window is back")
        self.expect_frame(window, f"test {switch}: back in registration where it was", (600, 350),
                          frame[:2])
        expect(f"test {switch}: not on top any more",
               lambda: ("ABOVE" not in d.state(window), "is"))
        return window

    def ask_to_close(self, window):
        """What the title bar's close button does. Keys typed into Xwayland never reach a Wayland
        compositor's own shortcuts, so there the request goes to it directly."""
        if self.wm in WAYLAND_COMPOSITORS:
            self.d.run("wmctrl", "-i", "-c", hex(window))
        else:
            self.d.xdotool("key", "alt+F4")  # to the window, which holds the keyboard

    def close(self, window, key, what):
        self.d.xdotool("key", key)
        expect(f"{what} closes", lambda: (window not in self.d.clients(), "still there"))

    def run(self):
        d = self.d
        empty = self.empty
        window = self.main_window((600, 350), "the registration window appears")
        self.expect_frame(window, "registration window: 600 x 350, frame centred", (600, 350))
        self.expect_buttons(window, "registration window", minimise=True)
        x, y, _, _, frame = d.client(window)
        d.save("registration", self.seen(window, "registration window", empty))

        # The title box, then the fields in the order Enter walks them, then "OK".
        d.click(x + 300, y + 280)
        d.xdotool("type", "--delay", "20", "Ivanov")
        d.xdotool("key", "Return", "Down", "Return")
        d.xdotool("type", "--delay", "20", "5A")
        d.xdotool("key", "Return", "Return")

        test, quiz = self.test_window(1)
        # The finish button asks "Закончить тест?"; "Cancel" goes on with the test.
        d.click(762, 562)
        box = self.new_window([test], '"Закончить тест?"')
        self.expect_in_front(box, '"Закончить тест?"', "finish-question", quiz)
        self.close(box, "Escape", '"Закончить тест?"')

        d.xdotool("key", "ctrl+q")
        dialog = self.new_window([test], "the colour dialog")
        self.expect_in_front(dialog, "the colour dialog", "colour-dialog", quiz)
        self.close(dialog, "Escape", "the colour dialog")
        window = self.end_test(1, test, quiz, frame)

        # Again and again: the fields keep the last pupil's texts, so "OK" starts the next test.
        for switch in range(2, self.switches + 1):
            x, y = d.client(window)[:2]
            d.click(x + 330, y + 200)
            test, quiz = self.test_window(switch)
            window = self.end_test(switch, test, quiz, frame)

        registration = d.screenshot()

        d.xdotool("key", "ctrl+p")
        choice = self.new_window([window], "the background-choice window")
        self.expect_in_front(choice, "the background-choice window", "background", registration)
        self.expect_buttons(choice, "the background-choice window", minimise=False)
        x, y = d.client(choice)[:2]
        d.click(x + 97, y + 47)
        picture = self.new_window([window, choice], "the picture dialog")
        self.expect_in_front(picture, "the picture dialog", "picture-dialog", registration)
        self.close(picture, "Escape", "the picture dialog")
        expect("the background-choice window closes", lambda: (choice not in d.clients(), "open"))

        d.xdotool("key", "F1")
        help_window = self.new_window([window], "the help window")
        self.expect_in_front(help_window, "the help window", "help", registration)
        self.expect_buttons(help_window, "the help window", minimise=False)
        self.ask_to_close(help_window)
        expect("the help window closes", lambda: (help_window not in d.clients(), "still there"))

        self.ask_to_close(window)


def start(command, log, stack, **options):
    with open(log, "ab") as output:
        process = subprocess.Popen(
            command, stdout=output, stderr=output, start_new_session=True, **options
        )
    stack.append(process)
    return process


def free_display():
    """A display number of this run's own. Letting Xvfb take the lowest free one raced with the
    previous test's Xvfb, which could still remove the socket of that number as it went."""
    for offset in range(400):
        number = 100 + (os.getpid() + offset) % 400
        if not os.path.exists(f"/tmp/.X{number}-lock") and \
                not os.path.exists(f"/tmp/.X11-unix/X{number}"):
            return number
    raise Failure("no free X display number")


def start_xvfb(output, stack):
    read_end, write_end = os.pipe()
    start(
        # A white root, so that a window is told from the bare screen also where it is black.
        ["Xvfb", f":{free_display()}", "-displayfd", str(write_end), "-screen", "0",
         f"{SCREEN[0]}x{SCREEN[1]}x24", "-nolisten", "tcp", "-wr"],
        os.path.join(output, "xvfb.log"), stack, pass_fds=(write_end,),
    )
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + WAIT
    while not number.endswith(b"\n"):
        ready, _, _ = select.select([read_end], [], [], max(0.0, deadline - time.monotonic()))
        chunk = os.read(read_end, 16) if ready else b""
        if not chunk:
            raise Failure("Xvfb did not start")
        number += chunk
    os.close(read_end)
    return ":" + number.decode().strip()


def stop(process):
    """Stops the process with everything it started."""
    for sent in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(process.pid, sent)
            process.wait(timeout=5)
            return
        except ProcessLookupError:
            return
        except subprocess.TimeoutExpired:
            continue


def wayland_desktop(compositor, session_file, xvfb, runtime, arguments):
    """The Wayland session that the compositor runs, once it tells its displays."""

    def told():
        if compositor.poll() is not None:
            raise Failure(f"{arguments.wm} stopped; see {arguments.output}/wm.log")
        try:
            with open(session_file, encoding="utf-8") as told_file:
                words = told_file.read().split()
        except FileNotFoundError:
            words = []
        return len(words) == 3, words

    display, wayland, authority = expect(f"{arguments.wm} tells its displays", told)
    desktop = Desktop(display, arguments.output, screen_display=xvfb,
                      wayland_display=os.path.join(runtime, wayland))
    # Xwayland lets in only who holds its key; the program is told Wayland is the session's.
    for env in (desktop.env, desktop.program_env):
        env["XAUTHORITY"] = authority
    desktop.program_env["XDG_SESSION_TYPE"] = "wayland"
    return desktop


def files_under(folder):
    return sorted(
        os.path.relpath(os.path.join(root, name), folder)
        for root, folders, names in os.walk(folder)
        for name in names + folders
    )


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--wm", required=True, choices=sorted(WINDOW_MANAGERS))
    parser.add_argument("--program", required=True, type=os.path.abspath)
    parser.add_argument("--data", required=True, help="the shipped start directory")
    parser.add_argument("--output", required=True, help="screenshots and logs go here")
    arguments = parser.parse_args()

    command, packages = WINDOW_MANAGERS[arguments.wm]
    tools = [command[0], arguments.wm, "Xvfb", "xdotool", "xprop", "xwininfo", "import"]
    if arguments.wm in WAYLAND_COMPOSITORS:
        tools += ["Xwayland", "wmctrl"]
    for tool in tools:
        if shutil.which(tool) is None:
            print(f"FAIL: {tool} is missing; scripts/install-deps.sh installs {packages} "
                  "and the X tools")
            return 1
    shutil.rmtree(arguments.output, ignore_errors=True)
    os.makedirs(arguments.output)
    # A test that ctest stops for its time still stops what it started.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("FAIL: stopped from outside"))

    stack = []
    with tempfile.TemporaryDirectory(prefix="ortus-desktop-") as scratch:
        folders = {name: os.path.join(scratch, name) for name in ("start", "home", "wm", "run")}
        for folder in folders.values():
            os.makedirs(folder, mode=0o700)
        for name in ("Ortus.avi", "Ortus00.ini", "Fon.jpg", "Results.txt"):
            shutil.copy(os.path.join(arguments.data, name), folders["start"])
        with open(os.path.join(folders["start"], "Vop5.dat"), "wb") as bank:
            bank.write(ONE_QUESTION_BANK)
        desktop = None
        try:
            xvfb = start_xvfb(arguments.output, stack)
            session_file = os.path.join(folders["wm"], "session")
            wm = start(command, os.path.join(arguments.output, "wm.log"), stack,
                       env={"PATH": os.environ.get("PATH", ""), "DISPLAY": xvfb, "LANG": "C.UTF-8",
                            "HOME": folders["wm"], "XDG_RUNTIME_DIR": folders["wm"],
                            "NO_AT_BRIDGE": "1", "ORTUS_SESSION_FILE": session_file,
                            # Without OpenGL KWin's compositor only slows it down.
                            "KWIN_COMPOSE": "N",
                            # The size of mutter's nested screen.
                            "MUTTER_DEBUG_DUMMY_MODE_SPECS": f"{SCREEN[0]}x{SCREEN[1]}"})
            if arguments.wm in WAYLAND_COMPOSITORS:
                desktop = wayland_desktop(wm, session_file, xvfb, folders["wm"], arguments)
            else:
                desktop = Desktop(xvfb, arguments.output)

            # Qt reads what the window manager supports once, when the program starts.
            def managed():
                if wm.poll() is not None:
                    raise Failure(f"{arguments.wm} stopped; see {arguments.output}/wm.log")
                supported = desktop.property(None, "_NET_SUPPORTED")
                ready = "_NET_FRAME_EXTENTS" in supported and "_NET_WM_STATE_ABOVE" in supported
                return ready, "not yet"

            expect(f"{arguments.wm} manages the screen", managed)
            empty = desktop.screenshot()
            program = start(
                [arguments.program], os.path.join(arguments.output, "ortus.log"), stack,
                cwd=folders["start"],
                env={**desktop.program_env, "HOME": folders["home"],
                     "XDG_RUNTIME_DIR": folders["run"]},
            )
            Session(desktop, arguments.wm, empty).run()
            try:
                code = program.wait(timeout=WAIT)
            except subprocess.TimeoutExpired:
                raise Failure("the program does not end when its window is closed") from None
            if code != 0:
                raise Failure(f"the program ended with code {code}")
            written = files_under(folders["home"])
            if written:
                raise Failure(f"the program wrote outside its start directory: {written}")
        except Failure as failure:
            if desktop is not None:
                try:
                    desktop.save("failure")
                except (OSError, subprocess.SubprocessError):
                    pass
            print(f"FAIL ({arguments.wm}): {failure}\nScreenshots and logs: {arguments.output}")
            return 1
        finally:
            for process in reversed(stack):
                stop(process)
    print(f"PASS ({arguments.wm}); screenshots: {arguments.output}")
    return 0


if __name__ == "__main__":
    sys.exit(main())

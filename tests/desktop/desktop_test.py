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

MWM_FUNC_MINIMIZE, MWM_FUNC_MAXIMIZE = 0x08, 0x10
MWM_DECOR_MINIMIZE, MWM_DECOR_MAXIMIZE = 0x20, 0x40

# How each window manager is started, and the packages that bring it.
WINDOW_MANAGERS = {
    "openbox": (["openbox", "--sm-disable"], "openbox"),
    # xfwm4 reads its settings over D-Bus; its compositor is of no use on Xvfb.
    "xfwm4": (
        ["dbus-run-session", "--", "xfwm4", "--compositor=off", "--sm-client-disable"],
        "xfwm4, xfconf and dbus",
    ),
}
# openbox offers minimise (and shows an inert maximise button) on every framed window whatever the
# window asks; xfwm4 offers only the buttons a window asks for.
OFFERS_ONLY_ASKED_BUTTONS = {"openbox": False, "xfwm4": True}


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

    def __init__(self, display, output):
        self.env = {"PATH": os.environ.get("PATH", ""), "DISPLAY": display, "LANG": "C.UTF-8"}
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
        if info.get("Map State", "").strip() != "IsViewable" or not extents:
            return None
        left, right, top, bottom = (int(part) for part in extents.strip(" =").split(","))
        x, y = int(info["Absolute upper-left X"]), int(info["Absolute upper-left Y"])
        width, height = int(info["Width"]), int(info["Height"])
        return x, y, width, height, (x - left, y - top, width + left + right, height + top + bottom)

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
            ["import", "-window", "root", "-depth", "8", "rgb:-"],
            env=self.env, capture_output=True, timeout=WAIT, check=True,
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


def changed_share(before, after, rect):
    x, y, width, height = rect
    changed = 0
    for row in range(y, y + height):
        start = (row * SCREEN[0] + x) * 3
        old, new = before[start : start + width * 3], after[start : start + width * 3]
        changed += sum(old[i : i + 3] != new[i : i + 3] for i in range(0, width * 3, 3))
    return changed / (width * height)


def centred(frame):
    x, y, width, height = frame
    return abs(2 * x + width - SCREEN[0]) <= 1 and abs(2 * y + height - SCREEN[1]) <= 1


class Session:
    """One pupil and the teacher's commands, step by step, on one window manager."""

    def __init__(self, desktop, wm):
        self.d = desktop
        self.wm = wm

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
        """Centred, above every other window, holding the keyboard, and seen on the screen."""
        size = tuple(self.d.client(window)[2:4])
        self.expect_frame(window, f"{what}: frame centred on the screen", size)
        expect(f"{what}: on top of every window", lambda: self.d.on_top(window))
        expect(f"{what}: holds the keyboard", lambda: self.d.focused(window))
        shot = []

        def seen():
            shot[:] = [self.d.screenshot()]
            share = changed_share(behind, shot[0], self.d.client(window)[:4])
            return share > 0.5, f"only {share:.0%} of its pixels differ from the window behind it"

        expect(f"{what}: seen on the screen", seen)
        self.d.save(label, shot[0])

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

    def close(self, window, key, what):
        self.d.xdotool("key", key)
        expect(f"{what} closes", lambda: (window not in self.d.clients(), "still there"))

    def run(self):
        d = self.d
        window = self.main_window((600, 350), "the registration window appears")
        self.expect_frame(window, "registration window: 600 x 350, frame centred", (600, 350))
        self.expect_buttons(window, "registration window", minimise=True)
        x, y, _, _, frame = d.client(window)
        d.save("registration")

        # The title box, then the fields in the order Enter walks them, then "OK".
        d.click(x + 300, y + 280)
        d.xdotool("type", "--delay", "20", "Ivanov")
        d.xdotool("key", "Return", "Down", "Return")
        d.xdotool("type", "--delay", "20", "5A")
        d.xdotool("key", "Return", "Return")

        test = self.main_window((800, 600), "the test window appears")
        self.expect_frame(test, "test window: 800 x 600, frameless at 0, 0", (800, 600), (0, 0))
        expect("test window: stays on top", lambda: ("ABOVE" in d.state(test), d.state(test)))
        expect("test window: on top of every window", lambda: d.on_top(test))
        quiz = d.screenshot()
        d.save("test", quiz)

        # The finish button asks "Закончить тест?"; "Cancel" goes on with the test.
        d.click(762, 562)
        box = self.new_window([test], '"Закончить тест?"')
        self.expect_in_front(box, '"Закончить тест?"', "finish-question", quiz)
        self.close(box, "Escape", '"Закончить тест?"')

        d.xdotool("key", "ctrl+q")
        dialog = self.new_window([test], "the colour dialog")
        self.expect_in_front(dialog, "the colour dialog", "colour-dialog", quiz)
        self.close(dialog, "Escape", "the colour dialog")

        # The only question's answer ends the test: "Тест завершен".
        d.click(396, 142)
        box = self.new_window([test], '"Тест завершен"')
        self.expect_in_front(box, '"Тест завершен"', "end-of-test", quiz)
        self.close(box, "Return", '"Тест завершен"')

        window = self.main_window((600, 350), "the registration window comes back")
        self.expect_frame(window, "back in registration: where it was", (600, 350), frame[:2])
        expect("back in registration: not on top", lambda: ("ABOVE" not in d.state(window), "is"))
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
        self.close(help_window, "alt+F4", "the help window")

        d.xdotool("key", "alt+F4")


def start(command, log, stack, **options):
    with open(log, "ab") as output:
        process = subprocess.Popen(
            command, stdout=output, stderr=output, start_new_session=True, **options
        )
    stack.append(process)
    return process


def start_xvfb(output, stack):
    read_end, write_end = os.pipe()
    start(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24",
         "-nolisten", "tcp"],
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
    for tool in (command[0], arguments.wm, "Xvfb", "xdotool", "xprop", "xwininfo", "import"):
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
            desktop = Desktop(start_xvfb(arguments.output, stack), arguments.output)
            wm = start(command, os.path.join(arguments.output, "wm.log"), stack,
                       env={**desktop.env, "HOME": folders["wm"], "XDG_RUNTIME_DIR": folders["wm"],
                            "NO_AT_BRIDGE": "1"})

            # Qt reads what the window manager supports once, when the program starts.
            def managed():
                if wm.poll() is not None:
                    raise Failure(f"{arguments.wm} stopped; see {arguments.output}/wm.log")
                supported = desktop.property(None, "_NET_SUPPORTED")
                ready = "_NET_FRAME_EXTENTS" in supported and "_NET_WM_STATE_ABOVE" in supported
                return ready, "not yet"

            expect(f"{arguments.wm} manages the screen", managed)
            program = start(
                [arguments.program], os.path.join(arguments.output, "ortus.log"), stack,
                cwd=folders["start"],
                env={**desktop.env, "HOME": folders["home"], "XDG_RUNTIME_DIR": folders["run"]},
            )
            Session(desktop, arguments.wm).run()
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

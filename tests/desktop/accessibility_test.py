#!/usr/bin/env python3
"""A pupil who cannot use the mouse: the quiz on Xvfb and openbox, seen through AT-SPI.

Runs inside a private session bus (dbus-run-session), which starts the accessibility bus on demand.
Takes one whole test by keyboard alone (xdotool) and one through the accessibility interface alone
(pyatspi: names, actions, text and events, as a screen reader uses them), and checks each record in
the results log. Then walks the teacher's window and fails on any unnamed field, radio button,
spin box or table. Every wait polls up to a bound; everything started here is stopped again.
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_test import ONE_QUESTION_BANK, Desktop, Failure, expect, start, start_xvfb, stop  # noqa: E402

ACCESSIBLE_ENV = {"QT_ACCESSIBILITY": "1", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}


def log_text(start_directory):
    with open(os.path.join(start_directory, "Results.txt"), "rb") as log:
        return log.read().decode("cp1251")


def expect_record(start_directory, name, group, what):
    def probe():
        text = log_text(start_directory)
        return name in text and group in text, text[-200:]

    expect(f"{what}: the record of {name} is in the log", probe)


class Reader:
    """What a screen reader sees: the accessibility tree and the events of one program."""

    def __init__(self, pyatspi, program_name):
        self.pyatspi = pyatspi
        self.program_name = program_name
        self.events = []
        from gi.repository import GLib

        self.context = GLib.MainContext.default()
        for kind in ("object:property-change:accessible-name",
                     "object:property-change:accessible-description", "focus:",
                     "object:state-changed:focused"):
            pyatspi.Registry.registerEventListener(self.events.append, kind)

    def pump(self):
        while self.context.iteration(False):
            pass

    def application(self):
        def probe():
            self.pump()
            desktop = self.pyatspi.Registry.getDesktop(0)
            for app in desktop:
                if app is not None and app.name == self.program_name:
                    return True, app
            return False, [app.name for app in desktop if app is not None]

        return expect(f"{self.program_name} on the accessibility bus", probe)

    def find(self, what, predicate, root=None):
        def probe():
            self.pump()
            top = root or self.application()
            found = predicate(top) and top or self.pyatspi.findDescendant(top, predicate)
            if found is not None:
                return True, found
            return False, f"not under {[(n.getRoleName(), n.name) for n in top]}"

        return expect(what, probe)

    def all(self, predicate):
        self.pump()
        return self.pyatspi.findAllDescendants(self.application(), predicate)

    def focused(self, node):
        # States come fresh from the program, not from the library's cache.
        node.clearCache()
        return node.getState().contains(self.pyatspi.STATE_FOCUSED), self.focus_name()

    def focus_name(self):
        found = self.all(lambda n: n.getState().contains(self.pyatspi.STATE_FOCUSED))
        return f"the focus is on {[(n.getRoleName(), n.name) for n in found]}"

    def showing(self, node):
        return node.getState().contains(self.pyatspi.STATE_SHOWING)

    def press(self, node):
        action = node.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        if "Press" not in names:
            raise Failure(f"{node.name!r} has no press action: {names}")
        action.doAction(names.index("Press"))

    def named_event(self, what, text):
        def probe():
            self.pump()
            for event in self.events:
                # Qt sends the changed object, not the new text: read it from the source.
                if event.type.startswith("object:property-change:") and event.source is not None:
                    said = event.source.name + " " + event.source.description
                    if text in said:
                        return True, said
            return False, f"{len(self.events)} events, none with it"

        return expect(what, probe)


def keyboard_pass(desktop, reader, start_directory):
    role = reader.pyatspi
    reader.application()
    # The intro goes with Escape; the fields take the registration; Enter walks them and starts.
    desktop.xdotool("key", "Escape")
    desktop.xdotool("type", "--delay", "20", "Keyboard")
    desktop.xdotool("key", "Return", "Down", "Return")
    desktop.xdotool("type", "--delay", "20", "5K")
    desktop.xdotool("key", "Return", "Return")
    first = reader.find("the test: the first answer", lambda n: n.getRole() == role.ROLE_PUSH_BUTTON
                        and n.name.startswith("1. ") and reader.showing(n))
    expect("the test: the focus is on the first answer",
           lambda: reader.focused(first))
    # Down reaches the second answer, Space chooses it; Enter closes "Тест завершен".
    desktop.xdotool("key", "Down")
    second = reader.find("the second answer", lambda n: n.getRole() == role.ROLE_PUSH_BUTTON
                         and n.name.startswith("2. ") and reader.showing(n))
    expect("the arrow key moves the focus",
           lambda: reader.focused(second))
    desktop.xdotool("key", "space")
    reader.find('"Тест завершен"', lambda n: n.getRole() == role.ROLE_LABEL
                and "Тест завершен" in n.name)
    desktop.xdotool("key", "Return")
    expect_record(start_directory, "Keyboard", "5K", "by keyboard")
    name_field = reader.find("the name field", lambda n: n.getRole() == role.ROLE_TEXT
                             and n.name == "Ф.И.О.:")
    expect("after the result the focus is in the name field",
           lambda: reader.focused(name_field))


def screen_reader_pass(reader, start_directory):
    role = reader.pyatspi
    fields = {}
    for caption in ("Ф.И.О.:", "ЮГП:"):
        fields[caption] = reader.find(f"the field named {caption}", lambda n, c=caption:
                                      n.getRole() == role.ROLE_TEXT and n.name == c)
    # The grade box keeps the grade of the pupil before; it reads as its grade, labelled by
    # its caption.
    grade = reader.find("the grade box", lambda n: n.getRole() == role.ROLE_COMBO_BOX)
    labels = [relation.getTarget(i).name for relation in grade.getRelationSet()
              if relation.getRelationType() == role.RELATION_LABELLED_BY
              for i in range(relation.getNTargets())]
    if grade.name != "5" or labels != ["Класс:"]:
        raise Failure(f"the grade box reads {grade.name!r}, labelled by {labels}")
    fields["Ф.И.О.:"].queryEditableText().setTextContents("Reader")
    fields["ЮГП:"].queryEditableText().setTextContents("5R")
    start_button = reader.find("the start button", lambda n: n.getRole() == role.ROLE_PUSH_BUTTON
                               and "Начать тестирование" in n.name + n.description)
    reader.events.clear()
    reader.press(start_button)

    answers = {}
    for number in (1, 2):
        answers[number] = reader.find(f"answer {number} by its name", lambda n, k=number:
                                      n.getRole() == role.ROLE_PUSH_BUTTON
                                      and n.name.startswith(f"{k}. ") and reader.showing(n))
    if answers[2].name != "2. 4":
        raise Failure(f"the second answer is named {answers[2].name!r}")
    question = answers[1].description
    if question != "2 + 2 = ?":
        raise Failure(f"the answer's description is not the question: {question!r}")
    reader.named_event("the question is announced", "2 + 2 = ?")
    window = reader.find("the test window, named", lambda n: n.parent is not None
                         and n.parent.getRole() == role.ROLE_APPLICATION and n.name == "Ортус 2000 - Тестирование" and reader.showing(n))
    status = reader.find("the status bar", lambda n: n.getRole() == role.ROLE_STATUS_BAR
                         and reader.showing(n), window)
    panels = [child.name for child in status]
    if "Вопрос: 1" not in panels or not any(p.startswith("Время: ") for p in panels):
        raise Failure(f"the status bar reads {panels}")

    reader.events.clear()
    reader.press(answers[2])
    box_text = reader.find('"Тест завершен"', lambda n: n.getRole() == role.ROLE_LABEL
                           and "Тест завершен" in n.name)
    box = box_text.parent
    while box.getRole() not in (role.ROLE_DIALOG, role.ROLE_ALERT, role.ROLE_FRAME):
        box = box.parent
    reader.press(reader.find("the box's OK", lambda n: n.getRole() == role.ROLE_PUSH_BUTTON
                             and n.name == "OK", box))
    reader.named_event("the result is announced", "Ваш результат в баллах: ")
    expect_record(start_directory, "Reader", "5R", "through the accessibility interface")


def teacher_pass(reader):
    role = reader.pyatspi
    reader.application()
    kinds = {role.ROLE_TEXT: "field", role.ROLE_RADIO_BUTTON: "radio button",
             role.ROLE_SPIN_BUTTON: "spin box", role.ROLE_TABLE: "table"}
    # Qt makes the tree as it is asked for it: wait for the window's controls to be there.
    reader.find("the teacher's window's controls", lambda n: n.getRole() in kinds)
    unnamed = [f"{kinds[n.getRole()]} under {n.parent.name!r}" for n in
               reader.all(lambda n: n.getRole() in kinds and not n.name.strip())]
    if unnamed:
        raise Failure(f"the teacher's window has unnamed controls: {unnamed}")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--program", required=True, type=os.path.abspath)
    parser.add_argument("--teacher", required=True, type=os.path.abspath)
    parser.add_argument("--data", required=True, help="the shipped start directory")
    parser.add_argument("--output", required=True, help="logs go here")
    arguments = parser.parse_args()
    if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        print("FAIL: run this under dbus-run-session")
        return 1
    for tool in ("openbox", "Xvfb", "xdotool", "dbus-update-activation-environment"):
        if shutil.which(tool) is None:
            print(f"FAIL: {tool} is missing; scripts/install-deps.sh installs it")
            return 1
    try:
        import pyatspi
    except ImportError:
        print("FAIL: python3-pyatspi is missing; scripts/install-deps.sh installs it")
        return 1
    shutil.rmtree(arguments.output, ignore_errors=True)
    os.makedirs(arguments.output)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("FAIL: stopped from outside"))

    stack = []
    with tempfile.TemporaryDirectory(prefix="ortus-a11y-") as scratch:
        folders = {name: os.path.join(scratch, name) for name in ("start", "home", "wm", "run")}
        for folder in folders.values():
            os.makedirs(folder, mode=0o700)
        for name in ("Ortus.avi", "Ortus00.ini", "Fon.jpg", "Results.txt"):
            shutil.copy(os.path.join(arguments.data, name), folders["start"])
        with open(os.path.join(folders["start"], "Vop5.dat"), "wb") as bank:
            bank.write(ONE_QUESTION_BANK)
        try:
            desktop = Desktop(start_xvfb(arguments.output, stack), arguments.output)
            # The accessibility bus, started on demand by the session bus, finds the display.
            subprocess.run(["dbus-update-activation-environment", f"DISPLAY={desktop.env['DISPLAY']}"],
                           check=True, timeout=10)
            start(["openbox", "--sm-disable"], os.path.join(arguments.output, "wm.log"), stack,
                  env={**desktop.env, "HOME": folders["wm"], "XDG_RUNTIME_DIR": folders["wm"]})
            expect("openbox manages the screen",
                   lambda: ("_NET_FRAME_EXTENTS" in desktop.property(None, "_NET_SUPPORTED"), "no"))
            environment = {**desktop.env, **ACCESSIBLE_ENV, "HOME": folders["home"],
                           "XDG_RUNTIME_DIR": folders["run"],
                           "DBUS_SESSION_BUS_ADDRESS": os.environ["DBUS_SESSION_BUS_ADDRESS"]}
            program = start([arguments.program], os.path.join(arguments.output, "ortus.log"),
                            stack, cwd=folders["start"], env=environment)
            reader = Reader(pyatspi, "ortus")
            keyboard_pass(desktop, reader, folders["start"])
            screen_reader_pass(reader, folders["start"])
            stop(program)
            teacher = start([arguments.teacher], os.path.join(arguments.output, "teacher.log"),
                            stack, cwd=folders["start"], env=environment)
            teacher_pass(Reader(pyatspi, "ortus-teacher"))
            stop(teacher)
        except Failure as failure:
            print(f"FAIL: {failure}\nLogs: {arguments.output}")
            return 1
        finally:
            for process in reversed(stack):
                stop(process)
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())

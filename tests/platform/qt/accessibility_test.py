#!/usr/bin/python3
"""The window as a screen reader reads it: the demo on a display and a session bus of the test's
own (xvfb-run, dbus-run-session), read through AT-SPI with Debian's pyatspi.
Usage: accessibility_test.py KR55LE-UPGRADE-DEMO [--dump]
--dump prints the window's accessibility tree instead of testing it."""
import os
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import warnings

import pyatspi

warnings.filterwarnings("ignore", category=DeprecationWarning)  # pyatspi's own calls

DEMO = sys.argv[1]
PATIENCE_SECONDS = 30  # a bound for what must happen; a passing run takes a few seconds
RETURN_KEYCODE = 36  # X's keycode of the Return key
MESSAGE_NAME = "Message"
FIELD_ROLES = {pyatspi.ROLE_TEXT, pyatspi.ROLE_PROGRESS_BAR, pyatspi.ROLE_COMBO_BOX,
               pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_LIST}
NAMED = [
    (pyatspi.ROLE_TEXT, "Device Serial Number"),
    (pyatspi.ROLE_TEXT, "Software Version of File"),
    (pyatspi.ROLE_TEXT, "Device Software Version"),
    (pyatspi.ROLE_TEXT, "Bootloader Version"),
    (pyatspi.ROLE_TEXT, "Upgrade mode"),
    (pyatspi.ROLE_TEXT, "Image file"),
    (pyatspi.ROLE_TEXT, "Percentage"),
    (pyatspi.ROLE_PROGRESS_BAR, "Progress"),
]


def until(condition, why):
    deadline = time.monotonic() + PATIENCE_SECONDS
    while not (found := condition()):
        if time.monotonic() > deadline:
            raise AssertionError(why)
        time.sleep(0.1)
    return found


def find_dialog():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == os.path.basename(DEMO).replace("-demo", ""):
            return next(iter(app), None)
    return None


def labels_of(node):
    return [relation.getTarget(index).name for relation in node.getRelationSet()
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
            for index in range(relation.getNTargets())]


def tree(node, depth=0):
    """Each node's role and name, a text's content, a value, and what labels it."""
    line = f"{'  ' * depth}{node.getRoleName()}: {node.name!r}"
    if node.getRole() == pyatspi.ROLE_TEXT:
        line += f", text {node.queryText().getText(0, -1)!r}"
    if node.getRole() == pyatspi.ROLE_PROGRESS_BAR:
        value = node.queryValue()
        line += f", value {value.currentValue:g} of {value.minimumValue:g} to {value.maximumValue:g}"
    if labels := labels_of(node):
        line += f", labelled by {labels}"
    lines = [line]
    for child in node:
        if node.getRole() != pyatspi.ROLE_TEXT:  # a text's own scroll bars say nothing
            lines += tree(child, depth + 1)
    return lines


def message_line(dialog):
    return next((child for child in dialog if child.name.startswith(MESSAGE_NAME + ": ")), None)


def start_demo():
    """The demo's process and its dialog, once the first scan's status shows."""
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    said = tempfile.TemporaryFile()
    demo = subprocess.Popen([DEMO, "reply-ms=0"], env=env, stderr=said)
    try:
        dialog = until(find_dialog, "the window never reached the accessibility bus")
        until(lambda: message_line(dialog), "the message line never showed a status")
    except AssertionError as error:
        demo.kill()
        demo.wait()
        said.seek(0)
        raise AssertionError(f"{error}; the demo said:\n{said.read().decode(errors='replace')}")
    return demo, dialog


class WindowAccessibility(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.demo, cls.dialog = start_demo()

    @classmethod
    def tearDownClass(cls):
        cls.demo.kill()
        cls.demo.wait()

    def test_every_field_has_its_name_and_the_combo_its_caption(self):
        children = {(child.getRole(), child.name) for child in self.dialog}
        for field in NAMED:
            self.assertIn(field, children, "\n".join(tree(self.dialog)))
        for child in self.dialog:
            if child.getRole() in FIELD_ROLES:
                self.assertTrue(child.name, child.getRoleName())
        combo = next(child for child in self.dialog if child.getRole() == pyatspi.ROLE_COMBO_BOX)
        self.assertEqual(labels_of(combo), ["Device Status"])

    def test_the_hidden_list_box_is_not_there(self):
        self.assertNotIn(pyatspi.ROLE_LIST, [child.getRole() for child in self.dialog])

    def test_a_new_status_reaches_the_bus_as_the_message_lines_new_name(self):
        line = message_line(self.dialog)
        before = line.queryText().getText(0, -1)
        names = []
        listener = lambda event: names.append(event.source.name)  # noqa: E731
        pyatspi.Registry.registerEventListener(listener, "object:property-change:accessible-name")

        def press_enter_in_the_path_edit():
            # Enter is the OK command; with no image file chosen it sets a failure status.
            try:
                path = next(child for child in self.dialog if child.name == "Image file")
                path.queryComponent().grabFocus()
                pyatspi.Registry.generateKeyboardEvent(RETURN_KEYCODE, None,
                                                       pyatspi.KEY_PRESSRELEASE)
                until(lambda: line.queryText().getText(0, -1) != before, "no new status")
                time.sleep(0.5)  # for the name's event, sent with the text's, to arrive
            finally:
                pyatspi.Registry.stop()

        worker = threading.Thread(target=press_enter_in_the_path_edit)
        worker.start()
        pyatspi.Registry.start()
        worker.join()
        pyatspi.Registry.deregisterEventListener(listener, "object:property-change:accessible-name")
        status = line.queryText().getText(0, -1)
        self.assertNotEqual(status, before)
        self.assertIn(f"{MESSAGE_NAME}: {status}", names)


if __name__ == "__main__":
    if "--dump" in sys.argv:
        process, window = start_demo()
        print("\n".join(tree(window)))
        process.kill()
        sys.exit(0)
    unittest.main(argv=sys.argv[:1])

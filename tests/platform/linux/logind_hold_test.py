#!/usr/bin/python3
"""kr55le-flash holds off sleep and shutdown for a transfer and lets go at its end, checked
against a mock logind (python-dbusmock) on a bus of the test's own; without any bus the
transfer goes on and says once why nothing is held.
Usage: logind_hold_test.py KR55LE-FLASH IMAGE"""
import os
import subprocess
import sys
import time

import dbus

FLASH, IMAGE = sys.argv[1], sys.argv[2]
HELD = ("sleep:shutdown:idle:handle-lid-switch", "KR-55LE upgrade utility",
        "Transferring an image to the device", "block")
NOT_HELD = "Sleep and shutdown are not held off during transfers: "
PATIENCE_SECONDS = 60  # a bound for what must happen; a passing run takes a few seconds
# A simulated device slow enough for the inhibitor to be seen while the transfer runs.
UPGRADE = ["--simulate", "reply-ms=20", "upgrade", IMAGE]


def fail(why):
    sys.exit("FAIL: " + why)


def until(condition, why):
    deadline = time.monotonic() + PATIENCE_SECONDS
    while not condition():
        if time.monotonic() > deadline:
            fail(why)
        time.sleep(0.01)


def run_flash(env):
    flash = subprocess.run([FLASH, *UPGRADE], env=env, capture_output=True, text=True,
                           timeout=PATIENCE_SECONDS)
    if flash.returncode != 0 or "message: Firmware upgrade completed" not in flash.stdout:
        fail(f"the upgrade did not complete: {flash.returncode}\n{flash.stdout}{flash.stderr}")
    return flash


def held_during_the_transfer_and_gone_after():
    daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    address = daemon.stdout.readline().strip()
    env = dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=address)
    logind = subprocess.Popen([sys.executable, "-m", "dbusmock", "--system", "--template", "logind"],
                              env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        bus = dbus.bus.BusConnection(address)
        until(lambda: bus.name_has_owner("org.freedesktop.login1"), "the mock logind did not start")
        manager = dbus.Interface(bus.get_object("org.freedesktop.login1", "/org/freedesktop/login1"),
                                 "org.freedesktop.login1.Manager")
        inhibitors = lambda: [tuple(str(field) for field in row[:4]) for row in manager.ListInhibitors()]
        flash = subprocess.Popen([FLASH, *UPGRADE], env=env, stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, text=True)
        until(lambda: inhibitors() or flash.poll() is not None, "no inhibitor was taken")
        if inhibitors() != [HELD]:
            fail(f"during the transfer logind lists {inhibitors()}, not {[HELD]}")
        out, err = flash.communicate(timeout=PATIENCE_SECONDS)
        if flash.returncode != 0 or "message: Firmware upgrade completed" not in out or err:
            fail(f"the upgrade did not complete cleanly: {flash.returncode}\n{out}{err}")
        until(lambda: not inhibitors(), "the inhibitor outlived the command")
    finally:
        logind.terminate()
        logind.wait()
        daemon.terminate()
        daemon.wait()


def without_a_bus_said_once():
    env = dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS="unix:path=/nonexistent/bus")
    lines = run_flash(env).stderr.splitlines()
    if len(lines) != 1 or not lines[0].startswith(NOT_HELD):
        fail(f"without a bus standard error says {lines}")


held_during_the_transfer_and_gone_after()
without_a_bus_said_once()
print("logind hold: held during the transfer, gone after it; without a bus, said once")

#!/usr/bin/python3
"""Runs the Windows programs for real: under wine, on a private Xvfb screen.

  run_gui_test.py relayout --program relayout_under_wine.exe
  run_gui_test.py dialog --exe Velmark.exe [--slow-exe VelmarkSlowCounter.exe]
                         --probe ui_probe.exe --screen 480x640 --shots DIR

Each run starts its own Xvfb on a free display number and uses the wine
prefix given by --prefix (made on first use). Everything it starts is
stopped by process id, or for wine by its own prefix's server, and every step
has its own time limit. Prints a line per check and "N passed, M failed".
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile
import time

INSTRUCTION = "Tap the Run button to start Velmark benchmark measuring CPU performance."
RESULT = re.compile(r"^CPU performance -?\d+\.\d\d MFlops$")


class Checks:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, ok, what):
        print(("ok - " if ok else "FAIL - ") + what, flush=True)
        if ok:
            self.passed += 1
        else:
            self.failed += 1
        return ok

    def finish(self):
        print(f"{self.passed} passed, {self.failed} failed", flush=True)
        return 0 if self.failed == 0 and self.passed > 0 else 1


def free_display():
    for number in range(90 + os.getpid() % 50, 400):
        if not os.path.exists(f"/tmp/.X11-unix/X{number}") and \
                not os.path.exists(f"/tmp/.X{number}-lock"):
            return number
    raise RuntimeError("no free X display number")


class Screen:
    """An Xvfb server and a wine prefix to run programs in."""

    def __init__(self, width, height, prefix):
        self.display = free_display()
        self.xvfb = subprocess.Popen(
            ["Xvfb", f":{self.display}", "-screen", "0", f"{width}x{height}x24",
             "-nolisten", "tcp", "-noreset"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.env = dict(os.environ, DISPLAY=f":{self.display}", WINEPREFIX=prefix,
                        WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
        self.prefix = prefix
        deadline = time.time() + 20
        while not os.path.exists(f"/tmp/.X11-unix/X{self.display}"):
            if time.time() > deadline or self.xvfb.poll() is not None:
                raise RuntimeError("Xvfb did not start")
            time.sleep(0.1)
        self.make_prefix()

    def make_prefix(self):
        if not os.path.exists(os.path.join(self.prefix, "system.reg")):
            os.makedirs(self.prefix, exist_ok=True)
            self.run(["wineboot", "--init"], timeout=180)
        # Wine draws the captions itself: there is no window manager here.
        self.run(["reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f"],
                 timeout=60)

    def run(self, args, timeout=60):
        # Output goes to a file, not a pipe: wine's helper processes inherit
        # it and would hold a pipe open long after the program has ended.
        with tempfile.TemporaryFile(mode="w+") as output:
            result = subprocess.run(["wine"] + args, env=self.env, stdout=output,
                                    stderr=subprocess.DEVNULL, text=True, timeout=timeout)
            output.seek(0)
            result.stdout = output.read()
        return result

    def start(self, args):
        return subprocess.Popen(["wine"] + args, env=self.env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

    def x(self, args, timeout=20):
        return subprocess.run(args, env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=timeout)

    def close(self):
        # Stops this prefix's wine server (and so its programs), then Xvfb.
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.xvfb.terminate()
        try:
            self.xvfb.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.xvfb.kill()


def relayout_test(options):
    screen = Screen(480, 640, options.prefix)
    try:
        result = screen.run([options.program], timeout=120)
        sys.stdout.write(result.stdout)
        return result.returncode
    finally:
        screen.close()


class Dialog:
    """One launch of Velmark.exe, looked at through the probe."""

    def __init__(self, screen, exe, probe, checks):
        self.screen, self.probe_exe, self.checks = screen, probe, checks
        self.process = screen.start([exe])
        found = self.probe("find")
        if found.returncode != 0:
            raise RuntimeError("the dialog did not open")

    def probe(self, *args, timeout=60):
        return self.screen.run([self.probe_exe] + [str(a) for a in args], timeout=timeout)

    def state(self):
        lines = self.probe("state").stdout.splitlines()
        state = {"controls": {}}
        for line in lines:
            words = line.split(" ")
            if words[0] == "control":
                state["controls"][int(words[1])] = {
                    "visible": words[2] == "1", "rect": tuple(int(w) for w in words[3:7]),
                    "text": " ".join(words[7:])}
            elif words[0] == "caption":
                state["caption"] = " ".join(words[1:])
            else:
                state[words[0]] = tuple(int(w) for w in words[1:])
        return state

    def click(self, control_id):
        x, y = self.probe("center", control_id).stdout.split()
        self.screen.x(["xdotool", "mousemove", x, y, "click", "1"])

    def exit_status(self, timeout=30):
        try:
            self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            return None
        return self.process.returncode


def dialog_test(options):
    width, height = (int(v) for v in options.screen.split("x"))
    tall = height > width
    name = "tall" if tall else "wide"
    template = 105 if tall else 106
    checks = Checks()
    os.makedirs(options.shots, exist_ok=True)
    screen = Screen(width, height, options.prefix)
    try:
        dialog = Dialog(screen, options.exe, options.probe, checks)
        time.sleep(1.0)  # let the first paint land
        state = dialog.state()
        checks.check(state.get("window") == (0, 0, width, height) or
                     state.get("window") == state.get("work"),
                     f"{name}: the dialog fills the screen: {state.get('window')}")
        layout = dialog.probe("layout", template)
        sys.stdout.write(layout.stdout)
        checks.check(layout.returncode == 0, f"{name}: controls where template {template} puts them")
        checks.check(state["controls"][204]["text"] == INSTRUCTION, f"{name}: the instruction is shown")
        checks.check(state.get("caption") == "Velmark", f"{name}: caption {state.get('caption')!r}")
        screen.x(["import", "-window", "root", os.path.join(options.shots, f"velmark-{name}-idle.png")])

        dialog.click(1000)
        watched = dialog.probe("watch-run", 30000, timeout=90).stdout
        result = re.search(r"^result (.*)$", watched, re.M)
        result = result.group(1) if result else ""
        print(f"{name}: result line: {result}")
        checks.check(bool(RESULT.match(result)), f"{name}: a real click on Run shows {result!r}")
        checks.check("button-visible-after 1" in watched, f"{name}: the Run button is shown after the run")
        screen.x(["import", "-window", "root", os.path.join(options.shots, f"velmark-{name}-result.png")])

        dialog.probe("resize")
        time.sleep(0.5)
        state = dialog.state()
        checks.check(state["controls"][204]["text"] == INSTRUCTION,
                     f"{name}: a resize after the run puts the instruction back")
        checks.check(dialog.probe("layout", template).returncode == 0,
                     f"{name}: still laid out from {template} after the resize")

        dialog.probe("command", 1)
        checks.check(dialog.exit_status() == 0, f"{name}: OK (command 1) ends the program with 0")

        dialog = Dialog(screen, options.exe, options.probe, checks)
        dialog.probe("close")
        checks.check(dialog.exit_status() == 0, f"{name}: the close message ends the program with 0")

        if not options.slow_exe:
            return checks.finish()
        # A build whose counter is slow, so that the run lasts long enough to
        # be watched while it holds the dialog's thread.
        dialog = Dialog(screen, options.slow_exe, options.probe, checks)
        time.sleep(0.5)
        dialog.click(1000)
        watched = dialog.probe("watch-run", 60000, timeout=120).stdout
        checks.check("waiting-seen 1" in watched, f"{name}: the waiting message is shown during the run")
        checks.check("button-visible-while-waiting 0" in watched,
                     f"{name}: the Run button is hidden during the run")
        checks.check("button-visible-after 1" in watched, f"{name}: and shown again after it")
        dialog.probe("command", 1)
        checks.check(dialog.exit_status() == 0, f"{name}: the slow build ends with 0 too")
    except (RuntimeError, subprocess.TimeoutExpired, KeyError) as error:
        checks.check(False, f"{name}: {error}")
    finally:
        screen.close()
    return checks.finish()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--prefix", required=True, help="wine prefix folder")
    sub = parser.add_subparsers(dest="test", required=True)
    relayout = sub.add_parser("relayout")
    relayout.add_argument("--program", required=True)
    dialog = sub.add_parser("dialog")
    dialog.add_argument("--exe", required=True)
    dialog.add_argument("--slow-exe", help="the build with a slow counter (the waiting checks)")
    dialog.add_argument("--probe", required=True)
    dialog.add_argument("--screen", required=True)
    dialog.add_argument("--shots", required=True)
    options = parser.parse_args()
    return relayout_test(options) if options.test == "relayout" else dialog_test(options)


if __name__ == "__main__":
    sys.exit(main())

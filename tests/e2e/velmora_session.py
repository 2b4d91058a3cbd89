# Drives the real Velmora.exe from outside, as a person would, for the
# end-to-end tests and the screenshots: the stand-in music service, the program
# under Wine, xdotool for the pointer and the keys, xclip for the X clipboard,
# ImageMagick for pictures, and velmora_probe.exe to read the window. Every
# wait here is bounded: what never comes raises TimeoutError instead
# of hanging.

import os
import pathlib
import select
import signal
import subprocess
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run")


def run(args, timeout=20, check=True):
    return subprocess.run(args, capture_output=True, timeout=timeout, check=check)


# The build tree that Wine runs here: build/win32, or build/win64 where this
# machine cannot run 32-bit programs (scripts/wine-arch).
def default_build():
    return os.path.join(ROOT, "build", run([os.path.join(ROOT, "scripts", "wine-arch")])
                        .stdout.decode().strip())


# probe()'s first true result, or TimeoutError after `timeout` seconds.
def wait_until(what, probe, timeout, interval=0.2):
    deadline = time.monotonic() + timeout
    while not (result := probe()):
        if time.monotonic() > deadline:
            raise TimeoutError(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)
    return result


def read(path):  # none while it does not exist yet
    return pathlib.Path(path).read_bytes() if os.path.exists(path) else b""


def windows(*options):  # the X windows of Velmora.exe
    return run(["xdotool", "search", *options, "--class", "velmora"], check=False).stdout


def middle(rect):  # of (x, y, w, h, ...)
    return rect[0] + rect[2] // 2, rect[1] + rect[3] // 2


def clipboard():  # None, not b"", while nothing owns the clipboard
    done = run(["xclip", "-o", "-selection", "clipboard"], timeout=10, check=False)
    return done.stdout if done.returncode == 0 else None


# The stand-in music service on 127.0.0.1:80 in a process of its own,
# appending each request line it reads to `log_path`.
class StandIn:
    def __init__(self, log_path):
        self.log_path, self.proc = log_path, None

    def start(self):
        self.proc = subprocess.Popen(
            ["python3", os.path.join(ROOT, "tools", "music_service", "music_service.py"),
             "--log", self.log_path], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        ready, _, _ = select.select([self.proc.stdout], [], [], 10)
        line = self.proc.stdout.readline() if ready else b""
        if b"listening on" not in line:
            self.stop()
            raise TimeoutError(f"stand-in service did not start: {line!r}")

    def stop(self):  # it keeps nothing that a kill would lose
        if self.proc:
            self.proc.kill()
            self.proc.communicate(timeout=5)
        self.proc = None

    def request_lines(self):
        return read(self.log_path).splitlines()


# One run of Velmora.exe and the means to look at it and act on it.
class Velmora:
    def __init__(self, build_dir, workdir):
        self.exe = os.path.join(build_dir, "app", "Velmora.exe")
        self.probe_exe = os.path.join(build_dir, "tests", "e2e", "velmora_probe.exe")
        self.workdir, self.proc = workdir, None

    def start(self, timeout=60):
        with open(os.path.join(self.workdir, "wine.log"), "ab") as log:
            self.proc = subprocess.Popen([WINE_RUN, self.exe], cwd=self.workdir,
                                         stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                         start_new_session=True)
        # A probe that ends while Wine's session is still starting can hang; the window shows later.
        wait_until("the Velmora window", lambda: windows("--onlyvisible"), timeout)
        wait_until("the window to answer", self.probe_ok, 20)

    def wait_exit(self, timeout):
        return self.proc.wait(timeout)

    def kill(self):
        if self.proc and self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGKILL)
            self.proc.wait(5)

    # -- reading the window through velmora_probe.exe ----------------------
    # The probe's facts by name, each a list of tuples of its fields; asked
    # again while the window is busy (status 3), for instance inside a query.
    def probe(self, *args, timeout=30):
        cmd = [WINE_RUN, self.probe_exe, *map(str, args)]
        done = wait_until(f"the window to answer {args}",
                          lambda: (d := run(cmd, 30, False)).returncode != 3 and d, timeout)
        if done.returncode != 0:
            raise AssertionError(f"velmora_probe {args}: {done.stderr.decode(errors='replace')}")
        facts = {"popup": [], "selected": [], "row": []}
        for name, *fields in (line.split("\t") for line in done.stdout.decode().splitlines()):
            facts.setdefault(name, []).append(
                tuple(bytes.fromhex(f[1:]) if f[0] == "x" else int(f) for f in fields))
        return facts

    def probe_ok(self, *args):  # {} while there is no window or it is busy
        try:
            return self.probe(*args, timeout=0)
        except (AssertionError, TimeoutError):
            return {}

    def row_count(self):
        return self.probe()["rows"][0][0]

    # (x, y, w, h, caption, text) of the first window the main window owns
    def wait_popup(self, timeout=15):
        return wait_until("a message box", lambda: self.probe_ok().get("popup"), timeout)[0]

    # -- acting as a person -------------------------------------------------
    def click(self, x, y, repeat=1):
        run(["xdotool", "mousemove", "--sync", str(x), str(y),
             "click", "--repeat", str(repeat), "--delay", "120", "1"])

    # Keys go to the window under the pointer: there is no window manager, so
    # the keyboard focus follows the pointer.
    def key(self, *keys, over=None):
        move = ["mousemove", "--sync", str(over[0]), str(over[1])] if over else []
        run(["xdotool", *move, "key", "--delay", "60", *keys])

    def type_number(self, number):
        self.click(*middle(self.probe()["edit"][0]))
        self.key("End", "shift+Home", "BackSpace")
        run(["xdotool", "type", "--delay", "40", number])

    def press_get_music(self):
        self.click(*middle(self.probe()["button"][0]))

    def double_click_row(self, row):
        self.click(*self.probe(row, 1)["row"][0][1:3], repeat=2)

    def close_popup(self, popup):
        self.key("Return", over=middle(popup))
        wait_until("the message box to close", lambda: self.probe_ok().get("popup") == [], 10)

    def window_geometry(self):
        return self.probe()["main"][0][:4]

    # The screen, or the part `crop` = (x, y, w, h) of it. `import -window
    # root` also catches a message box over its owner; xwd shows it black.
    def screenshot(self, path, crop=None):
        cut = ["-crop", "{2}x{3}+{0}+{1}".format(*crop), "+repage"] if crop else []
        run(["import", "-window", "root", *cut, path], timeout=30)

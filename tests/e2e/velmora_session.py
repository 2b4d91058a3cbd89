# Drives the real Velmora.exe from outside, as a person would, for the
# end-to-end tests and the screenshots: the stand-in music service, the program
# under Wine, xdotool for the pointer and the keys, xclip for the X clipboard,
# ImageMagick for pictures, and velmora_probe.exe to read the window's cells.
# Every wait here is bounded: what never comes raises Timeout instead of
# hanging the caller.

import os
import pathlib
import re
import select
import signal
import subprocess
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run")
TITLE = "QQ空间音乐查询，QQ空间音乐克隆(双击复制歌曲地址)"


class Timeout(AssertionError):
    pass


def run(args, timeout=20, check=True):
    return subprocess.run(args, capture_output=True, timeout=timeout, check=check)


# The build tree that Wine runs here: build/win32, or build/win64 where this
# machine cannot run 32-bit programs (scripts/wine-arch).
def default_build():
    return os.path.join(ROOT, "build", run([os.path.join(ROOT, "scripts", "wine-arch")])
                        .stdout.decode().strip())


def wait_until(what, probe, timeout, interval=0.2):
    """probe()'s first true result, or Timeout after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while not (result := probe()):
        if time.monotonic() > deadline:
            raise Timeout(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)
    return result


def read(path):
    """A file's bytes; none while it does not exist yet."""
    return pathlib.Path(path).read_bytes() if os.path.exists(path) else b""


def clipboard():
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
            raise Timeout(f"stand-in service did not start: {line!r}")
        return self

    def stop(self):  # it keeps nothing that a kill would lose
        if self.proc:
            self.proc.kill()
            self.proc.wait(5)
            self.proc.stdout.close()
        self.proc = None

    def request_lines(self):
        return read(self.log_path).splitlines()


class Velmora:
    """One run of Velmora.exe and the means to look at it and act on it."""

    def __init__(self, build_dir, workdir):
        self.exe = os.path.join(build_dir, "app", "Velmora.exe")
        self.probe_exe = os.path.join(build_dir, "tests", "e2e", "velmora_probe.exe")
        self.workdir, self.proc, self.xid = workdir, None, None

    def start(self, timeout=60):
        with open(os.path.join(self.workdir, "wine.log"), "ab") as log:
            self.proc = subprocess.Popen([WINE_RUN, self.exe], cwd=self.workdir,
                                         stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                         start_new_session=True)
        # xdotool's --sync waits for ever; the time-out is ours.
        found = run(["timeout", str(timeout), "xdotool", "search", "--sync", "--onlyvisible",
                     "--name", "^" + re.escape(TITLE) + "$"], timeout=timeout + 5, check=False)
        if found.returncode != 0:
            raise Timeout(f"the Velmora window did not appear within {timeout} s")
        self.xid = found.stdout.split()[0].decode()
        wait_until("the window to answer", lambda: self.probe_ok("main"), 20)
        return self

    def wait_exit(self, timeout):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Timeout(f"Velmora did not exit within {timeout} s")

    def kill(self):
        if self.proc and self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGKILL)
            self.proc.wait(5)

    # -- reading the window through velmora_probe.exe ----------------------
    # Tab-separated fields of the probe's lines, asked again while the window
    # is busy (status 3), for instance inside a query.
    def probe(self, *args, timeout=30):
        cmd = [WINE_RUN, self.probe_exe, *map(str, args)]
        done = wait_until(f"the window to answer {args}",
                          lambda: (d := run(cmd, 30, False)).returncode != 3 and d, timeout)
        if done.returncode != 0:
            raise AssertionError(f"velmora_probe {' '.join(cmd[2:])}: "
                                 f"{done.stderr.decode(errors='replace').strip()}")
        return [line.split("\t") for line in done.stdout.decode().replace("\r", "").splitlines()]

    def probe_ok(self, *args):
        """probe()'s answer, or None while there is no window or it is busy."""
        try:
            return self.probe(*args, timeout=0)
        except AssertionError:
            return None

    def main_info(self, timeout=30):
        """Title and edit text as bytes, columns as (format, width, caption), the rest numbers."""
        info = {"columns": []}
        for f in self.probe("main", timeout=timeout):
            if f[0] == "column":
                info["columns"].append((int(f[2]), int(f[3]), bytes.fromhex(f[4])))
            else:
                info[f[0]] = bytes.fromhex(f[1]) if f[0] in ("title", "edit") else \
                    int(f[1], 16 if f[0] == "liststyle" else 10)
        return info

    def rows(self, first=0, count=100000):
        return [tuple(bytes.fromhex(cell) for cell in f[2:5])
                for f in self.probe("rows", first, count) if f[0] == "row"]

    def row_count(self):
        return int(self.probe("rows", 0, 0)[0][1])

    def selected(self):
        return [int(f[1]) for f in self.probe("selected")]

    def popups(self, lines=None):
        """(caption, text, (x, y, w, h)) of each window the main window owns."""
        return [(bytes.fromhex(f[3]), bytes.fromhex(f[4]), tuple(map(int, f[2].split())))
                for f in lines or self.probe("popups")]

    def wait_popup(self, timeout=15):
        return self.popups(wait_until("a message box", lambda: self.probe_ok("popups"), timeout))[0]

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
        self.click(*self.point("controlpoint", 1002))  # the number's edit box
        self.key("End", "shift+Home", "BackSpace")
        if number:
            run(["xdotool", "type", "--delay", "40", number])

    def press_get_music(self):
        self.click(*self.point("controlpoint", 1006))

    def double_click_row(self, row):
        self.click(*self.point("rowpoint", row), repeat=2)

    def point(self, *args):
        return tuple(map(int, self.probe(*args)[0][0].split()))

    def close_popup(self, popup):
        x, y, w, h = popup[2]
        self.key("Return", over=(x + w // 2, y + h // 2))
        wait_until("the message box to close", lambda: self.probe_ok("popups") == [], 10)

    def window_geometry(self):
        out = run(["xdotool", "getwindowgeometry", "--shell", self.xid]).stdout.decode()
        g = dict(line.split("=") for line in out.split())
        return int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"])

    # The screen, or the part `crop` = (x, y, w, h) of it. `import -window
    # root` also catches a message box over its owner; xwd shows it black.
    def screenshot(self, path, crop=None):
        x, y, w, h = crop or (0, 0, 0, 0)
        run(["import", "-window", "root", *(["-crop", f"{w}x{h}+{x}+{y}", "+repage"] if crop else []),
             path], timeout=30)

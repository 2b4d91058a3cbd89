"""Drives the real Velmora.exe from outside, as a person would, for the
end-to-end tests and the screenshots: the stand-in music service, the program
under Wine, xdotool for the pointer and the keys, xclip for the X clipboard,
ImageMagick for pictures, and velmora_probe.exe to read the window's cells.

Every wait here is bounded; a window that never comes raises Timeout instead
of hanging the caller.
"""

import os
import re
import select
import signal
import subprocess
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SERVICE = os.path.join(ROOT, "tools", "music_service", "music_service.py")
SONGS = os.path.join(ROOT, "tools", "music_service", "songs.txt")
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run")

TITLE = "QQ空间音乐查询，QQ空间音乐克隆(双击复制歌曲地址)"
IDC_QQ_EDIT = 1002
IDC_GET_MUSIC = 1006


def default_build():
    """The build tree that Wine runs here: build/win32, or build/win64 where this
    machine cannot run 32-bit programs (scripts/wine-arch)."""
    arch = subprocess.run([os.path.join(ROOT, "scripts", "wine-arch")], capture_output=True,
                          text=True, check=True).stdout.strip()
    return os.path.join(ROOT, "build", arch)


class Timeout(AssertionError):
    pass


def wait_until(what, probe, timeout, interval=0.2):
    """probe()'s first true result, or Timeout after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Timeout(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


def run(args, timeout=20, check=True, **kwargs):
    return subprocess.run(args, capture_output=True, timeout=timeout, check=check, **kwargs)


class StandIn:
    """The stand-in music service in a process of its own."""

    def __init__(self, log_path, listen="127.0.0.1:80"):
        self.log_path = log_path
        self.listen = listen
        self.proc = None

    def start(self):
        self.proc = subprocess.Popen(
            ["python3", SERVICE, "--listen", self.listen, "--log", self.log_path],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        ready, _, _ = select.select([self.proc.stdout], [], [], 10)
        line = self.proc.stdout.readline() if ready else b""
        if b"listening on" not in line:
            self.stop()
            raise Timeout(f"stand-in service did not start: {line!r}")
        return self

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(5)
        if self.proc:
            self.proc.stdout.close()
        self.proc = None

    def request_lines(self):
        if not os.path.exists(self.log_path):
            return []
        with open(self.log_path, "rb") as f:
            return f.read().splitlines()


class Velmora:
    """One run of Velmora.exe and the means to look at it and act on it."""

    def __init__(self, build_dir, workdir):
        self.exe = os.path.join(build_dir, "app", "Velmora.exe")
        self.probe_exe = os.path.join(build_dir, "tests", "e2e", "velmora_probe.exe")
        self.workdir = workdir
        self.proc = None
        self.xid = None

    # -- the process ------------------------------------------------------
    def start(self, timeout=60):
        with open(os.path.join(self.workdir, "wine.log"), "ab") as log:
            self.proc = subprocess.Popen([WINE_RUN, self.exe], cwd=self.workdir,
                                         stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                         start_new_session=True)
        pattern = "^" + re.escape(TITLE) + "$"
        # xdotool's --sync waits for ever; the time-out is ours.
        found = run(["timeout", str(timeout), "xdotool", "search", "--sync", "--onlyvisible",
                     "--name", pattern], timeout=timeout + 5, check=False)
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
    def probe(self, *args):
        """Tab-separated fields of the probe's lines; None while the window is busy."""
        done = run([WINE_RUN, self.probe_exe, *map(str, args)], check=False, timeout=30)
        if done.returncode == 3:
            return None
        if done.returncode != 0:
            raise AssertionError(f"velmora_probe {' '.join(map(str, args))}: "
                                 f"{done.stderr.decode(errors='replace').strip()}")
        return [line.split("\t") for line in done.stdout.decode().replace("\r", "").splitlines()]

    def probe_ok(self, *args):
        try:
            return self.probe(*args)
        except AssertionError:
            return None

    def probe_when_idle(self, *args, timeout=30):
        # Wrapped, so that an answer without lines counts as an answer.
        answer = wait_until(f"the window to answer {args}",
                            lambda: (lambda lines: lines is not None and [lines])(self.probe(*args)),
                            timeout)
        return answer[0]

    def main_info(self):
        info = {"columns": []}
        for fields in self.probe_when_idle("main"):
            if fields[0] == "column":
                info["columns"].append((int(fields[2]), int(fields[3]), unhex(fields[4])))
            elif fields[0] in ("title", "edit"):
                info[fields[0]] = unhex(fields[1])
            elif fields[0] == "liststyle":
                info["liststyle"] = int(fields[1], 16)
            else:
                info[fields[0]] = int(fields[1])
        return info

    def rows(self, first=0, count=100000):
        lines = self.probe_when_idle("rows", first, count)
        return [tuple(unhex(cell) for cell in fields[2:5]) for fields in lines
                if fields[0] == "row"]

    def row_count(self):
        return int(self.probe_when_idle("rows", 0, 0)[0][1])

    def selected(self):
        return [int(f[1]) for f in self.probe_when_idle("selected")]

    def popups(self):
        """(caption, text, (x, y, w, h)) of each window the main window owns."""
        result = []
        for fields in self.probe_when_idle("popups"):
            x, y, w, h = map(int, fields[2].split())
            result.append((unhex(fields[3]), unhex(fields[4]), (x, y, w, h)))
        return result

    def wait_popup(self, timeout=15):
        return wait_until("a message box", lambda: self.probe_ok("popups"), timeout) and \
            self.popups()[0]

    def point(self, *args):
        x, y = self.probe_when_idle(*args)[0][0].split()
        return int(x), int(y)

    # -- acting as a person -------------------------------------------------
    def click(self, x, y, repeat=1):
        run(["xdotool", "mousemove", "--sync", str(x), str(y)])
        run(["xdotool", "click", "--repeat", str(repeat), "--delay", "120", "1"])

    def key(self, *keys, over=None):
        """Keys to the window under the pointer; there is no window manager,
        so the keyboard focus follows the pointer."""
        if over:
            run(["xdotool", "mousemove", "--sync", str(over[0]), str(over[1])])
        run(["xdotool", "key", "--delay", "60", *keys])

    def type_number(self, number):
        x, y = self.point("controlpoint", IDC_QQ_EDIT)
        self.click(x, y)
        self.key("End", "shift+Home", "BackSpace")
        if number:
            run(["xdotool", "type", "--delay", "40", number])

    def press_get_music(self):
        self.click(*self.point("controlpoint", IDC_GET_MUSIC))

    def double_click_row(self, row):
        self.click(*self.point("rowpoint", row), repeat=2)

    def close_popup(self, popup):
        x, y, w, h = popup[2]
        self.key("Return", over=(x + w // 2, y + h // 2))
        wait_until("the message box to close", lambda: self.probe_ok("popups") == [], 10)

    def window_geometry(self):
        out = run(["xdotool", "getwindowgeometry", "--shell", self.xid]).stdout.decode()
        g = dict(line.split("=") for line in out.split())
        return int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"])

    def screenshot(self, path, crop=None):
        """The screen, or the part `crop` = (x, y, w, h) of it. `import -window
        root` also catches a message box over its owner; xwd shows it black."""
        args = ["import", "-window", "root"]
        if crop:
            x, y, w, h = crop
            args += ["-crop", f"{w}x{h}+{x}+{y}", "+repage"]
        run(args + [path], timeout=30)


def clipboard():
    done = run(["xclip", "-o", "-selection", "clipboard"], check=False, timeout=10)
    return done.stdout if done.returncode == 0 else None


def unhex(text):
    return bytes.fromhex(text)


def load_songs():
    """The sample songs as the list must show them: GBK bytes, URLs plain."""
    songs = []
    with open(SONGS, encoding="utf-8") as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                songs.append(tuple(cell.encode("gbk") for cell in line.rstrip("\n").split("\t")))
    return songs

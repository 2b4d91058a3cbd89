# Drives the real Velmora.exe from outside, as a person would, for the
# end-to-end tests, the demo and the screenshots: the stand-in music service, the program
# under Wine, xdotool for the pointer and the keys, xclip for the X clipboard,
# ImageMagick for pictures, and velmora_probe.exe to read the window. Every
# wait here is bounded: what never comes raises TimeoutError (or, from a
# command, subprocess.TimeoutExpired) instead of hanging.

import os
import pathlib
import signal
import subprocess
import sys
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run")
sys.path.insert(0, os.path.join(ROOT, "tools", "music_service"))
from music_service import MusicService, load_songs  # noqa: E402

SONGS = load_songs(os.path.join(ROOT, "tools", "music_service", "songs.txt"))  # the stand-in's


def run(args, check=True):  # longer than the probe waits for a busy window
    return subprocess.run(args, capture_output=True, timeout=90, check=check)


def default_build():  # the build tree that Wine runs here
    return f"{ROOT}/" + run([f"{ROOT}/scripts/wine-arch", "--build"]).stdout.decode().strip()


# probe()'s first true result, or TimeoutError after `timeout` seconds.
def wait_until(what, probe, timeout):
    deadline = time.monotonic() + timeout
    while not (result := probe()):
        if time.monotonic() > deadline:
            raise TimeoutError(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(0.2)
    return result


def read(path):  # none while it does not exist yet
    return pathlib.Path(path).read_bytes() if os.path.exists(path) else b""


def windows(*options):  # the X windows of Velmora.exe
    return run(["xdotool", "search", *options, "--class", "velmora"], check=False).stdout


def clipboard():  # None, not b"", while nothing owns the clipboard
    done = run(["xclip", "-o", "-selection", "clipboard"], check=False)
    return done.stdout if done.returncode == 0 else None


# The stand-in music service (tools/music_service) on 127.0.0.1:80 of
# scripts/sandbox's network, served by a thread of ours, appending each
# request line it reads to `log_path` and holding kept-alive connections for
# `hold` seconds.
class StandIn:
    def __init__(self, log_path, hold=30.0):
        self.log_path, self.hold, self.server = log_path, hold, None

    def start(self):
        self.server = MusicService(("127.0.0.1", 80), SONGS, self.log_path, self.hold, echo=False)
        threading.Thread(target=self.server.serve_forever, args=(0.2,), daemon=True).start()

    def stop(self):  # connections are refused from then on
        if self.server:
            self.server.shutdown()
            self.server.server_close()
        self.server = None

    def request_lines(self):
        return read(self.log_path).splitlines()

    def holds(self):  # kept-alive connections ended so far: (by the client, by the hold running out)
        return self.server.closed_by_client, self.server.hold_ran_out


# One run of Velmora.exe and the means to look at it and act on it.
class Velmora:
    def __init__(self, build_dir, workdir, exe=None):
        self.exe = exe or os.path.join(build_dir, "app", "Velmora.exe")
        self.probe_exe = os.path.join(build_dir, "tools", "velmora_probe.exe")
        self.workdir, self.proc = workdir, None

    def start(self):
        # Wine's own processes that this starts keep the log open, not our output.
        with open(os.path.join(self.workdir, "wine.log"), "ab") as log:
            self.proc = subprocess.Popen([WINE_RUN, self.exe], cwd=self.workdir,
                                         stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                         start_new_session=True)
        # A probe that ends while Wine's session is still starting can hang; the window shows later.
        wait_until("the Velmora window", lambda: windows("--onlyvisible"), 60)
        wait_until("the window to answer", self.probe, 20)

    def kill(self):
        if self.proc and self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGKILL)
            self.proc.wait(5)

    # -- reading the window through velmora_probe.exe ----------------------
    # The probe's facts by name, each a list of tuples of its fields, once the
    # window answers; {} while there is no window. Bytes that are no GBK, as
    # in the text of an icon, come through as surrogates.
    def probe(self, *args):
        done = run([WINE_RUN, self.probe_exe, *map(str, args)], check=False)
        # Whole once it has said "end", whatever status Wine ended it with.
        if done.stdout.splitlines()[-1:] != [b"end"]:
            self.probe_error = f"status {done.returncode}, {len(done.stdout)} bytes out, " \
                f"{done.stderr.decode(errors='replace').strip()!r}"
            return {}
        facts = {"popup": [], "selected": [], "row": []}
        for line in done.stdout.decode("gbk", "surrogateescape").splitlines()[:-1]:
            name, *rest = line.split("\t")
            facts.setdefault(name, []).append(tuple(f[1:] if f[0] == "x" else int(f) for f in rest))
        return facts

    # (x, y, w, h, caption, text) of the first window the main window owns
    def wait_popup(self):
        return wait_until("a message box", lambda: self.probe().get("popup"), 60)[0]

    def close_popup(self, popup):  # gives its caption and text once Return has closed it
        self.xdotool(popup, "key", "Return")
        wait_until("the message box to close", lambda: self.probe().get("popup") == [], 10)
        return popup[4:]

    def window_geometry(self):
        return self.probe()["main"][0][:4]

    # -- acting as a person -------------------------------------------------
    # xdotool's commands with the pointer amid `rect` = (x, y, w, h, ...). Keys
    # go to the window under the pointer: there is no window manager, so the
    # keyboard focus follows it.
    def xdotool(self, rect, *commands):
        at = rect[0] + rect[2] // 2, rect[1] + rect[3] // 2
        run(["xdotool", "mousemove", "--sync", *map(str, at), *commands])

    def type_number(self, number):  # over the one shown
        self.xdotool(self.probe()["edit"][0], "click", "1", "key", "--delay", "60", "End",
                     "shift+Home", "BackSpace", "type", "--delay", "40", number)

    def press_get_music(self):
        self.xdotool(self.probe()["button"][0], "click", "1")

    def double_click_row(self, row):
        self.xdotool(self.probe(row)["row"][0], "click", "--repeat", "2", "--delay", "120", "1")

    # The screen, or the part `crop` = (x, y, w, h) of it. `import -window
    # root` also catches a message box over its owner; xwd shows it black.
    def screenshot(self, path, crop=None):
        cut = ["-crop", "{2}x{3}+{0}+{1}".format(*crop), "+repage"] if crop else []
        run(["import", "-window", "root", *cut, path])

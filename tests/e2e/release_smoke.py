#!/usr/bin/env python3
"""Smoke test of a release zip: unpacks it into a fresh folder and starts the
Velmora.exe found there, from that folder, under Wine on a private Xvfb,
against the stand-in music service (scripts/with-demo-hosts; needs root).
Checks the window's title, that a query fills the list, that log.txt appears
in that folder after a query fails (stand-in stopped), and that Esc ends it.

    tests/e2e/release_smoke.py ZIP TEST_BUILD_DIR

TEST_BUILD_DIR is the Windows test tree of the same width (build/win32 or
build/win64): its velmora_probe.exe reads the window, in its Wine prefix.
"""

import glob
import os
import shutil
import signal
import sys
import tempfile
import time
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from velmora_session import ROOT, TITLE, StandIn, Velmora, wait_until  # noqa: E402

TIME_LIMIT = 120


def check(what, got, wanted):
    if got != wanted:
        raise AssertionError(f"{what}: got {got!r}, wanted {wanted!r}")


def smoke(zip_path, build, work):
    folder = os.path.join(work, "unpacked")
    with zipfile.ZipFile(zip_path) as z:
        z.extractall(folder)
    exes = glob.glob(os.path.join(folder, "*", "Velmora.exe"))
    check("Velmora.exe in the zip's folder", len(exes), 1)
    here = os.path.dirname(exes[0])
    log_txt = os.path.join(here, "log.txt")
    with open(os.path.join(ROOT, "tools", "music_service", "songs.txt"), encoding="utf-8") as f:
        songs = [line.rstrip("\n").split("\t") for line in f if line.strip() and line[0] != "#"]

    standin = StandIn(os.path.join(work, "requests.log")).start()
    app = Velmora(build, here)
    app.exe = exes[0]
    try:
        app.start()  # waits for a visible window with exactly the title
        check("title", app.main_info()["title"], TITLE.encode("gbk"))
        app.press_get_music()
        wait_until("the list to fill", lambda: app.row_count() > 1, 20)
        check("rows after a query", app.row_count(), len(songs) + 1)
        check("first row", app.rows(0, 1)[0], tuple(cell.encode("gbk") for cell in songs[0]))
        check("log.txt after a good query", os.path.exists(log_txt), False)

        standin.stop()
        app.press_get_music()
        app.close_popup(app.wait_popup())
        with open(log_txt, "rb") as f:
            logged = f.read()
        if b"Error: failed to connect to URL:http://qzone-music.qq.com" not in logged:
            raise AssertionError(f"log.txt after a failed query: {logged!r}")

        x, y, w, h = app.window_geometry()
        app.key("Escape", over=(x + w // 2, y + h // 2))
        app.wait_exit(15)
    finally:
        app.kill()
        standin.stop()


def main():
    zip_path, build = map(os.path.abspath, sys.argv[1:3])
    if os.environ.get("VELMORA_SMOKE_INNER") != "1":
        for path in [zip_path, os.path.join(build, "tests", "e2e", "velmora_probe.exe")]:
            if not os.path.exists(path):
                sys.exit(f"release smoke: {path} is missing")
        os.environ["VELMORA_SMOKE_INNER"] = "1"
        scripts = os.path.join(ROOT, "scripts")
        os.execv(os.path.join(scripts, "with-xvfb"),
                 [os.path.join(scripts, "with-xvfb"), os.path.join(scripts, "with-keeper"), build,
                  os.path.join(scripts, "with-demo-hosts"), sys.executable,
                  os.path.abspath(__file__), zip_path, build])
    # The unpacked program lies outside any build tree: it runs in the test
    # tree's prefix, where the keeper and the probe run too.
    os.environ["WINEPREFIX"] = os.path.join(build, "wineprefix")
    signal.signal(signal.SIGALRM, lambda *_: sys.exit(f"release smoke: over {TIME_LIMIT} s"))
    signal.alarm(TIME_LIMIT)
    work = tempfile.mkdtemp(prefix="velmora-release-")
    started = time.monotonic()
    try:
        smoke(zip_path, build, work)
    except Exception as e:
        print(f"release smoke: FAILED: {type(e).__name__}: {e} (work dir {work})")
        sys.exit(1)
    print(f"release smoke: {os.path.basename(zip_path)} passed in {time.monotonic() - started:.1f} s")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

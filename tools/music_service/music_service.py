#!/usr/bin/env python3
"""A stand-in for the Qzone music-list service, for the demo and the tests.

It answers GET /fcg-bin/fcgi_agent_zhenghe.fcg?UIN=<number>&... the way the
real service does: a GBK reply whose body holds one <minemusic> record per
song, each with <xsinger_name>, <xsong_name> and <xsong_url> CDATA values, the
song URLs written with "&#58;" for ':' and "&#46;" for '.'. Every account
number gets the songs of songs.txt, except these:

    10000   an empty music list: no <minemusic> at all
    10001   the first three sample songs, the third without its <xsong_url>
    10404   a "404 Not Found" page instead of a list
    10005   the sample songs, then the connection stays open (keep-alive)
    10006   the connection is closed without a reply
    19999   10,000 generated songs: singer "歌手NNNNN", song "第NNNNN首歌",
            URL http://music.velmora-demo.cn/bulk/NNNNN.mp3, NNNNN = 00001..10000

Any other path gets the 404 page. Each request line is written to stdout and,
with --log, appended to a file, one line each, as the raw bytes received.

    music_service.py [--listen HOST:PORT] [--log FILE] [--songs FILE] [--hold S]
"""

import argparse
import os
import signal
import socketserver
import sys
import threading

QUERY_PATH = b"/fcg-bin/fcgi_agent_zhenghe.fcg"
HERE = os.path.dirname(os.path.abspath(__file__))

EMPTY_LIST = b"10000"
MISSING_URL = b"10001"
NOT_FOUND = b"10404"
STAYS_OPEN = b"10005"
NO_REPLY = b"10006"
TEN_THOUSAND = b"19999"


def load_songs(path):
    """The (singer, song name, URL) rows of a sample file; '#' starts a comment."""
    songs = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            singer, name, url = line.split("\t")
            songs.append((singer, name, url))
    return songs


def generated_songs(count):
    return [
        (f"歌手{i:05d}", f"第{i:05d}首歌", f"http://music.velmora-demo.cn/bulk/{i:05d}.mp3")
        for i in range(1, count + 1)
    ]


def escape_url(url):
    return url.replace(":", "&#58;").replace(".", "&#46;")


def music_list_body(uin, songs, drop_last_url=False):
    """The XML document of an account's list, as GBK bytes."""
    parts = [
        '<?xml version="1.0" encoding="GBK"?>\n<qzone_music>\n',
        f"<uin>{uin}</uin>\n<total>{len(songs)}</total>\n<musiclist>\n",
    ]
    for i, (singer, name, url) in enumerate(songs, 1):
        parts.append(f"<minemusic>\n<xsong_id>{i}</xsong_id>\n")
        parts.append(f"<xsinger_name><![CDATA[{singer}]]></xsinger_name>\n")
        parts.append(f"<xsong_name><![CDATA[{name}]]></xsong_name>\n")
        if not (drop_last_url and i == len(songs)):
            parts.append(f"<xsong_url><![CDATA[{escape_url(url)}]]></xsong_url>\n")
        parts.append("<xsong_type>1</xsong_type>\n</minemusic>\n")
    parts.append("</musiclist>\n</qzone_music>\n")
    return "".join(parts).encode("gbk")


NOT_FOUND_PAGE = (
    "<html><head><title>404 Not Found</title></head>"
    "<body><h1>404 Not Found</h1><p>页面不存在</p></body></html>\n"
).encode("gbk")


def reply(status, body, content_type, keep_alive=False):
    head = [
        f"HTTP/1.1 {status}",
        "Server: velmora-stand-in",
        f"Content-Type: {content_type}; charset=GBK",
        f"Content-Length: {len(body)}",
        "Connection: Keep-Alive" if keep_alive else "Connection: close",
    ]
    return ("\r\n".join(head) + "\r\n\r\n").encode("ascii") + body


def query_field(target, name):
    """The raw value of one field of a request target's query, or None."""
    _, _, query = target.partition(b"?")
    for field in query.split(b"&"):
        key, eq, value = field.partition(b"=")
        if eq and key == name:
            return value
    return None


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        sock = self.request
        sock.settimeout(5)
        head = b""
        try:
            while b"\r\n\r\n" not in head and len(head) < 65536:
                chunk = sock.recv(4096)
                if not chunk:
                    break
                head += chunk
        except OSError:
            pass
        if not head:
            return
        line = head.split(b"\r\n", 1)[0]
        self.server.log_request_line(line)

        parts = line.split(b" ")
        target = parts[1] if len(parts) == 3 else b""
        path = target.partition(b"?")[0]
        uin = query_field(target, b"UIN")
        if parts[0] != b"GET" or path != QUERY_PATH or uin is None or uin == NOT_FOUND:
            sock.sendall(reply("404 Not Found", NOT_FOUND_PAGE, "text/html"))
            return
        if uin == NO_REPLY:
            return
        uin_text = uin.decode("gbk", "replace")
        songs = self.server.songs
        if uin == EMPTY_LIST:
            body = music_list_body(uin_text, [])
        elif uin == MISSING_URL:
            body = music_list_body(uin_text, songs[:3], drop_last_url=True)
        elif uin == TEN_THOUSAND:
            body = music_list_body(uin_text, generated_songs(10000))
        else:
            body = music_list_body(uin_text, songs)
        keep_alive = uin == STAYS_OPEN
        sock.sendall(reply("200 OK", body, "text/xml", keep_alive))
        if keep_alive:
            # Like a real keep-alive server: wait for a next request that
            # never comes, until the client gives up or our own time runs out.
            sock.settimeout(self.server.hold)
            try:
                while sock.recv(4096):
                    pass
            except OSError:
                pass


class MusicService(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True

    def __init__(self, address, songs, log_path=None, hold=30.0, echo=True):
        super().__init__(address, Handler)
        self.songs = songs
        self.echo = echo
        self.hold = hold
        self.log_path = log_path
        self.log_lock = threading.Lock()

    def log_request_line(self, line):
        with self.log_lock:
            if self.log_path:
                with open(self.log_path, "ab") as f:
                    f.write(line + b"\n")
            if self.echo:
                sys.stdout.buffer.write(b"request: " + line + b"\n")
                sys.stdout.flush()


def parse_address(text):
    host, sep, port = text.rpartition(":")
    if not sep:
        raise argparse.ArgumentTypeError(f"expected HOST:PORT, got {text!r}")
    return host, int(port)


def main():
    parser = argparse.ArgumentParser(
        description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter
    )
    parser.add_argument("--listen", type=parse_address, default=("127.0.0.1", 80))
    parser.add_argument("--log", help="append each request line to this file")
    parser.add_argument("--songs", default=os.path.join(HERE, "songs.txt"))
    parser.add_argument("--hold", type=float, default=30.0,
                        help="seconds a kept-alive connection is held open")
    args = parser.parse_args()

    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    server = MusicService(args.listen, load_songs(args.songs), args.log, args.hold)
    host, port = server.server_address[:2]
    print(f"music_service: listening on {host}:{port}", flush=True)
    try:
        server.serve_forever(poll_interval=0.2)
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    main()

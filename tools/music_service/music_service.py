#!/usr/bin/env python3
"""A stand-in for the Qzone music-list service, for the demo and the tests.

It answers GET /fcg-bin/fcgi_agent_zhenghe.fcg?UIN=<number>&... the way the
real service does: a GBK reply whose body holds one <minemusic> record per
song, each with <xsinger_name>, <xsong_name> and <xsong_url> CDATA values, the
song URLs written with "&#58;" for ':' and "&#46;" for '.'. Every account
number gets the songs of songs.txt, with a Content-Length, except these:

    10000   an empty music list: no <minemusic> at all
    10001   the first three sample songs, the third without its <xsong_url>
    10404   a "404 Not Found" page instead of a list
    10500   a "500 Internal Server Error" page instead of a list
    10005   the sample songs framed by the close alone: no Content-Length,
            "Connection: close", and the connection closed after the body
    10006   the connection is closed without a reply
    10007   the sample songs chunked, in chunks of 1 to 173 bytes that split
            tags, CDATA values and GBK characters, hex sizes in mixed case,
            chunk extensions, and a trailer field after the last chunk
    10008   cut short: the Content-Length of the whole list, two thirds of it
            sent, then the connection closed
    19999   10,000 generated songs: singer "歌手NNNNN", song "第NNNNN首歌",
            URL http://music.velmora-demo.cn/bulk/NNNNN.mp3, NNNNN = 00001..10000

Any other path gets the 404 page. As an HTTP/1.1 server does (nginx, say),
after a reply with a Content-Length or chunked it keeps the connection open
for a client that asked for Keep-Alive: it serves further requests there and
holds the connection until the client closes it or --hold seconds pass without
one, and counts which came first. Each request line is written to stdout and,
with --log, appended to a file, one line each, as the raw bytes received.

    music_service.py [--listen HOST:PORT] [--log FILE] [--songs FILE] [--hold S]
"""

import argparse
import os
import signal
import socket
import socketserver
import sys
import threading

QUERY_PATH = b"/fcg-bin/fcgi_agent_zhenghe.fcg"
HERE = os.path.dirname(os.path.abspath(__file__))

EMPTY_LIST = b"10000"
MISSING_URL = b"10001"
NOT_FOUND = b"10404"
SERVER_ERROR = b"10500"
CLOSE_FRAMED = b"10005"
NO_REPLY = b"10006"
CHUNKED = b"10007"
CUT_SHORT = b"10008"
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


def page(status, text):
    """A small HTML error page, as GBK bytes."""
    return (f"<html><head><title>{status}</title></head>"
            f"<body><h1>{status}</h1><p>{text}</p></body></html>\n").encode("gbk")


# status and page of the numbers answered with an error page
PAGES = {
    NOT_FOUND: ("404 Not Found", page("404 Not Found", "页面不存在")),
    SERVER_ERROR: ("500 Internal Server Error", page("500 Internal Server Error", "服务器内部错误")),
}

# Odd and tiny sizes, so that chunk boundaries fall inside tags, CDATA values
# and GBK characters. Every second hex digit goes out as a capital: 13 is "d",
# 29 "1D", 173 "aD".
CHUNK_SIZES = (1, 2, 3, 5, 7, 11, 13, 29, 31, 61, 173)


def chunked(body):
    """The body in chunks of CHUNK_SIZES in turn, an extension on every fifth
    chunk, then the last chunk and a trailer field."""
    out, at = [], 0
    while at < len(body):
        piece = body[at:at + CHUNK_SIZES[len(out) % len(CHUNK_SIZES)]]
        size = "".join(c.upper() if k % 2 else c for k, c in enumerate(f"{len(piece):x}"))
        extension = ";velmora=ext" if len(out) % 5 == 4 else ""
        out.append(f"{size}{extension}\r\n".encode("ascii") + piece + b"\r\n")
        at += len(piece)
    return b"".join(out) + b"0\r\nX-Velmora-Trailer: done\r\n\r\n"


def head(status, content_type, *fields):
    lines = [f"HTTP/1.1 {status}", "Server: velmora-stand-in",
             f"Content-Type: {content_type}; charset=GBK", *fields]
    return ("\r\n".join(lines) + "\r\n\r\n").encode("ascii")


def query_field(target, name):
    """The raw value of one field of a request target's query, or None."""
    _, _, query = target.partition(b"?")
    for field in query.split(b"&"):
        key, eq, value = field.partition(b"=")
        if eq and key == name:
            return value
    return None


def asks_keep_alive(request_head):
    for field in request_head.split(b"\r\n")[1:]:
        name, _, value = field.partition(b":")
        if name.strip().lower() == b"connection":
            return b"keep-alive" in [v.strip() for v in value.lower().split(b",")]
    return False


# One request's head and the bytes after it, or what arrived before the
# client closed the connection ("closed") or went quiet ("timeout").
def read_head(sock, pending):
    try:
        while b"\r\n\r\n" not in pending and len(pending) < 65536:
            data = sock.recv(4096)
            if not data:
                return pending, b"", "closed"
            pending += data
    except socket.timeout:
        return pending, b"", "timeout"
    except OSError:
        return pending, b"", "closed"
    request_head, _, rest = pending.partition(b"\r\n\r\n")
    return request_head, rest, None


class Handler(socketserver.BaseRequestHandler):
    # Serves requests on one connection as an HTTP/1.1 server does: after a
    # reply framed by its length, a client that asked for Keep-Alive may send
    # another; the connection is held until it closes it or `hold` seconds go
    # by without one, and the server counts which came first.
    def handle(self):
        sock, pending, held = self.request, b"", False
        sock.settimeout(5)
        while True:
            request_head, pending, stop = read_head(sock, pending)
            if held and (stop or not request_head):
                self.server.hold_ended(stop == "timeout")
                return
            if not request_head:
                return
            line = request_head.split(b"\r\n", 1)[0]
            self.server.log_request_line(line)
            keep_alive = stop is None and asks_keep_alive(request_head)
            reply, framed = self.answer(line, keep_alive)
            try:
                sock.sendall(reply)
            except OSError:  # the client is gone
                return
            if not (framed and keep_alive):
                return
            held = True
            sock.settimeout(self.server.hold)

    # The reply's bytes, and whether its end is framed by its length, not by the close.
    def answer(self, line, keep_alive):
        connection = "Connection: keep-alive" if keep_alive else "Connection: close"
        parts = line.split(b" ")
        target = parts[1] if len(parts) == 3 else b""
        uin = query_field(target, b"UIN")
        if parts[0] != b"GET" or target.partition(b"?")[0] != QUERY_PATH or uin is None:
            uin = NOT_FOUND
        if uin in PAGES:
            status, body = PAGES[uin]
            return head(status, "text/html", f"Content-Length: {len(body)}", connection) + body, True
        if uin == NO_REPLY:
            return b"", False
        uin_text, songs = uin.decode("gbk", "replace"), self.server.songs
        if uin == EMPTY_LIST:
            body = music_list_body(uin_text, [])
        elif uin == MISSING_URL:
            body = music_list_body(uin_text, songs[:3], drop_last_url=True)
        elif uin == TEN_THOUSAND:
            body = music_list_body(uin_text, generated_songs(10000))
        else:
            body = music_list_body(uin_text, songs)
        if uin == CHUNKED:
            return head("200 OK", "text/xml", "Transfer-Encoding: chunked",
                        "Trailer: X-Velmora-Trailer", connection) + chunked(body), True
        if uin == CLOSE_FRAMED:
            return head("200 OK", "text/xml", "Connection: close") + body, False
        whole = head("200 OK", "text/xml", f"Content-Length: {len(body)}", connection) + body
        if uin == CUT_SHORT:  # the whole list announced, two thirds of it sent
            return whole[:len(whole) - len(body) // 3], False
        return whole, True


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
        # kept-alive connections whose client closed them / whose hold ran out
        self.closed_by_client = self.hold_ran_out = 0

    def hold_ended(self, ran_out):
        with self.log_lock:
            if ran_out:
                self.hold_ran_out += 1
            else:
                self.closed_by_client += 1

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
                        help="seconds a kept-alive connection is held open for a next request")
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

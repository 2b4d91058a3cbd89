#!/usr/bin/env python3
"""The stand-in music service, over real sockets: what each kind of account
gets, and that it writes down what it was asked."""

import os
import socket
import sys
import tempfile
import threading
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools", "music_service"))
import music_service  # noqa: E402

PATH = "/fcg-bin/fcgi_agent_zhenghe.fcg?UIN={}&TYPE=16&PAGE_START=1&PAGE_END=10000&SELECT_FLAG=1"
HOLD = 1.5


class MusicServiceTest(unittest.TestCase):
    def setUp(self):
        self.log = tempfile.NamedTemporaryFile(delete=False)
        self.log.close()
        songs = music_service.load_songs(os.path.join(ROOT, "tools", "music_service", "songs.txt"))
        self.server = music_service.MusicService(("127.0.0.1", 0), songs, self.log.name, HOLD,
                                                 echo=False)
        # Tracked threads, so that server_close() joins every connection's handler.
        self.server.daemon_threads = False
        self.thread = threading.Thread(target=self.server.serve_forever, args=(0.05,))
        self.thread.start()
        self.addCleanup(self.stop)

    def stop(self):
        self.server.shutdown()
        self.thread.join(5)
        self.server.server_close()
        os.unlink(self.log.name)

    def exchange(self, request):
        """Sends the bytes; what came back before the server closed, and how long that took."""
        with socket.create_connection(self.server.server_address, timeout=HOLD + 3) as s:
            s.sendall(request)
            started, reply = time.monotonic(), b""
            while chunk := s.recv(65536):
                reply += chunk
            return reply, time.monotonic() - started

    def get(self, uin):
        return self.exchange(f"GET {PATH.format(uin)} HTTP/1.1\r\nHost: x\r\n\r\n".encode())

    def test_accounts(self):
        # account, status line, <minemusic> count, <xsong_url> count, first URL value
        first_url = b"<xsong_url><![CDATA[http&#58;//music&#46;velmora-demo&#46;cn/songs/xiayedefeng&#46;mp3]]>"
        rows = [
            ("123", b"HTTP/1.1 200 OK", 6, 6, first_url),
            ("", b"HTTP/1.1 200 OK", 6, 6, first_url),
            ("10000", b"HTTP/1.1 200 OK", 0, 0, None),
            ("10001", b"HTTP/1.1 200 OK", 3, 2, first_url),
            ("10404", b"HTTP/1.1 404 Not Found", 0, 0, None),
            ("19999", b"HTTP/1.1 200 OK", 10000, 10000,
             b"<xsong_url><![CDATA[http&#58;//music&#46;velmora-demo&#46;cn/bulk/00001&#46;mp3]]>"),
        ]
        for uin, status, records, urls, url in rows:
            with self.subTest(uin=uin):
                reply, _ = self.get(uin)
                head, _, body = reply.partition(b"\r\n\r\n")
                self.assertEqual(head.split(b"\r\n")[0], status)
                self.assertIn(b"charset=GBK", head)
                self.assertEqual(body.count(b"<minemusic>"), records)
                self.assertEqual(body.count(b"<xsong_url>"), urls)
                if url:
                    self.assertIn(url, body)
                    self.assertNotIn(b"://", body)
        reply, _ = self.get("123")
        self.assertIn("<xsinger_name><![CDATA[林晓岚]]>".encode("gbk"), reply)
        self.assertIn("周小舟&#46;组合".encode("gbk"), reply, "names go out as written")

    def test_no_reply_and_kept_alive(self):
        reply, took = self.get("10006")
        self.assertEqual(reply, b"")
        self.assertLess(took, 1)
        reply, took = self.get("10005")
        self.assertIn(b"Connection: Keep-Alive", reply)
        self.assertEqual(reply.count(b"<minemusic>"), 6)
        self.assertGreater(took, HOLD - 0.3, "a kept-alive connection is held open")

    def test_other_paths_get_the_404_page(self):
        for request in [b"GET /other?UIN=1 HTTP/1.1\r\n\r\n", b"POST " + PATH.format(1).encode()
                        + b" HTTP/1.1\r\n\r\n", b"GET /fcg-bin/fcgi_agent_zhenghe.fcg HTTP/1.1\r\n\r\n"]:
            with self.subTest(request=request):
                reply, _ = self.exchange(request)
                self.assertTrue(reply.startswith(b"HTTP/1.1 404 Not Found\r\n"), reply[:40])

    def test_request_lines_are_logged_as_received(self):
        lines = [f"GET {PATH.format(n)} HTTP/1.1".encode("gbk") for n in ["1", "42%s", "号码"]]
        for line in lines:
            self.exchange(line + b"\r\nHost: x\r\n\r\n")
        with open(self.log.name, "rb") as f:
            self.assertEqual(f.read().splitlines(), lines)


if __name__ == "__main__":
    unittest.main()

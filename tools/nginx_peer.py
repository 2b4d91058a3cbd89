#!/usr/bin/env python3
"""nginx as a peer of the HTTP client: a real HTTP/1.1 server on a port of
127.0.0.1, with a configuration, pid file, logs and temp folders of its own in
one folder; the machine's nginx configuration is never read.

Every GET of /fcg-bin/fcgi_agent_zhenghe.fcg is answered with one music list
as a static file: a Content-Length, and the connection kept open afterwards
for a client that asks for Keep-Alive (75 s, nginx's default). With
--chunked UIN, that account number gets the same list through the sub filter,
chunked, in output buffers of 700 bytes, so that chunk boundaries fall inside
tags, CDATA values and GBK characters.

    nginx_peer.py --dir DIR --port PORT --body FILE [--chunked UIN]

writes DIR/nginx.conf and runs nginx in the foreground in place of itself, so
the caller stops it by this process's PID; DIR/nginx.pid appears once it
listens; DIR/access.log gets each request line. From Python, NginxPeer does
the same in a temporary folder.
"""

import argparse
import os
import shutil
import signal
import subprocess
import tempfile
import time

NGINX = "/usr/sbin/nginx"
QUERY_PATH = "/fcg-bin/fcgi_agent_zhenghe.fcg"

CONF = """daemon off;
user root;  # the folder is root's alone; workers would otherwise read as nobody
worker_processes 1;
pid {dir}/nginx.pid;
error_log {dir}/error.log;
events {{ worker_connections 64; }}
http {{
    log_format request_line '$request';
    access_log {dir}/access.log request_line;
    client_body_temp_path {dir}/temp/body;
    proxy_temp_path {dir}/temp/proxy;
    fastcgi_temp_path {dir}/temp/fastcgi;
    uwsgi_temp_path {dir}/temp/uwsgi;
    scgi_temp_path {dir}/temp/scgi;
    types {{ text/xml xml; }}
    map $arg_UIN $list {{ default /list.xml; {chunked} /chunked/list.xml; }}
    server {{
        listen 127.0.0.1:{port};
        root {dir}/www;
        location = {path} {{ rewrite ^ $list last; }}
        # The sub filter drops the file's length, so the reply goes out chunked.
        location /chunked/ {{
            alias {dir}/www/;
            sendfile off;
            output_buffers 1 700;
            sub_filter_types text/xml;
            sub_filter_once off;
            sub_filter '</uin>' '</uin>';
        }}
    }}
}}
"""


def configure(folder, port, body, chunked_uin=None):
    """Writes the list and nginx.conf into `folder`; returns nginx's command line."""
    os.makedirs(os.path.join(folder, "www"), exist_ok=True)
    os.makedirs(os.path.join(folder, "temp"), exist_ok=True)
    with open(os.path.join(folder, "www", "list.xml"), "wb") as f:
        f.write(body)
    conf = os.path.join(folder, "nginx.conf")
    with open(conf, "w") as f:
        # an empty number never matches a map entry, and "" must not be one
        f.write(CONF.format(dir=folder, port=port, path=QUERY_PATH,
                            chunked=chunked_uin or '"-none-"'))
    return [NGINX, "-c", conf, "-p", folder]


class NginxPeer:
    def __init__(self, port, body, chunked_uin=None):
        self.port, self.body, self.chunked_uin = port, body, chunked_uin
        self.folder = self.proc = None

    def start(self):
        self.folder = tempfile.mkdtemp(prefix="velmora-nginx-")
        command = configure(self.folder, self.port, self.body, self.chunked_uin)
        self.proc = subprocess.Popen(command, stdin=subprocess.DEVNULL)
        # nginx writes its pid file only once its listening socket is bound.
        deadline = time.monotonic() + 10
        while not os.path.exists(os.path.join(self.folder, "nginx.pid")):
            if self.proc.poll() is not None or time.monotonic() > deadline:
                self.stop()
                raise RuntimeError(f"nginx did not start on 127.0.0.1:{self.port}")
            time.sleep(0.05)

    def request_lines(self):  # each logged once its reply has gone out
        with open(os.path.join(self.folder, "access.log"), "rb") as f:
            return f.read().splitlines()

    def stop(self):  # by its PID; its workers end with it
        if self.proc and self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            self.proc.wait(10)
        self.proc = None
        if self.folder:
            shutil.rmtree(self.folder, ignore_errors=True)
        self.folder = None


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--dir", required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--body", required=True, help="the music list to serve")
    parser.add_argument("--chunked", metavar="UIN", help="the number answered chunked")
    args = parser.parse_args()
    with open(args.body, "rb") as f:
        command = configure(os.path.abspath(args.dir), args.port, f.read(), args.chunked)
    os.execv(command[0], command)


if __name__ == "__main__":
    main()

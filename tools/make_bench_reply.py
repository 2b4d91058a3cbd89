#!/usr/bin/env python3
"""Writes a music list in the music service's layout, for benchmarks.

It holds generated GBK song records (<minemusic> with CDATA values for
<xsinger_name>, <xsong_name> and <xsong_url>, the URL written with "&#58;"
and "&#46;"), as many as --records asks or as it takes to reach --bytes: the
body of a reply, which a server then sends (scripts/bench-http: nginx). It is
written to stdout, or to --output, byte for byte.

    make_bench_reply.py (--records N | --bytes N) [--without-singer] [--output FILE]
"""

import argparse
import sys


def record(i, with_singer):
    singer = "歌手%05d" % i
    name = "第%05d首歌" % i
    url = "http&#58;//music&#46;velmora-demo&#46;cn/bulk/%05d&#46;mp3" % i
    parts = ["<minemusic><xsongid>%d</xsongid>" % i,
             "<xsong_name><![CDATA[%s]]></xsong_name>" % name]
    if with_singer:
        parts.append("<xsinger_name><![CDATA[%s]]></xsinger_name>" % singer)
    parts.append("<xsong_url><![CDATA[%s]]></xsong_url>" % url)
    parts.append("<xsong_type>1</xsong_type></minemusic>\r\n")
    return "".join(parts).encode("gbk")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    size = parser.add_mutually_exclusive_group(required=True)
    size.add_argument("--records", type=int)
    size.add_argument("--bytes", type=int)
    parser.add_argument("--without-singer", action="store_true")
    parser.add_argument("--output")
    args = parser.parse_args()

    head = '<?xml version="1.0" encoding="GB2312"?>\r\n<qqmusic><code>0</code><musiclist>\r\n'
    tail = "</musiclist></qqmusic>"
    chunks = [head.encode("ascii")]
    length = len(chunks[0]) + len(tail)
    i = 0
    while (args.records is not None and i < args.records) or \
            (args.bytes is not None and length < args.bytes):
        i += 1
        chunks.append(record(i, not args.without_singer))
        length += len(chunks[-1])
    chunks.append(tail.encode("ascii"))
    body = b"".join(chunks)

    if args.output:
        with open(args.output, "wb") as f:
            f.write(body)
    else:
        sys.stdout.buffer.write(body)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_board_session: request streams a client
could send, in the format of emulator/NetworkProtocol.md. The first byte of
each file is the fuzzer's piece size - 1."""
import os
import struct

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
os.makedirs(here, exist_ok=True)

OPEN, CLOSE, PARAM, NAME, IOCOUNT, IONAME, MASK, WRITE, CCONF, CEN, CRESET, SENS, SETUP, START, STOP, READ = range(2, 18)


def msg(kind, body=b""):
    return b"KT" + struct.pack(">HI", kind, len(body)) + body


def u32(*values):
    return b"".join(struct.pack(">I", v & 0xFFFFFFFF) for v in values)


def f32(value):
    return struct.pack(">f", value)


opened = msg(OPEN, u32(1, 0x7D4035A0))
frame_ids = [0x7D401500, 0x7D401001] + [0x7D401B00 + i for i in range(64)] + [0x7D401100 + i for i in range(4)]
connect = (opened + b"".join(msg(PARAM, u32(n)) for n in (0, 2, 3, 4, 5, 6)) + msg(NAME, u32(0x7D401100)) +
           msg(IOCOUNT, u32(0x7D401001)) + msg(IONAME, u32(0x7D401001, 3)) + msg(MASK, u32(0x7D401001, 0)) +
           msg(WRITE, u32(0x7D401001, 0)) + msg(CCONF, u32(0x7D401500, 0x7D401A00)) + msg(CEN, u32(0x7D401500, 1)) +
           msg(SETUP, u32(len(frame_ids), *frame_ids)))
acquire = (msg(SENS, u32(3, 40)) + msg(START, u32(0) + f32(50.0) + u32(-1)) + msg(READ) + msg(READ) +
           msg(CRESET, u32(0x7D401500)) + msg(STOP))

seeds = {
    "session": b"\x3f" + connect + acquire + msg(CLOSE),
    "session-bytewise": b"\x00" + connect + acquire,
    "refused-calls": b"\x7f" + opened + msg(PARAM, u32(9)) + msg(NAME, u32(0x12345678)) + msg(SENS, u32(8, 64)) +
                     msg(START, u32(0) + f32(-1.0) + u32(-1)) + msg(SETUP, u32(1, 0x7D409999)) + msg(MASK, u32(0x7D401001, 0xFF)),
    "before-open": b"\x10" + msg(READ),
    "wrong-version": b"\x10" + msg(OPEN, u32(7, 0x7D4035A0)),
    "wrong-type": b"\x10" + msg(OPEN, u32(1, 0x11111111)) + opened,
    "open-twice": b"\x10" + opened + opened,
    "oversized": b"\x10" + b"KT" + struct.pack(">HI", READ, 0x7FFFFFFF),
    "bad-magic": b"\x10" + b"GET / HTTP/1.1\r\n\r\n",
    "short-body": b"\x10" + opened + msg(PARAM, b"\x00\x01"),
    "long-body": b"\x10" + opened + msg(STOP, u32(1)),
    "setup-count-mismatch": b"\x10" + opened + msg(SETUP, u32(5, 1, 2)),
    "setup-too-many": b"\x10" + opened + msg(SETUP, u32(100000)),
    "unknown-type": b"\x10" + opened + msg(0x42),
    "reply-type": b"\x10" + opened + msg(0x84, u32(0)),
}
for name, data in seeds.items():
    with open(os.path.join(here, name + ".bin"), "wb") as seed:
        seed.write(data)

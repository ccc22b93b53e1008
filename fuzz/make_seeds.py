#!/usr/bin/env python3
"""Writes the seed inputs of fuzz_exchange, fuzz_entry and fuzz_decode into corpus/.

Both targets read their input through libFuzzer's FuzzedDataProvider, which
takes whole numbers from the end of the input and byte strings from the
front; Input below builds an input in that layout, so a seed describes a
plain, valid case (intact answers, good entries) for the fuzzer to mutate.
"""
import os
import sys


def crc16(data):
    crc = 0xFFFF
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def frame(head):
    c = crc16(head)
    return bytes(head) + bytes([c & 0xFF, c >> 8])


class Input:
    def __init__(self):
        self.front = bytearray()  # byte strings, in the order taken
        self.back = []            # whole numbers, in the order taken

    def int_in_range(self, lo, hi, value):
        span = hi - lo
        assert lo <= value <= hi
        raw = value - lo
        nbytes = 0
        while nbytes < 8 and (span >> (8 * nbytes)) > 0:
            nbytes += 1
        # The first byte taken is the most significant.
        self.back.extend(((raw >> (8 * (nbytes - 1 - i))) & 0xFF) for i in range(nbytes))

    def boolean(self, value):
        self.back.append(1 if value else 0)

    def byte(self, value):
        self.int_in_range(0, 255, value)

    def int32(self, value):
        self.int_in_range(-2**31, 2**31 - 1, value)

    def uint32(self, value):
        self.int_in_range(0, 2**32 - 1, value)

    def raw(self, data):
        self.front += data

    def text(self, s):
        # ConsumeRandomLengthString: a backslash and another character end
        # the string; a doubled backslash is one backslash.
        self.text_bytes(s.encode())

    def text_bytes(self, data):
        self.front += bytes(data).replace(b"\\", b"\\\\") + b"\\n"

    def bytes(self):
        return bytes(self.front) + bytes(reversed(self.back))


ACCEPTED = [0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x0E, 0x0F, 0x11,
            0x12, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x64]


def exchange_seed(exchanges, povt1=5, povt2=10, delay=25):
    """exchanges: (device, cmd, data, [reads]) with reads a list of byte strings."""
    s = Input()
    s.int_in_range(-1, 8, povt1)
    s.int_in_range(-1, 12, povt2)
    s.int_in_range(-5, 100, delay)
    s.int_in_range(1, 4, len(exchanges))
    for device, cmd, data, reads in exchanges:
        s.int_in_range(-2, 33, device)
        s.boolean(True)
        s.int_in_range(0, 16, ACCEPTED.index(cmd))
        s.byte(1)  # not a long data block
        s.int_in_range(0, 4, len(data))
        for b in data:
            s.byte(b)
        s.int_in_range(0, 7, 1)    # own answer buffer
        s.int_in_range(0, 15, 1)   # port open
        s.int_in_range(0, 31, 1)   # purge works
        req_len = len(data) + 4
        for answer in reads:
            s.int_in_range(0, 63, 1)  # write works
            if cmd in (0x45, 0x46):
                break
            got = [answer[:3], answer[3:]] if len(answer) > 3 else [answer]
            counts = [3, len(answer) - 3]
            for part, count in zip(got, counts):
                s.int_in_range(0, 63, 1)  # read works
                s.int_in_range(0, count, len(part))
                s.raw(part)
                s.int_in_range(0, count * 100 + 1000, 12)
                if len(part) < count:
                    break
        del req_len
    return s.bytes()


def exchange_seeds():
    ident = frame([1, 0x11, 3, 5, 0x20, 100])
    block = frame([2, 0x44, 40] + list(range(40)))
    meas = frame([3, 0x47, 9, 0x0C, 0xCD, 0, 0x32, 0xC6, 0x08, 0x01, 0x20, 0xF9])
    return {
        "ident_intact": exchange_seed([(0, 0x11, b"", [ident])]),
        "block_intact": exchange_seed([(1, 0x44, b"", [block])]),
        "reading": exchange_seed([(2, 0x11, b"", [frame([3, 0x11, 3, 4, 0, 102])]),
                                  (2, 0x44, b"", [frame([3, 0x44, 40] + [0] * 40)]),
                                  (2, 0x47, b"\x00\x01", [meas])]),
        "exception_busy": exchange_seed([(0, 0x11, b"", [frame([1, 0x91, 6])])]),
        "retry_then_intact": exchange_seed([(0, 0x11, b"", [b"", ident[:2], ident])]),
        "switch_echo": exchange_seed([(3, 0x05, b"\x10\x01\xFF\x00",
                                       [frame([4, 0x05, 0x10, 0x01, 0xFF, 0x00])])]),
        "write_confirm": exchange_seed([(0, 0x45, bytes(4), [b""]), (0, 0x0E, b"", [frame([1, 0x0E])])]),
    }


def entry_seed(kind, tmin, tmax, keys, text, whole=False):
    s = Input()
    s.int_in_range(-1, 6, kind)
    s.boolean(False)
    s.int_in_range(-300, 300, tmin)
    s.boolean(False)
    s.int_in_range(-300, 2000, tmax)
    s.int32(0x31)      # Qt::Key_1
    s.uint32(10)       # XKB keycode of "1"
    s.uint32(0x31)
    s.int32(0)
    s.int_in_range(0, 2, 1)
    s.boolean(whole)
    s.int_in_range(0, 12, len(keys))
    for vk, shift in keys:
        s.boolean(True)
        s.int_in_range(0, 255, vk)
        s.boolean(shift)
    s.text(text)
    return s.bytes()


def entry_seeds():
    typed = [(0x31, False), (0x32, False), (0xBC, False), (0x35, False), (0x0D, False)]
    return {
        "percent": entry_seed(2, 0, 100, typed, "12,5"),
        "temperature_edge": entry_seed(1, -50, 150, [(0xBD, False), (0x35, False), (0x30, False)], "150"),
        "coefficient": entry_seed(3, 0, 100, [(0x39, True)] * 4, "9999", whole=True),
        "milliamperes": entry_seed(4, 0, 100, [(0x6D, False), (0x60, False)], "20"),
        "rejected": entry_seed(2, 0, 100, [(0x41, False)], "1,2,3"),
    }


def request(device, cmd, data=b""):
    return frame([device, cmd] + list(data))


def decode_direct(s, req, ans, waited=40):
    s.int_in_range(0, 3, 2)
    s.text_bytes(req)
    s.text_bytes(ans)
    s.int_in_range(0, 5000, waited)


def decode_frame(s, data, out, time_ms):
    s.int_in_range(0, 3, 0)
    s.text_bytes(data)
    s.int_in_range(0, 2**40, time_ms)
    s.int_in_range(0, 100000, 12)
    s.boolean(out)
    s.int_in_range(0, 80, len(data))
    s.int_in_range(0, 3, 0)


def decode_note(s, kind, device, cmd, code=0, time_ms=0):
    s.int_in_range(0, 3, 1)
    s.int_in_range(0, 3, kind)
    s.int_in_range(0, 2**40, time_ms)
    s.int_in_range(-2, 33, device)
    s.byte(cmd)
    s.int_in_range(-1, 20, 1)
    s.int_in_range(-1, 3, 0)
    s.int_in_range(-2, 300, code)
    s.int_in_range(0, 60000, 0)


def decode_seeds():
    ident = frame([3, 0x11, 3, 4, 0, 102])
    block = frame([3, 0x44, 40] + [0] * 40)
    meas = frame([3, 0x47, 9, 0x0C, 0xCD, 0, 0x32, 0xC6, 0x08, 0x01, 0x20, 0xF9])
    direct = Input()
    decode_direct(direct, request(3, 0x11), ident)
    decode_direct(direct, request(3, 0x44), block)
    decode_direct(direct, request(3, 0x47, b"\x00\x01"), meas)
    decode_direct(direct, request(3, 0x11), frame([3, 0x91, 6]))
    recorded = Input()
    decode_note(recorded, 0, 2, 0x11, time_ms=1000)
    decode_frame(recorded, request(3, 0x11), True, 1030)
    decode_frame(recorded, ident[:3], False, 1040)
    decode_frame(recorded, ident[3:], False, 1045)
    decode_note(recorded, 2, 2, 0x11, time_ms=1046)
    return {"direct": direct.bytes(), "recorded": recorded.bytes()}


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(sys.argv[0])), "corpus")
    for target, seeds in (("fuzz_exchange", exchange_seeds()), ("fuzz_entry", entry_seeds()),
                          ("fuzz_decode", decode_seeds())):
        os.makedirs(os.path.join(root, target), exist_ok=True)
        for name, data in seeds.items():
            with open(os.path.join(root, target, name), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()

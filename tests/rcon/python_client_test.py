#!/usr/bin/env python3
"""Another project's RCON client (Debian's python3-rcon) against the test server.

The editor's client and the test server share one packet codec, so a mistake in it would pass
their own tests. Here an independent client logs in, runs commands whose answers are cut into
several packets, and is refused a wrong password; a raw socket checks the end marker byte for
byte. Exits 77 (skipped) when the module is missing.

    python_client_test.py PATH_TO_rcon_test_server
"""
import socket
import struct
import subprocess
import sys

try:
    from rcon.exceptions import WrongPassword
    from rcon.source import Client
except ImportError:
    print("python3-rcon is not installed (Debian package python3-rcon): skipped")
    sys.exit(77)

PASSWORD = "口令-secret"


def start_server(program):
    server = subprocess.Popen([program, "--password", PASSWORD], stdout=subprocess.PIPE, text=True)
    port = int(server.stdout.readline())
    return server, port


def packet(request_id, kind, payload):
    body = struct.pack("<ii", request_id, kind) + payload + b"\0\0"
    return struct.pack("<i", len(body)) + body


def read_packet(sock):
    def exactly(n):
        data = b""
        while len(data) < n:
            chunk = sock.recv(n - len(data))
            if not chunk:
                raise EOFError("the server closed the connection")
            data += chunk
        return data

    (length,) = struct.unpack("<i", exactly(4))
    body = exactly(length)
    request_id, kind = struct.unpack("<ii", body[:8])
    assert body[-2:] == b"\0\0", body[-2:]
    return request_id, kind, body[8:-2]


def chinese_text(units):
    pattern = "§6红宝石§r的光芒§l照亮§r了整片§b大地§r，"
    return (pattern * (units // len(pattern) + 1))[:units]


def check(condition, what):
    if not condition:
        raise AssertionError(what)


def main():
    server, port = start_server(sys.argv[1])
    try:
        with Client("127.0.0.1", port, passwd=PASSWORD, timeout=10) as client:
            check(client.run("echo", "§a你好，世界") == "§a你好，世界", "echo")
            check(client.run("list").startswith("There are 2 of a max of 20 players online"), "list")
            # Three packets (4096 + 4096 + 808 units): the client sends an empty command after a
            # full packet and joins packets until that command's answer.
            big = client.run("big", "9000")
            check(big == chinese_text(9000), "big 9000: %d characters back" % len(big))

        try:
            with Client("127.0.0.1", port, passwd="wrong", timeout=10):
                raise AssertionError("a wrong password was taken")
        except WrongPassword:
            pass

        # The end marker, checked byte for byte: the answer to a request of type 200 comes under
        # that request's id, after every piece of the answer before it.
        with socket.create_connection(("127.0.0.1", port), timeout=10) as sock:
            sock.sendall(packet(11, 3, PASSWORD.encode()))
            check(read_packet(sock) == (11, 2, b""), "login answer")
            sock.sendall(packet(12, 2, b"big 4097"))
            first = read_packet(sock)
            sock.sendall(packet(13, 200, b""))
            second = read_packet(sock)
            marker = read_packet(sock)
            check(first[0] == 12 and second[0] == 12, "pieces under the command's id")
            check((first[2] + second[2]).decode() == chinese_text(4097), "the pieces join to the whole answer")
            check(marker == (13, 0, b"Unknown request c8"), "marker answer %r" % (marker,))
            # Over 1446 payload bytes: ignored without a word; the next request is answered.
            sock.sendall(packet(14, 2, b"echo " + b"x" * 1442))
            sock.sendall(packet(15, 2, b"echo still here"))
            check(read_packet(sock) == (15, 0, b"still here"), "the over-long request got an answer")
    finally:
        server.kill()
        server.wait()
    print("python3-rcon against the test server: all checks passed")


if __name__ == "__main__":
    main()

"""Scripted TLS servers for the refusal tests: certificates made with the
openssl tool (self-signed, expired, for another name, for clients only,
forged in the name of the trusted test CA) and a server that speaks only
TLS 1.1. Each serves one connection, greets like a POP3 server once the
handshake is done, and keeps every byte the client sends after it; the
HTTPS peer stands for a token endpoint instead."""

import os
import re
import socket
import ssl
import subprocess
import threading
import time
import warnings

OPENSSL_CA = """[ca]
default_ca = test
[test]
database = {d}/index.txt
new_certs_dir = {d}
serial = {d}/serial
default_md = sha256
policy = anything
unique_subject = no
copy_extensions = none
[anything]
commonName = supplied
"""


def openssl(*args):
    subprocess.run(["openssl", *args], check=True, capture_output=True, timeout=60)


def make_certificate(folder, name, issuer=None, names="DNS:localhost", usage="serverAuth", dates=None):
    """A key and certificate for `name`: self-signed without an issuer (a
    (cert, key) pair), else signed by it; returns (cert, key) paths."""
    key, cert, csr, ext = (os.path.join(folder, name + s) for s in (".key", ".pem", ".csr", ".ext"))
    with open(ext, "w") as f:
        f.write("subjectAltName=%s\nextendedKeyUsage=%s\nbasicConstraints=CA:FALSE\n" % (names, usage))
    if issuer is None:
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=localhost",
                "-addext", "subjectAltName=" + names, "-keyout", key, "-out", cert)
        return cert, key
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=localhost", "-keyout", key, "-out", csr)
    if dates is None:
        openssl("x509", "-req", "-in", csr, "-CA", issuer[0], "-CAkey", issuer[1], "-CAcreateserial", "-days", "2",
                "-extfile", ext, "-out", cert)
    else:
        # Dates in the past need the ca command.
        ca_dir = os.path.join(folder, name + "-ca")
        os.makedirs(ca_dir, exist_ok=True)
        open(os.path.join(ca_dir, "index.txt"), "w").close()
        with open(os.path.join(ca_dir, "serial"), "w") as f:
            f.write("1000\n")
        config = os.path.join(ca_dir, "ca.cnf")
        with open(config, "w") as f:
            f.write(OPENSSL_CA.format(d=ca_dir))
        openssl("ca", "-batch", "-config", config, "-cert", issuer[0], "-keyfile", issuer[1], "-in", csr,
                "-startdate", dates[0], "-enddate", dates[1], "-extfile", ext, "-out", cert)
    return cert, key


def make_ca(folder, name, subject):
    key, cert = os.path.join(folder, name + ".key"), os.path.join(folder, name + ".pem")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "3", "-subj", subject,
            "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign",
            "-keyout", key, "-out", cert)
    return cert, key


class Peer:
    """A listener on a free port of 127.0.0.1 whose serve() runs on a thread
    of its own, keeping what the client sends."""

    def listen(self):
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(1)
        self.listener.settimeout(60)
        self.port = self.listener.getsockname()[1]
        self.received = b""
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def accept(self, timeout):
        """The client's connection, or None when none came."""
        try:
            raw, _ = self.listener.accept()
        except OSError:
            return None
        raw.settimeout(timeout)
        return raw

    def keep_received(self, connection):
        """Takes what arrives until the client closes."""
        while True:
            data = connection.recv(4096)
            if not data:
                break
            self.received += data

    def close(self):
        self.listener.close()
        self.thread.join(70)


class TlsServer(Peer):
    """A peer that shakes hands as a TLS server on its one connection and
    then converses as its kind does."""

    def start(self, context):
        self.context = context
        self.handshake_done = False
        self.listen()

    def serve(self):
        raw = self.accept(20)
        if not raw:
            return
        try:
            with self.context.wrap_socket(raw, server_side=True) as tls:
                self.handshake_done = True
                self.converse(tls)
        except (OSError, ssl.SSLError):
            pass
        finally:
            raw.close()


class TlsPeer(TlsServer):
    """One connection on 127.0.0.1, TLS from the first byte."""

    def __init__(self, cert, key, old_protocol=False):
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        if old_protocol:
            context.set_ciphers("ALL:@SECLEVEL=0")
            with warnings.catch_warnings():
                # Old on purpose: the client must refuse it.
                warnings.simplefilter("ignore", DeprecationWarning)
                context.minimum_version = ssl.TLSVersion.TLSv1
                context.maximum_version = ssl.TLSVersion.TLSv1_1
        context.load_cert_chain(cert, key)
        self.start(context)

    def converse(self, tls):
        tls.sendall(b"+OK ready\r\n")
        # A client that got this far says its user name: refused at once,
        # it ends the session instead of waiting out its time-out.
        while b"\r\n" not in self.received:
            data = tls.recv(4096)
            if not data:
                return
            self.received += data
        tls.sendall(b"-ERR no such user\r\n")
        self.keep_received(tls)


class HttpsPeer(TlsServer):
    """One HTTPS connection on 127.0.0.1: takes a request head and the body
    its Content-Length announces, keeps them, and answers with `status` and
    `body` (JSON)."""

    def __init__(self, cert, key, status=b"200 OK", body=b"{}"):
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        self.status, self.body = status, body
        self.start(context)

    def read_until(self, tls, enough):
        while not enough():
            data = tls.recv(4096)
            if not data:
                return False
            self.received += data
        return True

    def converse(self, tls):
        if not self.read_until(tls, lambda: b"\r\n\r\n" in self.received):
            return
        head = self.received.split(b"\r\n\r\n")[0]
        length = re.search(rb"\r\ncontent-length: *(\d+)", head, re.I)
        whole = len(head) + 4 + (int(length.group(1)) if length else 0)
        if not self.read_until(tls, lambda: len(self.received) >= whole):
            return
        tls.sendall(b"HTTP/1.1 %s\r\nContent-Type: application/json\r\nContent-Length: %d\r\n"
                    b"Connection: close\r\n\r\n" % (self.status, len(self.body)) + self.body)
        self.keep_received(tls)


class SilentPeer(Peer):
    """One connection on 127.0.0.1 that is accepted and never answered: not
    a greeting, not a TLS handshake. It keeps what the client sends and
    notes when the client closed."""

    def __init__(self):
        self.accepted_at = self.closed_at = None
        self.listen()

    def serve(self):
        raw = self.accept(60)
        if not raw:
            return
        self.accepted_at = time.monotonic()
        try:
            self.keep_received(raw)
        except OSError:
            pass
        finally:
            self.closed_at = time.monotonic()
            raw.close()

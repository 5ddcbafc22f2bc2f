#!/usr/bin/env python3
"""The person's browser for the sign-in tests, registered as Wine's browser
(HKCU\\Software\\Wine\\WineBrowser "Browsers"): opened on an authorization
URL, it approves at once (or, with --refuse, the person declines) and
follows the redirect to the client's loopback listener as a browser would,
then notes the URL and the page it got.

    played_browser.py [--refuse] <record file> <url>
"""

import os
import socket
import sys
import urllib.parse

CODE = "C-system%2F1"


def main():
    refuse = sys.argv[1] == "--refuse"
    record, url = sys.argv[1 + refuse], sys.argv[2 + refuse]
    query = urllib.parse.parse_qs(urllib.parse.urlsplit(url).query)
    back = urllib.parse.urlsplit(query["redirect_uri"][0])
    page = b""
    if back.hostname == "127.0.0.1":
        with socket.create_connection(("127.0.0.1", back.port), timeout=20) as s:
            answer = b"error=access_denied&error_description=The+user+declined" if refuse else b"code=" + CODE.encode()
            s.sendall(b"GET /?%s&state=%s HTTP/1.1\r\nHost: 127.0.0.1:%d\r\n\r\n"
                      % (answer, urllib.parse.quote(query["state"][0], safe="").encode(), back.port))
            while True:
                data = s.recv(4096)
                if not data:
                    break
                page += data
    # Whole or not at all: the test waits for the file.
    with open(record + ".part", "w") as f:
        f.write(url + "\n" + page.decode("utf-8", "replace"))
    os.rename(record + ".part", record)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""The person's browser for the sign-in tests, registered as Wine's browser
(HKCU\\Software\\Wine\\WineBrowser "Browsers"): opened on an authorization
URL, it approves at once (or, with --refuse, the person declines) and
follows the redirect to the client's loopback listener as a browser would,
then notes the URL and the page it got. With --sign-in it is the person at
the sign-in page of the test servers' authorization server: the page
fetched (its certificate checked against $ZM_TLS_CA), the user name and
password posted with "Allow", and the server's redirect followed.

    played_browser.py [--refuse | --sign-in USER:PASSWORD] <record file> <url>
"""

import http.client
import ssl

import os
import socket
import sys
import urllib.parse

CODE = "C-system%2F1"


def signed_in(url, user, password):
    """The query the authorization server redirects to once the user
    signed in at its page and allowed the access."""
    parts = urllib.parse.urlsplit(url)
    context = ssl.create_default_context(cafile=os.environ["ZM_TLS_CA"])
    path = parts.path + "?" + parts.query
    c = http.client.HTTPSConnection(parts.hostname, parts.port, context=context, timeout=20)
    c.request("GET", path)
    page = c.getresponse().read()
    assert b'name="password"' in page, page
    form = urllib.parse.urlencode({"username": user, "password": password, "approve": "1"})
    c.request("POST", path, form, {"Content-Type": "application/x-www-form-urlencoded"})
    r = c.getresponse()
    r.read()
    c.close()
    return urllib.parse.urlsplit(r.getheader("Location", "")).query.encode()


def main():
    refuse = sys.argv[1] == "--refuse"
    sign_in = sys.argv[1] == "--sign-in"
    record, url = sys.argv[1 + refuse + 2 * sign_in], sys.argv[2 + refuse + 2 * sign_in]
    query = urllib.parse.parse_qs(urllib.parse.urlsplit(url).query)
    back = urllib.parse.urlsplit(query["redirect_uri"][0])
    page = b""
    if back.hostname == "127.0.0.1":
        if sign_in:
            request = signed_in(url, *sys.argv[2].split(":", 1))
        else:
            answer = b"error=access_denied&error_description=The+user+declined" if refuse else b"code=" + CODE.encode()
            request = b"%s&state=%s" % (answer, urllib.parse.quote(query["state"][0], safe="").encode())
        with socket.create_connection(("127.0.0.1", back.port), timeout=20) as s:
            s.sendall(b"GET /?%s HTTP/1.1\r\nHost: 127.0.0.1:%d\r\n\r\n" % (request, back.port))
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

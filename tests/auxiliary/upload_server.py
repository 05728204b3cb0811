#!/usr/bin/env python3
"""A stand-in for the game's upload page on 127.0.0.1, for the tests.

Serves the upload page as text/html with a form that has a file field, stores
every posted file in the folder given as the first argument and notes each
request in requests.log there. Prints the port it listens on, then serves
until it is ended.
"""
import email
import email.policy
import http.server
import os
import sys

PAGE_PATH = "/projects/wild_weave/php/upload.php3"
PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Wildweave Upload</title></head>
<body style="margin:0;font-family:sans-serif">
<form id="form" method="post" enctype="multipart/form-data" action="%s">
<input id="file" type="file" name="datei" multiple
       style="position:absolute;left:20px;top:40px;width:300px;height:40px">
<input id="send" type="submit" value="Hochladen" style="position:absolute;left:20px;top:100px">
</form>
<a id="external" href="http://elsewhere.invalid/page" style="position:absolute;left:20px;top:160px">anderswo</a>
<a id="popup" href="http://elsewhere.invalid/popup" target="_blank"
   style="position:absolute;left:20px;top:200px">neues Fenster</a>
</body></html>
""" % PAGE_PATH


class Handler(http.server.BaseHTTPRequestHandler):
    store = "."

    def log_message(self, fmt, *args):
        with open(os.path.join(self.store, "requests.log"), "a", encoding="utf-8") as log:
            log.write("%s %s\n" % (self.command, self.path))

    def _send(self, body, status=200):
        data = body.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        if self.path == PAGE_PATH:
            self._send(PAGE)
        else:
            self._send("<title>Nicht gefunden</title>", 404)

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length)
        head = "Content-Type: %s\r\n\r\n" % self.headers.get("Content-Type", "")
        message = email.message_from_bytes(head.encode("latin-1") + body, policy=email.policy.HTTP)
        names = []
        for part in message.iter_parts():
            filename = part.get_filename()
            if filename:
                name = os.path.basename(filename)
                # Whole or not at all: a test waits for the name to appear.
                target = os.path.join(self.store, name)
                with open(target + ".part", "wb") as out:
                    out.write(part.get_payload(decode=True))
                os.replace(target + ".part", target)
                names.append(name)
        self._send("<title>Danke</title><p>%s</p>" % ", ".join(names))


def main():
    Handler.store = sys.argv[1]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()

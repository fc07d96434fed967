"""The servers of the stand-in site: one HTTP server per role, a shared request
log, the faults the tests ask for and the signed-in sessions."""

import json
import ssl
import sys
import threading
import time
import xml.etree.ElementTree as ET
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

import site_data
import site_pages

ROLES = ("main", "secure", "message", "author")
SESSION_COOKIE = "user_session"

COMMON_FAULTS = {"stall", "hold", "truncated", "empty", "requirecookie", "huge", "trickle"}
# "huge": a reply of this many bytes, well-formed, sent without Content-Length.
HUGE_BYTES = 64 * 1024 * 1024
# "trickle": the answer, status line first, one byte at this pace (seconds).
TRICKLE_PACE = 0.5
# Values the tests may set until the next reset: the body of the author's
# version notice (sent as code page 932) and the "url" value of every getflv
# answer (sent as it is, not encoded).
OVERRIDES = ("author_version", "download_url", "live_rate")
FAULTS = {
    "main": COMMON_FAULTS,
    "author": COMMON_FAULTS,
    "message": COMMON_FAULTS | {"http500html", "http500xml", "notxml", "notext", "viewcounter",
                                "doctype", "doctypeutf16", "billionlaughs", "utf16"},
    "secure": COMMON_FAULTS | {"direct", "redirect", "bigheaders", "cookieonly", "othercase"},
}

BROKEN_HTML = ("<html><head><title>500 Internal Server Error</title></head><body>\n"
               "<h1>Internal Server Error</h1>&nbsp;<br>The server is busy.<br>\n"
               "<p>Please try again later.</body></html>\n")


# A document type with an internal and an external entity (a file every Wine
# prefix has), both used in the first comment.
DOCTYPE = ('<!DOCTYPE packet [<!ENTITY inner "内部実体"> '
           '<!ENTITY outer SYSTEM "file:///C:/windows/win.ini">]>')


def with_doctype(packet):
    declaration, rest = packet.split("?>", 1)
    return declaration + "?>" + DOCTYPE + rest.replace("</chat>", "&inner;&outer;</chat>", 1)


# Ten levels of ten references each: 10^9 "lol"s once expanded.
BILLION_LAUGHS = ('<?xml version="1.0" encoding="UTF-8"?><!DOCTYPE packet [<!ENTITY lol0 "lol">'
                  + "".join(f'<!ENTITY lol{i} "{f"&lol{i - 1};" * 10}">' for i in range(1, 10))
                  + ']><packet><thread resultcode="0" thread="1"/><chat thread="1" no="1">&lol9;</chat></packet>')


class Standin:
    def __init__(self, scenario, certs_dir, verbose=False):
        self.scenario = scenario
        self.certs_dir = certs_dir
        self.verbose = verbose
        self.lock = threading.Lock()
        self.log = []
        self.faults = {}  # role -> [kind, remaining requests, 0 = until reset]
        self.sessions = {}  # cookie value -> account
        self.tickets = {}  # sign-in redirect ticket -> login variant
        self.session_count = 0
        self.release = threading.Event()  # set: stalled handlers give up
        self.held = threading.Event()  # set: held requests are answered
        self.overrides = {}
        self.live_start = time.time()  # of the live thread, set again with live_rate
        self.servers = {}
        self.threads = []

    # -- life cycle ---------------------------------------------------------
    def start(self):
        for role in ROLES:
            cls = SecureServer if role == "secure" else Server
            server = cls(("127.0.0.1", 0), Handler)
            server.site, server.role = self, role
            if role == "secure":
                ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
                ctx.load_cert_chain(f"{self.certs_dir}/server.crt", f"{self.certs_dir}/server.key")
                server.context = ctx
            self.servers[role] = server
        for role, server in self.servers.items():
            t = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.05},
                                 name=f"standin-{role}", daemon=True)
            t.start()
            self.threads.append(t)

    def stop(self):
        with self.lock:
            self.release.set()
        # shutdown() waits up to a poll interval; let the four waits overlap.
        stoppers = [threading.Thread(target=s.shutdown) for s in self.servers.values()]
        for t in stoppers:
            t.start()
        for t in stoppers:
            t.join()
        for server in self.servers.values():
            server.server_close()
        for t in self.threads:
            t.join()
        self.threads = []

    def port(self, role):
        return self.servers[role].server_address[1]

    @property
    def main(self):
        return f"127.0.0.1:{self.port('main')}"

    @property
    def secure(self):
        return f"localhost:{self.port('secure')}"

    @property
    def message(self):
        return f"http://127.0.0.1:{self.port('message')}/api/"

    @property
    def author(self):
        return f"http://127.0.0.1:{self.port('author')}"

    def announced(self):
        return [("main", self.main), ("secure", self.secure),
                ("message", self.message), ("author", self.author)]

    def environment(self):
        return {"KOMETORI_STANDIN_MAIN": self.main, "KOMETORI_STANDIN_SECURE": self.secure,
                "KOMETORI_STANDIN_MESSAGE": self.message, "KOMETORI_STANDIN_AUTHOR": self.author,
                "KOMETORI_STANDIN_CONTROL": f"http://{self.main}/_standin/"}

    # -- shared state -------------------------------------------------------
    def record(self, entry):
        with self.lock:
            self.log.append(entry)

    def take_fault(self, role):
        with self.lock:
            fault = self.faults.get(role)
            if not fault:
                return None
            if fault[1] > 0:
                fault[1] -= 1
                if fault[1] == 0:
                    del self.faults[role]
            return fault[0]

    def reset(self):
        with self.lock:
            self.log.clear()
            self.faults.clear()
            self.sessions.clear()
            self.tickets.clear()
            self.overrides.clear()
            self.release.set()
            self.release = threading.Event()
            self.held.set()
            self.held = threading.Event()

    def new_session(self, account):
        with self.lock:
            self.session_count += 1
            token = f"{account['user_id']}_{self.session_count:04d}"
            self.sessions[token] = account
            return token

    def session_account(self, token):
        with self.lock:
            return self.sessions.get(token)

    def end_session(self, token):
        with self.lock:
            self.sessions.pop(token, None)

    def stall_event(self):
        with self.lock:
            return self.release

    def hold_event(self):
        with self.lock:
            return self.held

    def release_held(self):
        with self.lock:
            self.held.set()
            self.held = threading.Event()

    def override(self, name):
        with self.lock:
            return self.overrides.get(name)


class Server(ThreadingHTTPServer):
    daemon_threads = True
    block_on_close = False  # stalled handlers must not hold up the stop

    def handle_error(self, request, client_address):
        if self.site.verbose:
            super().handle_error(request, client_address)


class SecureServer(Server):
    def finish_request(self, request, client_address):
        # The handshake runs on the request's own thread, so a silent client
        # cannot block the accepting loop.
        request.settimeout(30)
        try:
            tls = self.context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError):
            return
        tls.settimeout(None)
        try:
            super().finish_request(tls, client_address)
        finally:
            try:
                tls.close()
            except OSError:
                pass


class Handler(BaseHTTPRequestHandler):
    server_version = "StandIn/1.0"

    def log_message(self, fmt, *args):
        if self.server.site.verbose:
            sys.stderr.write(f"standin {self.server.role}: {fmt % args}\n")

    def do_GET(self):
        self.dispatch()

    def do_POST(self):
        self.dispatch()

    def do_HEAD(self):
        self.dispatch()

    # -- request parts ------------------------------------------------------
    @property
    def site(self):
        return self.server.site

    @property
    def role(self):
        return self.server.role

    def cookie(self, name):
        for header in self.headers.get_all("Cookie", []):
            for part in header.split(";"):
                key, _, value = part.strip().partition("=")
                if key == name:
                    return value
        return None

    def account(self):
        """The signed-in account of the request's session cookie, or None."""
        token = self.cookie(SESSION_COOKIE)
        return self.site.session_account(token) if token else None

    def read_body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length > 0 else b""

    # -- answers ------------------------------------------------------------
    def reply(self, status, body, content_type="text/html; charset=UTF-8", headers=(),
              length=True):
        if isinstance(body, str):
            body = body.encode("utf-8")
        if self.truncate:
            return self.reply_truncated(body, content_type)
        self.send_response(status)
        if content_type:
            self.send_header("Content-Type", content_type)
        for name, value in headers:
            self.send_header(name, value)
        if length:
            self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)
        self.close_connection = True

    def reply_text(self, status, text):
        self.reply(status, text, "text/plain; charset=UTF-8")

    def reply_truncated(self, body, content_type="text/html; charset=UTF-8"):
        if isinstance(body, str):
            body = body.encode("utf-8")
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body) + 4096))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body[:max(1, len(body) // 2)])
        self.wfile.flush()
        self.close_connection = True

    def stall(self):
        self.site.stall_event().wait()
        self.close_connection = True

    def reply_huge(self):
        """HUGE_BYTES of a well-formed answer: endless comments for the message
        server, endless paragraphs elsewhere; streamed, so the client's bound
        and not the server's memory decides how much is read."""
        if self.role == "message":
            head = ('<?xml version="1.0" encoding="UTF-8"?><packet><thread resultcode="0" '
                    'thread="1173108780" last_res="1000000"/>').encode("utf-8")
            piece = ('<chat thread="1173108780" no="1" vpos="100" date="1173108781" '
                     'user_id="kometori" premium="1">予告編ソース表示テスト</chat>\n').encode("utf-8")
            tail, content_type = b"</packet>", "text/xml; charset=UTF-8"
        else:
            head = "<html><head><title>大きな ページ</title></head><body>".encode("utf-8")
            piece = "<p>表示テストの段落です。</p>\n".encode("utf-8")
            tail, content_type = b"</body></html>", "text/html; charset=UTF-8"
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        block = piece * (65536 // len(piece))
        sent = 0
        try:
            self.wfile.write(head)
            while sent + len(block) + len(tail) <= HUGE_BYTES:
                self.wfile.write(block)
                sent += len(block)
            self.wfile.write(tail)
        except OSError:
            pass  # the client stopped reading: what it was meant to do

    def reply_trickle(self):
        """A short normal-looking answer, one byte every TRICKLE_PACE seconds,
        the status line and headers too, until reset or stop."""
        body = b"trickled reply " * 8
        answer = (b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: "
                  + str(len(body)).encode() + b"\r\nConnection: close\r\n\r\n" + body)
        self.close_connection = True
        stop = self.site.stall_event()
        try:
            for i in range(len(answer)):
                self.wfile.write(answer[i:i + 1])
                self.wfile.flush()
                if stop.wait(TRICKLE_PACE):
                    return
        except OSError:
            pass

    # -- dispatch -----------------------------------------------------------
    truncate = False  # the next reply declares more bytes than it sends

    def dispatch(self):
        parts = urlsplit(self.path)
        self.path_only, self.query_text = parts.path, parts.query
        self.query = {k: v[0] for k, v in parse_qs(parts.query, keep_blank_values=True).items()}
        body = self.read_body()
        if self.path_only.startswith("/_standin/"):
            return self.control()
        self.body_text = body.decode("utf-8", errors="replace")
        headers = {}
        for name, value in self.headers.items():
            headers[name] = f"{headers[name]}, {value}" if name in headers else value
        self.site.record({"role": self.role, "method": self.command, "path": self.path_only,
                          "query": self.query_text, "headers": headers, "body": self.body_text})
        fault = self.site.take_fault(self.role)
        if fault == "stall":
            return self.stall()
        if fault == "huge":
            return self.reply_huge()
        if fault == "trickle":
            return self.reply_trickle()
        if fault == "hold":
            self.site.hold_event().wait()
            fault = None
        if fault == "empty":
            return self.reply(200, b"", "text/plain")
        if fault == "requirecookie" and self.account() is None:
            return self.reply(403, "<html><body><h1>403 Forbidden</h1></body></html>")
        if self.role == "message":
            return self.message_role(fault)
        return site_pages.serve(self, fault)

    def control(self):
        action = self.path_only[len("/_standin/"):]
        if action == "log":
            with self.site.lock:
                text = json.dumps(self.site.log, ensure_ascii=False, indent=1)
            return self.reply(200, text, "application/json; charset=UTF-8")
        if action == "reset":
            self.site.reset()
            return self.reply_text(200, "ok")
        if action == "fault":
            role, kind = self.query.get("role", ""), self.query.get("kind", "")
            try:
                count = int(self.query.get("count", "1"))
            except ValueError:
                count = -1
            if role not in FAULTS or kind not in FAULTS[role] or count < 0:
                return self.reply_text(400, f"unknown fault {role}/{kind}/{count}")
            with self.site.lock:
                self.site.faults[role] = [kind, count]
            return self.reply_text(200, "ok")
        if action == "release":
            self.site.release_held()
            return self.reply_text(200, "ok")
        if action == "set":
            unknown = [name for name in self.query if name not in OVERRIDES]
            if unknown or not self.query:
                return self.reply_text(400, f"unknown value {unknown}")
            with self.site.lock:
                self.site.overrides.update(self.query)
                if "live_rate" in self.query:
                    self.site.live_start = time.time()  # the live thread starts now
            return self.reply_text(200, "ok")
        if action == "signin":
            account = self.site.scenario.account_by_name(self.query.get("account", "premium"))
            if account is None:
                return self.reply_text(404, "no such account")
            token = self.site.new_session(account)
            return self.reply(200, account["user_id"], "text/plain; charset=UTF-8",
                              [("Set-Cookie", f"{SESSION_COOKIE}={token}; path=/")])
        if action == "signout":
            token = self.cookie(SESSION_COOKIE)
            if token:
                self.site.end_session(token)
            return self.reply(200, "ok", "text/plain; charset=UTF-8", [
                ("Set-Cookie", f"{SESSION_COOKIE}=; expires=Thu, 01 Jan 1970 00:00:00 GMT; path=/")])
        return self.reply_text(404, "unknown control request")

    # -- message server -----------------------------------------------------
    def message_role(self, fault):
        if fault == "http500html":
            return self.reply(500, BROKEN_HTML)
        if fault == "notxml":
            return self.reply_text(200, "Service temporarily unavailable. Please retry.\n")
        if fault == "billionlaughs":
            return self.reply(200, BILLION_LAUGHS, "text/xml; charset=UTF-8")
        try:
            root = ET.fromstring(self.body_text.strip())
            request = dict(root.attrib) if root.tag == "thread" else {}
        except ET.ParseError:
            request = {}
        try:
            rate = int(self.site.override("live_rate") or 0)
        except ValueError:
            rate = 0
        packet, _ = site_data.thread_packet(self.site.scenario, request,
                                            view_counter=(fault == "viewcounter"),
                                            no_chats=(fault == "notext"),
                                            live=(self.site.live_start, rate, time.time()))
        self.truncate = fault == "truncated"
        if fault == "doctype":
            packet = with_doctype(packet)
        if fault in ("doctypeutf16", "utf16"):
            text = (with_doctype(packet) if fault == "doctypeutf16" else packet).replace('encoding="UTF-8"',
                                                                                         'encoding="UTF-16"')
            return self.reply(200, text.encode("utf-16"), "text/xml; charset=UTF-16")
        self.reply(500 if fault == "http500xml" else 200, packet, "text/xml; charset=UTF-8")

"""Pages of the main host, the secure host and the author's site."""

import html
import re
from urllib.parse import parse_qsl, quote

import site_data

SITE_NAME = "もくもく動画"
SESSION_COOKIE = "user_session"
LOGIN_VARIANTS = ("direct", "redirect", "bigheaders", "cookieonly", "othercase")
NOT_FOUND = "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>\n"


def serve(h, fault):
    """Answers one request of the main, secure or author role."""
    h.truncate = fault == "truncated"
    if h.role == "main":
        return main_host(h)
    if h.role == "secure":
        return secure_host(h, fault if fault in LOGIN_VARIANTS else None)
    if h.path_only == "/software/kometori/version.txt":
        notice = h.site.override("author_version")
        if notice is not None:
            return h.reply(200, notice.encode("cp932"), "text/plain; charset=Shift_JIS")
        return h.reply(200, h.site.scenario.author_version, "text/plain")
    if h.path_only in ("/software/kometori/", "/software/kometori/index.html"):
        return h.reply(200, page("Kometori", "<h1>Kometori</h1><p>コメント取得ツール</p>"))
    return h.reply(404, NOT_FOUND)


def page(title, body):
    return ("<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\">\n"
            f"<title>{title}</title>\n</head><body>\n{body}\n</body></html>\n")


def login_link(h):
    return f"https://{h.site.secure}/secure/login?site=mokumoku"


# -- main host -----------------------------------------------------------------
def main_host(h):
    path = h.path_only
    for prefix in ("/watch/", "/watch_naisho/"):
        if path.startswith(prefix):
            return watch_page(h, path[len(prefix):].rstrip("/"))
    handlers = {
        "/": top_page, "/api/getflv": getflv, "/api/getwaybackkey": getwaybackkey,
        "/login/complete": login_complete, "/smile": video_file,
    }
    if path in handlers:
        return handlers[path](h)
    if path.startswith("/test/"):
        return test_path(h, path[len("/test/"):])
    return h.reply(404, NOT_FOUND)


def top_page(h):
    account = h.account()
    if account is None:
        return h.reply(200, page(SITE_NAME, f'<a href="{login_link(h)}">ログイン</a>'))
    body = f"<p>ようこそ {html.escape(account['nickname'])} さん</p>"
    h.reply(200, page(SITE_NAME, body), headers=[("x-mokumoku-id", account["user_id"])])


def signin_page(h):
    body = (f'<div id="login"><p>動画を見るにはログインが必要です。</p>\n'
            f'<a href="{login_link(h)}&amp;next_url={quote(h.path_only, safe="")}">'
            "ログインする</a></div>")
    h.reply(200, page(f"ログイン ‐ {SITE_NAME}", body))


def error_page(h, heading, message):
    body = f'<div id="error"><h1>{heading}</h1>\n<p class="TXT12">{message}</p></div>'
    h.reply(200, page(f"エラー ‐ {SITE_NAME}", body))


def watch_page(h, segment):
    account = h.account()
    video = h.site.scenario.find_video(segment)
    if account is None or (video and video.kind == "loginalways"):
        return signin_page(h)
    if video is None:
        return error_page(h, "動画が見つかりません",
                          f"指定された動画(<b>{html.escape(segment)}</b>)は存在しません。<br>"
                          "URLを確認して下さい。")
    if video.kind == "deleted":
        return error_page(h, "お探しの動画は再生できません",
                          "この動画は<strong>投稿者により削除</strong>されました。<br>"
                          "他の動画をお楽しみ下さい。")
    title = html.escape(video.title, quote=False)
    note = '<p class="notice">この動画はコメント不可です。</p>\n' if video.kind == "mymemory" else ""
    body = (f'<div id="header"><a href="/">{SITE_NAME}</a> '
            f"ようこそ {html.escape(account['nickname'])} さん</div>\n"
            f'<p class="video_title">{title}</p>\n{note}'
            f'<div id="player"><embed src="http://{h.site.main}/swf/mokuplayer.swf?v={video.id}" '
            'width="544" height="384"></div>\n'
            '<script type="text/javascript">\n'
            f"var video_id = '{video.script_id}';\nvar thread_id = '{video.thread}';\n</script>")
    h.reply(200, page(f"{title} ‐ {SITE_NAME}", body))


def video_file_address(h, video):
    number = re.sub(r"\D", "", video.id) or "0"
    return f"http://{h.site.main}/smile?v={number}.4321"


def getflv(h):
    account = h.account()
    video = h.site.scenario.find_video(h.query.get("v", ""))
    if account is None:
        return h.reply(200, "closed=1&done=true", "text/plain")
    if video is None or video.flv == "none" or video.kind == "deleted":
        return h.reply(200, "error=invalid_v1&done=true", "text/plain")
    enc = lambda s: quote(s, safe="")  # noqa: E731
    ms = f"ms={enc(h.site.message)}"
    download = h.site.override("download_url")
    pairs = [f"thread_id={video.thread}", f"l={video.length}",
             f"url={download if download is not None else enc(video_file_address(h, video))}",
             f"link={enc(f'http://{h.site.main}/watch/{video.id}')}"]
    if video.flv != "ms_last":
        pairs.append(ms)
    pairs += [f"user_id={account['user_id']}", f"is_premium={1 if account.get('premium') else 0}",
              f"nickname={enc(account['nickname'])}", f"time={h.site.scenario.clock}"]
    pairs.append(ms if video.flv == "ms_last" else "done=true")
    h.reply(200, "&".join(pairs), "text/plain")


def getwaybackkey(h):
    account = h.account()
    thread = h.query.get("thread", "")
    if account is None:
        return h.reply(200, "error=not_login", "text/plain")
    if thread not in h.site.scenario.threads:
        return h.reply(200, "error=invalid_thread", "text/plain")
    key = site_data.wayback_key(thread, account["user_id"]) if account.get("premium") else ""
    h.reply(200, f"waybackkey={key}", "text/plain")


def video_file(h):
    # A reply without Content-Length: the end of the body is the end of the connection.
    h.reply(200, b"FLV\x01\x05\x00\x00\x00\x09" + bytes(range(256)) * 8, "video/x-flv", length=False)


def test_path(h, name):
    if name == "big":
        return h.reply(200, "".join(f"{i:04d}\n" for i in range(1000)), "text/plain")
    if name == "zero":
        return h.reply(200, b"abc\x00def", "application/octet-stream")
    if name == "404":
        return h.reply(404, page("404 Not Found", "<h1>Not Found</h1><p>ページがありません。</p>"))
    if name == "nolength":
        return h.reply(200, "".join(f"{i:04d}\n" for i in range(600)), "text/plain", length=False)
    if name == "stall":
        return h.stall()
    if name == "truncated":
        h.truncate = True
        return h.reply(200, "".join(f"{i:04d}\n" for i in range(600)), "text/plain")
    if name == "utf8":
        return h.reply(200, "表示ソフト：もくもく動画", "text/plain; charset=UTF-8")
    h.reply(404, NOT_FOUND)


# -- sign-in ---------------------------------------------------------------------
def login_headers(variant, account, token):
    cookie = f"{SESSION_COOKIE}={token}; path=/"
    if variant == "cookieonly":
        return [("Set-Cookie", cookie)]
    if variant == "othercase":
        return [("X-Mokumoku-Id", account["user_id"]), ("set-cookie", cookie)]
    padding = []
    if variant == "bigheaders":
        filler = "0123456789abcdef" * 32
        padding = [(f"x-mokumoku-padding-{i:02d}", filler) for i in range(24)]
    return padding + [("x-mokumoku-id", account["user_id"]), ("Set-Cookie", cookie)]


def secure_host(h, variant):
    if h.path_only != "/secure/login":
        return h.reply(404, NOT_FOUND)
    form = dict(parse_qsl(h.body_text, keep_blank_values=True)) if h.command == "POST" else {}
    account = h.site.scenario.find_account(form.get("mail"), form.get("password"))
    if account is None:
        body = ('<form method="post" action="/secure/login?site=mokumoku">'
                + ("<p>メールアドレスまたはパスワードが間違っています。</p>" if form else "")
                + '<input name="mail"><input name="password" type="password"></form>')
        return h.reply(200, page(f"ログイン ‐ {SITE_NAME}", body))
    variant = variant or account.get("login", "redirect")
    token = h.site.new_session(account)
    if variant == "direct":
        return h.reply(200, page(SITE_NAME, "<p>ログインしました。</p>"),
                       headers=login_headers(variant, account, token))
    with h.site.lock:
        h.site.tickets[token] = variant
    target = f"http://{h.site.main}/login/complete?ticket={token}"
    h.reply(302, page(SITE_NAME, f'<a href="{target}">next</a>'), headers=[("Location", target)])


def login_complete(h):
    """The end of the redirect after a sign-in: sets the session cookie for the
    main host (and so for the message server, which shares its host name)."""
    token = h.query.get("ticket", "")
    with h.site.lock:
        variant = h.site.tickets.pop(token, None)
    account = h.site.session_account(token)
    if variant is None or account is None:
        return h.reply(200, page(SITE_NAME, "<p>ログインの有効期限が切れました。</p>"))
    h.reply(200, page(SITE_NAME, "<p>ログインしました。</p>"),
            headers=login_headers(variant, account, token))

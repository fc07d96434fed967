"""Pages of the main host, the secure host and the author's site."""


def serve(handler, fault):
    handler.reply(404, "<html><body><h1>404 Not Found</h1></body></html>")

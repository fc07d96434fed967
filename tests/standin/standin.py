#!/usr/bin/env python3
"""Stand-in for the video site: main host, secure host, message server and the
author's web site on free ports of 127.0.0.1, for the tests and the demo.

    standin.py [--certs DIR] [--scenario FILE] [--grace S] [--verbose] [--exec -- CMD ARGS...]

Prints main=, secure=, message=, author= and ready, then serves until SIGINT or
SIGTERM; with --exec it runs CMD with the addresses in its environment, stops
when CMD ends and exits with CMD's status. See README.md."""

import argparse
import os
import signal
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from server import Standin  # noqa: E402
from site_data import load_scenario  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))


def find_certs(certs_arg):
    """The folder with ca.crt, server.crt and server.key, made when missing."""
    candidates = [certs_arg] if certs_arg else []
    build = os.environ.get("KOMETORI_BUILD_DIR")
    if not certs_arg and build:
        candidates.append(os.path.join(build, "certs"))
    for d in candidates:
        if all(os.path.isfile(os.path.join(d, n)) for n in ("server.crt", "server.key")):
            return d, None
    if certs_arg:
        target, temp = certs_arg, None
    else:
        temp = tempfile.TemporaryDirectory(prefix="kometori-certs-")
        target = temp.name
        print("standin: no certificates found; made a test CA in " + target +
              " that is not in the system trust store", file=sys.stderr, flush=True)
    subprocess.run([os.path.join(HERE, "make-certs.sh"), target, "--no-install"], check=True)
    return target, temp


class Signals:
    """Catches SIGTERM, SIGINT and SIGHUP from the start on; once a command
    runs they are handed on to its process group, which also ends what the
    command started (wine and its helpers)."""

    def __init__(self):
        self.received = None
        self.child = None
        self.stop = threading.Event()
        for s in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            signal.signal(s, self.handle)

    def handle(self, signum, _frame):
        if not self.received:
            self.received, self.when = signum, time.monotonic()
        self.stop.set()
        if self.child is not None:
            try:
                os.killpg(self.child.pid, signum)
            except ProcessLookupError:
                pass


def run_command(site, command, signals, grace):
    env = dict(os.environ)
    env.update(site.environment())
    if signals.received:
        return 128 + signals.received
    try:
        child = subprocess.Popen(command, env=env, process_group=0)
    except OSError as e:
        print(f"standin: cannot run {command[0]}: {e}", file=sys.stderr, flush=True)
        return 127
    signals.child = child
    if signals.received:  # arrived while the command was starting
        signals.handle(signals.received, None)
    try:
        # A command that ignores the passed-on signal is killed after a grace time.
        while True:
            try:
                child.wait(timeout=0.2)
                break
            except subprocess.TimeoutExpired:
                if signals.received and time.monotonic() - signals.when > grace:
                    break
        rc = child.returncode if child.returncode is not None else 128 + signals.received
    finally:
        if child.poll() is None:
            try:
                os.killpg(child.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            child.wait()
    return rc if rc >= 0 else 128 - rc


def main(argv):
    if "--" in argv:
        cut = argv.index("--")
        argv, command = argv[:cut], argv[cut + 1:]
    else:
        command = None
    parser = argparse.ArgumentParser(description="Stand-in for the video site.")
    parser.add_argument("--certs", help="folder with server.crt and server.key")
    parser.add_argument("--scenario", help="JSON file laid over scenario.json")
    parser.add_argument("--exec", dest="exec_", action="store_true",
                        help="run the command after -- with the server around it")
    parser.add_argument("--grace", type=float, default=5.0,
                        help="seconds a signalled command gets before it is killed")
    parser.add_argument("--verbose", action="store_true", help="log requests to stderr")
    args = parser.parse_args(argv)
    if args.exec_ and not command:
        parser.error("--exec needs a command after --")

    signals = Signals()
    certs, temp = find_certs(args.certs)
    site = Standin(load_scenario(args.scenario), certs, verbose=args.verbose)
    site.start()
    try:
        for role, address in site.announced():
            print(f"{role}={address}", flush=True)
        print("ready", flush=True)
        if args.exec_:
            return run_command(site, command, signals, args.grace)
        while not signals.stop.wait(3600):
            pass
        return 0
    finally:
        site.stop()
        if temp:
            temp.cleanup()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

#!/usr/bin/env python3
"""Times `regkit lsp` as an editor sees it, through pipes: from the write of
a didOpen of a header to the read of its diagnostics, and from the write of
a code action request on its first ten lines to the read of the answer.

  lsp_timing.py REGKIT HEADER [--runs N] [--before OLD_REGKIT] [--memory-limit KB]

Each run starts a new server. Given --before, the older program is timed
in turn with the newer one (one run of each, round-robin). With
--memory-limit, the server runs under that address-space limit (as
`ulimit -v`); a run then also reports what the server answered and whether
it still answers a request afterwards.
"""

import argparse
import json
import resource
import statistics
import subprocess
import time


def frame(message):
    body = json.dumps(message).encode()
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


def read_message(stream):
    length = None
    while True:
        line = stream.readline()
        if not line:
            return None
        line = line.strip()
        if not line:
            if length is not None:
                break
            continue
        name, _, value = line.partition(b":")
        if name.lower() == b"content-length":
            length = int(value)
    return json.loads(stream.read(length))


def wait_for(stream, test):
    """Reads messages until test(message); returns it and those passed over."""
    passed = []
    while True:
        message = read_message(stream)
        if message is None or test(message):
            return message, passed
        passed.append(message)


def run_once(regkit, text, memory_kb):
    limit = None
    if memory_kb:
        limit = lambda: resource.setrlimit(resource.RLIMIT_AS, (memory_kb * 1024, memory_kb * 1024))
    server = subprocess.Popen([regkit, "lsp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              preexec_fn=limit)
    uri = "file:///bench/h.h"

    def send(message):
        try:
            server.stdin.write(frame(message))
            server.stdin.flush()
        except BrokenPipeError:
            pass  # the server has ended: what it answered says so

    send({"jsonrpc": "2.0", "id": 0, "method": "initialize", "params": {"capabilities": {}}})
    wait_for(server.stdout, lambda m: m.get("id") == 0)
    send({"jsonrpc": "2.0", "method": "initialized", "params": {}})
    opened = frame({"jsonrpc": "2.0", "method": "textDocument/didOpen",
                    "params": {"textDocument": {"uri": uri, "languageId": "cpp", "version": 1, "text": text}}})
    start = time.perf_counter()
    try:
        server.stdin.write(opened)
        server.stdin.flush()
    except BrokenPipeError:
        pass
    # The diagnostics, or a message that none will come.
    published, _ = wait_for(
        server.stdout,
        lambda m: m.get("method") == "window/logMessage" or
        (m.get("method") == "textDocument/publishDiagnostics" and m["params"]["uri"] == uri))
    outcome = {"open": time.perf_counter() - start, "logged": []}
    if published is not None and published["method"] == "window/logMessage":
        outcome["logged"].append(published["params"]["message"])
    elif published is not None:
        outcome["diagnostics"] = len(published["params"]["diagnostics"])
    start = time.perf_counter()
    send({"jsonrpc": "2.0", "id": 1, "method": "textDocument/codeAction",
          "params": {"textDocument": {"uri": uri},
                     "range": {"start": {"line": 0, "character": 0}, "end": {"line": 9, "character": 0}},
                     "context": {"diagnostics": []}}})
    answer, _ = wait_for(server.stdout, lambda m: m.get("id") == 1)
    outcome["action"] = time.perf_counter() - start
    outcome["answer"] = ("none" if answer is None else "error: " + answer["error"]["message"]
                         if "error" in answer else "%d action(s)" % len(answer["result"]))
    send({"jsonrpc": "2.0", "id": 2, "method": "shutdown"})
    done, _ = wait_for(server.stdout, lambda m: m.get("id") == 2)
    outcome["alive"] = done is not None
    send({"jsonrpc": "2.0", "method": "exit"})
    try:
        server.stdin.close()
    except BrokenPipeError:
        pass
    outcome["status"] = server.wait()
    return outcome


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("regkit")
    ap.add_argument("header")
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--before")
    ap.add_argument("--memory-limit", type=int, default=0, metavar="KB")
    args = ap.parse_args()
    with open(args.header, encoding="utf-8", errors="surrogateescape") as f:
        text = f.read()
    programs = [("before", args.before)] if args.before else []
    programs.append(("after", args.regkit))
    times = {name: [] for name, _ in programs}
    for _ in range(args.runs):
        for name, program in programs:
            times[name].append(run_once(program, text, args.memory_limit))
    print("%s (%.1f MB)" % (args.header, len(text.encode("utf-8", "surrogateescape")) / 1e6))
    for name, _ in programs:
        runs = times[name]
        opens = [r["open"] for r in runs]
        actions = [r["action"] for r in runs]
        last = runs[-1]
        print("  %-6s diagnostics best %.3f s, median %.3f s; code action best %.3f s, median %.3f s"
              % (name, min(opens), statistics.median(opens), min(actions), statistics.median(actions)))
        print("         %s diagnostics, code action: %s, logged %s, served on: %s, exit status %d"
              % (last.get("diagnostics", "no"), last["answer"], last["logged"] or "nothing",
                 "yes" if last["alive"] else "no", last["status"]))


if __name__ == "__main__":
    main()

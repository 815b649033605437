#!/usr/bin/env python3
"""Times whole runs of tolvane and kessrow next to other programs that read
the same input (wc -l, cat, and moc and ctags when installed) and prints one
table.

  timing.py BUILD_DIR INPUT_DIR WORK_DIR [--runs N] [--small-runs N] [--skip moc,ctags]
            [--floor2 FLOOR2_EXE]

With --floor2 (the yardstick program: map the input, tokenize every line,
write the expected output through a temporary file and rename it), each large
tolvane case is also timed next to the yardstick doing the least work for
the same input and output, and each kessrow case next to cat of its input
plus cat of its header into a file; the column "vs yardstick" gives the
ratio.

INPUT_DIR holds the files gen_inputs.py writes (see run.sh); WORK_DIR is
scratch space for the files the programs write. The commands are measured
round-robin, one run of each in turn, so that a disturbance on the machine
hits all of them alike; the table shows the best and the median wall time
of each, and the peak resident memory of one more run (under /usr/bin/time,
when it is installed).
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time


class Row:
    def __init__(self, group, label, input_name, argv, prepare=None, base=None, runs=None,
                 yardstick=None):
        self.group = group          # rows of one group share an input
        self.label = label
        self.input_name = input_name
        self.argv = argv
        self.prepare = prepare      # called before every run, not timed
        self.base = base            # label of the row this one is compared with
        self.runs = runs
        self.yardstick = yardstick  # label of the yardstick row of the same group
        self.input_file = None      # the file read, when it is not the group's input
        self.times = []
        self.rss_kb = 0
        self.failed = None


def run_once(row):
    if row.prepare:
        row.prepare()
    actions = [(os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0),
               (os.POSIX_SPAWN_OPEN, 2, os.devnull, os.O_WRONLY, 0)]
    start = time.perf_counter()
    pid = os.posix_spawn(row.argv[0], row.argv, os.environ, file_actions=actions)
    _, status = os.waitpid(pid, 0)
    elapsed = time.perf_counter() - start
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        row.failed = "exit status %d" % code
        return
    row.times.append(elapsed)


def measure_rss(row, time_exe):
    """Peak resident memory in KB, from one more run under /usr/bin/time:
    a child spawned straight from this interpreter would count the
    interpreter's own memory, which it shares until exec."""
    if row.prepare:
        row.prepare()
    report = os.path.join(os.path.dirname(row.argv[-1]) or ".", ".rss")
    subprocess.run([time_exe, "-f", "%M", "-o", report] + row.argv,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        with open(report) as f:
            row.rss_kb = int(f.read().split()[-1])
        os.remove(report)
    except (OSError, ValueError, IndexError):
        row.rss_kb = 0


def copier(src, dst, remove=()):
    def prepare():
        for name in remove:
            if os.path.exists(name):
                os.remove(name)
        shutil.copyfile(src, dst)
    return prepare


def remover(*names):
    def prepare():
        for name in names:
            if os.path.exists(name):
                os.remove(name)
    return prepare


def yardstick_rows(rows, floor2, inp, out, runs):
    """The least work for each large case, measured beside it. The expected
    outputs are written by one untimed run of the programs first."""
    def expected(argv):
        run_once(Row("", "", "", argv))
        return argv[-1]

    tolvane_rows = {(r.group, r.label): r for r in rows if r.label.startswith("tolvane")}
    for group, name in (("header", "header.h"), ("header/10", "header10.h")):
        new_text = expected([tolvane_rows[(group, "tolvane (in place)")].argv[0], inp(name),
                             out("expected_" + name)])
        rows.append(Row(group, "floor2 (write)", name, [floor2, inp(name), new_text, out("floor_" + name)],
                        runs=runs))
        rows.append(Row(group, "floor2 (tokenize)", name, [floor2, inp(name), "-", "-"], runs=runs))
        for (g, label), row in tolvane_rows.items():
            if g == group:
                unchanged = label.startswith("tolvane (unchanged")
                row.yardstick = "floor2 (tokenize)" if unchanged else "floor2 (write)"
        if group == "header":
            # What most runs in a build are: a header whose bodies are all
            # up to date, rewritten in place, so nothing is written.
            rows.append(Row(group, "tolvane (in place, up to date)", name,
                            [tolvane_rows[(group, "tolvane (in place)")].argv[0], new_text], runs=runs,
                            yardstick="floor2 (tokenize, up to date)"))
            rows.append(Row(group, "floor2 (tokenize, up to date)", name, [floor2, new_text, "-", "-"],
                            runs=runs))
            rows[-1].input_file = rows[-2].input_file = new_text
    sh = shutil.which("sh")
    for row in [r for r in rows if r.label.startswith("kessrow (before")]:
        row.yardstick = "cat input + header"
    for row in [r for r in rows if r.label == "kessrow"]:
        header = expected(row.argv[:-1] + [out("expected_" + os.path.basename(row.argv[-1]))])
        script = 'cat "$1" >/dev/null && cat "$2" >"$3"'
        rows.append(Row(row.group, "cat input + header", row.input_name,
                        [sh, "-c", script, "sh", row.argv[1], header, out("cat_" + os.path.basename(header))],
                        runs=row.runs))
        row.yardstick = "cat input + header"


def before_rows(before, rows, work):
    """The large cases once more with the programs of BEFORE (another build
    directory), measured in the same round-robin, writing files of their own."""
    added = []
    for row in rows:
        if row.group not in ("header", "parts", "one part") or not row.label.startswith(("tolvane", "kessrow")):
            continue
        program = os.path.basename(row.argv[0])
        exe = os.path.join(before, program, program)
        rename = lambda arg: arg.replace(work + os.sep, os.path.join(work, "before_"))
        argv = [exe] + [rename(a) for a in row.argv[1:]]
        added.append((row, argv))
    for row, argv in added:
        label = row.label.replace(")", ", before)") if "(" in row.label else row.label + " (before)"
        new = Row(row.group, label, row.input_name, argv, base=row.base, runs=row.runs)
        new.prepare = row.prepare and retarget(row, argv)
        rows.append(new)


def retarget(row, argv):
    """The prepare step of row for the same files under the names in argv."""
    if row.label.startswith("tolvane (in place)"):
        copy = argv[1]
        return copier(row.source_file, copy, [copy[:copy.rfind(".")] + "._h"])
    return remover(argv[-1])


def build_rows(build, inputs, work, runs, small_runs, skip, floor2=None, before=None):
    tolvane = os.path.join(build, "tolvane", "tolvane")
    kessrow = os.path.join(build, "kessrow", "kessrow")
    for exe in (tolvane, kessrow):
        if not os.access(exe, os.X_OK):
            sys.exit("missing %s: build first" % exe)
    inp = lambda name: os.path.join(inputs, name)
    out = lambda name: os.path.join(work, name)
    peers = {name: None if name in skip else shutil.which(name) for name in ("wc", "cat", "moc", "ctags")}
    rows = []

    # moc and ctags take seconds on the large header: three runs do.
    def peer_rows(group, name, n, with_tags):
        if peers["wc"]:
            rows.append(Row(group, "wc -l", name, [peers["wc"], "-l", inp(name)], runs=n))
        if peers["cat"]:
            rows.append(Row(group, "cat", name, [peers["cat"], inp(name)], runs=n))
        if with_tags and peers["moc"]:
            rows.append(Row(group, "moc", name, [peers["moc"], inp(name), "-o", out("moc.out")],
                            base="wc -l", runs=min(n, 3)))
        if with_tags and peers["ctags"]:
            rows.append(Row(group, "ctags", name, [peers["ctags"], "-f", out("tags"), inp(name)],
                            base="wc -l", runs=min(n, 3)))

    # tolvane: in place (new text, backup), to another file, and unchanged.
    for group, name, n in (("header", "header.h", runs), ("header/10", "header10.h", runs),
                           ("small header", "small.h", small_runs)):
        copy = out("in_place_" + name)
        backup = copy[:copy.rfind(".")] + "._h"
        rows.append(Row(group, "tolvane (in place)", name, [tolvane, copy],
                        prepare=copier(inp(name), copy, [backup]), base="wc -l", runs=n))
        rows[-1].source_file = inp(name)
        if group == "header":
            dest = out("dest_" + name)
            rows.append(Row(group, "tolvane (to new file)", name, [tolvane, inp(name), dest],
                            prepare=remover(dest), base="wc -l", runs=n))
            same = out("same_" + name)
            rows.append(Row(group, "tolvane (unchanged)", name, [tolvane, inp(name), same],
                            base="wc -l", runs=n))
        peer_rows(group, name, n, group == "header")

    for group, name, n in (("parts", "parts.kes", runs), ("parts/10", "parts10.kes", runs),
                           ("one part", "one_part.kes", runs), ("small parts", "small.kes", small_runs)):
        dest = out(name[:name.rfind(".")] + ".h")
        rows.append(Row(group, "kessrow", name, [kessrow, inp(name), dest], prepare=remover(dest),
                        base="wc -l", runs=n))
        peer_rows(group, name, n, False)

    # Hostile inputs, each against the size of its input (wc -l).
    for group, program, name in (("same name", tolvane, "same_name.h"), ("long line", tolvane, "long_line.h"),
                                 ("colliding pins", kessrow, "colliding_pins.kes")):
        dest = out("hostile_" + name)
        rows.append(Row(group, os.path.basename(program), name, [program, inp(name), dest],
                        prepare=remover(dest), base="wc -l", runs=runs))
        peer_rows(group, name, runs, False)

    if before:
        before_rows(before, rows, work)
    if floor2:
        yardstick_rows(rows, floor2, inp, out, runs)
        order = {}
        for row in rows:
            order.setdefault(row.group, len(order))
        rows.sort(key=lambda row: order[row.group])  # stable: each group's rows stay together

    # The unchanged run needs its destination once, written by a normal run.
    for row in rows:
        if row.label.startswith("tolvane (unchanged"):
            run_once(Row("", "", "", row.argv))
    return rows


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("build")
    ap.add_argument("inputs")
    ap.add_argument("work")
    ap.add_argument("--runs", type=int, default=7)
    ap.add_argument("--small-runs", type=int, default=100)
    ap.add_argument("--skip", default="", help="peers to leave out, comma-separated")
    ap.add_argument("--floor2", default=None, help="the yardstick program, built from floor2.cpp")
    ap.add_argument("--before", default=None,
                    help="another build directory whose programs are timed beside these on the large cases")
    args = ap.parse_args()
    os.makedirs(args.work, exist_ok=True)
    rows = build_rows(args.build, args.inputs, args.work, args.runs, args.small_runs,
                      args.skip.split(","), args.floor2, args.before)

    for i in range(max(row.runs for row in rows)):
        for row in rows:
            if i < row.runs and not row.failed:
                run_once(row)
    time_exe = "/usr/bin/time" if os.access("/usr/bin/time", os.X_OK) else None
    if time_exe:
        for row in rows:
            if not row.failed:
                measure_rss(row, time_exe)

    print("| Input | Program | Input MB | Best ms | Median ms | MB/s | vs wc -l | vs cat | vs yardstick "
          "| Peak RSS MB | RSS / input |")
    print("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    best = {}
    for row in rows:
        if row.times:
            best[(row.group, row.label)] = min(row.times)
    for row in rows:
        size = os.path.getsize(row.input_file or os.path.join(args.inputs, row.input_name))
        if row.failed:
            print("| %s | %s | | failed: %s | | | | | | | |" % (row.group, row.label, row.failed))
            continue
        b = min(row.times)
        med = statistics.median(row.times)
        ratio = lambda label: ("%.2f" % (b / best[(row.group, label)])) if (row.group, label) in best else ""
        mb = size / 1e6
        rss = ("%.1f" % (row.rss_kb / 1024)) if row.rss_kb else ""
        per_input = ("%.2f" % (row.rss_kb * 1024 / size)) if row.rss_kb and size > 1000000 else ""
        yard = ratio(row.yardstick) if row.yardstick else ""
        print("| %s | %s | %.3f | %.2f | %.2f | %.0f | %s | %s | %s | %s | %s |" % (
            row.group, row.label, mb, b * 1e3, med * 1e3, mb / b, ratio("wc -l"), ratio("cat"),
            yard, rss, per_input))

    def t(group, label):
        return best.get((group, label))

    print()
    for big, small, label in (("header", "header/10", "tolvane (in place)"), ("parts", "parts/10", "kessrow")):
        if t(big, label) and t(small, label):
            sizes = [os.path.getsize(os.path.join(args.inputs, r.input_name))
                     for r in rows if r.label == label and r.group in (big, small)]
            print("Linearity, %s: %.1fx the input takes %.2fx the time" % (
                label, max(sizes) / min(sizes), t(big, label) / t(small, label)))


if __name__ == "__main__":
    main()

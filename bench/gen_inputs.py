#!/usr/bin/env python3
"""Deterministic benchmark inputs for tolvane and kessrow.

  gen_inputs.py header OUT [--classes N] [--members M]
      A C++ header of N classes with about M member declarations each:
      plain, list, array, bus and array-bus members, declarations tolvane
      skips, comments, directives and a Register() body whose generated
      lines are all stale, so every body is rewritten.
  gen_inputs.py parts OUT [--parts N] [--pins P]
      A part-description file of N parts with P pins each, using every
      port form (single pin, counted, descending and ascending bus, a
      declaration over two lines) and every port kind.

  gen_inputs.py same-name OUT [--count N]
      Hostile: one class of N members all named "a" and a Register() body
      of N "reg( a );" lines (each registration meets every member).
  gen_inputs.py long-line OUT [--count N] [--pad P]
      Hostile: one Register() body line of N "reg(a);" calls for an array
      member, so that each call is reported on the same very long line;
      with --pad, each call is followed by a comment of P more bytes and
      no blank.
  gen_inputs.py stale-classes OUT [--count N]
      Hostile: N small classes, each with a stale Register() body.
  gen_inputs.py colliding-pins OUT [--parts N] [--pins P]
      Hostile: N parts of P pins whose names all fall into a small window
      of the pin set's table under its former unkeyed hash (FNV-1a).

The same arguments always give the same bytes (no randomness, no clock).
"""

import argparse
import sys

# One member declaration per kind; {i} is the member's number in its class.
# Each entry: (declaration lines, names that get a registration line).
MEMBER_KINDS = [
    ("  TReg N{i};", ["N{i}"]),
    ("  TReg Lo{i}, Hi{i}, Md{i};", ["Lo{i}", "Hi{i}", "Md{i}"]),
    ("  TWord Tb{i}[ 16 ];", ["Tb{i}"]),
    ("  TLine D{i}[ 8 ];  // TOLVANE_BUS(7,0)", ["D{i}"]),
    ("  TLine Cy{i};  // TOLVANE_BUS(3,0)", ["Cy{i}"]),
    ("  int S{i};  // built-in", []),
    ("  TWord Sh{i};  // TOLVANE_IGNORE", []),
    ("  static const int Sz{i} = 4;", []),
    ("  TReg V{i}() const {{ return N{i}; }}", []),
    ("  /* note */ TReg Af{i};", ["Af{i}"]),
    ("  // note\n  TReg* Lk{i};", []),
    ("  TState St{i}, Nx{i}[ 4 ];", ["St{i}", "Nx{i}"]),
    ("  void Reset{i}( int level );", []),
    ("  TReg& Get{i}();", []),
]

def header(out, classes, members):
    w = out.write
    w("// Generated benchmark header: %d classes, %d members each.\n" % (classes, members))
    w("#pragma once\n\n#include \"framework/registry.h\"\n\n")
    for c in range(classes):
        w("// c%d\n" % c)
        if c % 50 == 7:
            w("class TForward%d;\n" % c)
        w("class TGen%d : public TRegistered {\n" % c)
        w("public:\n")
        w("  enum TMode { ModeIdle, ModeRun, ModeStop };\n")
        w("  // TOLVANE_INCL SetName( \"gen%d\" );\n" % c)
        for i in range(members):
            if i == members // 2:
                w("protected:\n")
                w("#ifdef BENCH_EXTRA\n  TReg Extra%d;\n#endif\n" % c)
            decl, _ = MEMBER_KINDS[(c + i) % len(MEMBER_KINDS)]
            w(decl.format(i=i) + "\n")
        w("  TReg Manual%d;\n" % c)
        w("\n  virtual void Register() {\n")
        # Stale generated lines from an older version of the class: the
        # first half of the members, unaligned, plus one for a member that
        # no longer exists, so the regenerated body always differs.
        for i in range(members // 2):
            _, names = MEMBER_KINDS[(c + i) % len(MEMBER_KINDS)]
            for name in names:
                w("    reg( %s );  // tolvane\n" % name.format(i=i))
        w("    reg( Removed%d );    // tolvane\n" % c)
        w("    reg( Manual%d );     // registered by hand\n" % c)
        w("  }\n};\n\n")


def pins_of(first, count):
    return ["%d" % (first + k) if k % 3 else "P%d" % (first + k) for k in range(count)]


def part(w, p, pins):
    w("$PART_NAME Gen%d                  // benchmark part %d\n" % (p, p))
    w("$FOOTPRINT %s\n" % ("DIP%d" % pins if p % 2 else "QFP%d" % pins))
    w("$REF_PREFIX U\n")
    w("$PIN_COUNT %d\n" % pins)
    kinds = ["$IPORTS", "$OPORTS", "$IOPORTS", "$PORTS"]
    pin = 1
    port = 0
    while pin <= pins:
        left = pins - pin + 1
        form = port % 5
        if port % 3 == 0:
            w(kinds[port % 4] + "\n")
        if form == 0 or left < 16:
            names = pins_of(pin, 1)
            w("  S%d %s ;\n" % (port, names[0]))
            pin += 1
        else:
            n = min(left, 16)
            names = " ".join(pins_of(pin, n))
            if form == 1:
                w("  C%d[%d] %s ;        // counted\n" % (port, n, names))
            elif form == 2:
                w("  D%d[%d:0] %s ;    // data\n" % (port, n - 1, names))
            elif form == 3:
                w("  A%d[0:%d] %s ;      // ascending\n" % (port, n - 1, names))
            else:
                half = n // 2
                parts = pins_of(pin, n)
                w("  B%d[%d:%d] %s\n" % (port, n + 3, 4, " ".join(parts[:half])))
                w("       %s ;\n" % " ".join(parts[half:]))
            pin += n
        port += 1
    w("$ENDPORTS\n")
    if p % 4 == 0:
        w("$PART_LINES\n  int Mode = 0;\n$END\n")
        w("$CONSTRUCTOR\n    Mode = %d;\n$END\n" % p)
        w("$REGISTER\n    reg( Mode );\n$END\n")
    w("$ENDPART\n\n")


def parts(out, count, pins):
    w = out.write
    w("// Generated benchmark part file: %d parts, %d pins each.\n" % (count, pins))
    w("/* Settings for every part below. */\n$BASE_CLASS public TPart\n$PART_PREFIX QV_\n\n")
    w("#include \"part.h\"\n\n")
    for p in range(count):
        part(w, p, pins)
        if p % 100 == 99:
            w("$INSERT\n// after part %d\n$END\n\n" % p)


def same_name(out, count):
    w = out.write
    w("class TSame : public TRegistered {\npublic:\n")
    w("  TReg a;\n" * count)
    w("\n  virtual void Register() {\n")
    w("    reg( a );\n" * count)
    w("  }\n};\n")


def long_line(out, count, pad):
    w = out.write
    w("class TLong : public TRegistered {\npublic:\n  TReg a[4];\n")
    w("\n  virtual void Register() {\n    ")
    call = "reg(a);" + ("/*" + "x" * (pad - 4) + "*/" if pad >= 4 else "")
    w(call * count)
    w("\n  }\n};\n")


def stale_classes(out, count):
    w = out.write
    for c in range(count):
        w("class TStale%d {\n  TReg alpha, beta;\n  virtual void Register() {\n    reg( old );\n  }\n};\n" % c)


FNV_OFFSET = 14695981039346656037
FNV_PRIME = 1099511628211
MASK64 = (1 << 64) - 1
NAME_CHARS = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"


def colliding_names(count, window_bits=12, table_bits=18):
    """Names whose former slot (FNV-1a folded by h ^ h >> 29, masked to the
    table) lies below 2**window_bits at every table size up to
    2**table_bits: all of them pile up in one probe run."""
    names = []
    keep = ((1 << table_bits) - 1) & ~((1 << window_bits) - 1)
    n = 0
    while len(names) < count:
        prefix = "K%d_" % n
        n += 1
        h = FNV_OFFSET
        for c in prefix.encode():
            h = ((h ^ c) * FNV_PRIME) & MASK64
        for a in NAME_CHARS:
            ha = ((h ^ ord(a)) * FNV_PRIME) & MASK64
            for b in NAME_CHARS:
                hb = ((ha ^ ord(b)) * FNV_PRIME) & MASK64
                if ((hb ^ (hb >> 29)) & keep) == 0:
                    names.append(prefix + a + b)
    return names[:count]


def colliding_pins(out, count, pins):
    w = out.write
    names = colliding_names(pins)
    w("// Generated hostile part file: %d parts of %d pins chosen to collide.\n" % (count, pins))
    for p in range(count):
        w("$PART_NAME Hostile%d\n$FOOTPRINT BGA\n$REF_PREFIX U\n$PIN_COUNT %d\n$PORTS\n" % (p, pins))
        for port, first in enumerate(range(0, pins, 16)):
            group = names[first:first + 16]
            w("  C%d[%d] %s ;\n" % (port, len(group), " ".join(group)))
        w("$ENDPORTS\n$ENDPART\n\n")


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = ap.add_subparsers(dest="kind", required=True)
    h = sub.add_parser("header")
    h.add_argument("out")
    h.add_argument("--classes", type=int, default=20000)
    h.add_argument("--members", type=int, default=50)
    k = sub.add_parser("parts")
    k.add_argument("out")
    k.add_argument("--parts", type=int, default=2000)
    k.add_argument("--pins", type=int, default=400)
    for kind, default in (("same-name", 40000), ("long-line", 100000), ("stale-classes", 64000)):
        sp = sub.add_parser(kind)
        sp.add_argument("out")
        sp.add_argument("--count", type=int, default=default)
        if kind == "long-line":
            sp.add_argument("--pad", type=int, default=0)
    c = sub.add_parser("colliding-pins")
    c.add_argument("out")
    c.add_argument("--parts", type=int, default=2)
    c.add_argument("--pins", type=int, default=99999)
    args = ap.parse_args()
    with open(args.out, "w", newline="\n") as out:
        if args.kind == "header":
            header(out, args.classes, args.members)
        elif args.kind == "same-name":
            same_name(out, args.count)
        elif args.kind == "long-line":
            long_line(out, args.count, args.pad)
        elif args.kind == "stale-classes":
            stale_classes(out, args.count)
        elif args.kind == "colliding-pins":
            if args.pins > 99999:
                sys.exit("at most 99999 pins per part")
            colliding_pins(out, args.parts, args.pins)
        else:
            if args.pins > 99999:
                sys.exit("at most 99999 pins per part")
            parts(out, args.parts, args.pins)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Pair precision and pair recall of a duplicate search against the corpus's truth.

usage: score.py CORPUS_DIR RESULT_FILE [--grey-copies]

RESULT_FILE is the output of `duovue-cli dupes --subfolders CORPUS_DIR`: one row per file (group
label, name, folder, ...) and a summary line. Every two files in one group are a reported pair;
every two files of one identity in truth.tsv are a true pair. A grey copy shares the identity of
its source only with --grey-copies (the search was asked to group grey copies); otherwise it is a
picture of its own, and grouping it with its source counts as a false pair.

Prints overall precision and recall, the recall of each copy kind (its pairs with the original),
and the false pairs by the kinds of their two files.
"""

import collections
import itertools
import os
import sys


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    grey = "--grey-copies" in sys.argv
    if len(args) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    corpus, result = args
    root = os.path.realpath(corpus)

    identity = {}
    kind = {}
    with open(os.path.join(corpus, "truth.tsv")) as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            path, ident, k = line.rstrip("\n").split("\t")
            kind[path] = k
            identity[path] = ident + "/grey" if (k == "grey" and not grey) else ident

    groups = collections.defaultdict(list)
    with open(result) as f:
        for line in f:
            cells = line.rstrip("\n").split("\t")
            if len(cells) < 3:
                continue  # the summary
            label, name, folder = cells[0], cells[1], cells[2]
            path = os.path.relpath(os.path.realpath(os.path.join(folder, name)), root)
            if path not in kind:
                print("not in the truth: " + path, file=sys.stderr)
                return 1
            groups[label.lstrip("-")].append(path)

    reported = set()
    for members in groups.values():
        for a, b in itertools.combinations(sorted(members), 2):
            reported.add((a, b))

    by_identity = collections.defaultdict(list)
    for path, ident in identity.items():
        by_identity[ident].append(path)
    true_pairs = set()
    for members in by_identity.values():
        for a, b in itertools.combinations(sorted(members), 2):
            true_pairs.add((a, b))

    found = reported & true_pairs
    false = reported - true_pairs
    precision = len(found) / len(reported) if reported else 1.0
    recall = len(found) / len(true_pairs) if true_pairs else 1.0
    print("files %d, groups %d, reported pairs %d, true pairs %d" % (len(kind), len(groups), len(reported), len(true_pairs)))
    print("pair precision %.4f (%d false)" % (precision, len(false)))
    print("pair recall    %.4f (%d missed)" % (recall, len(true_pairs) - len(found)))

    # Each copy kind: its pairs with the original of its picture.
    originals = {identity[p]: p for p, k in kind.items() if k in ("original", "trap-flat", "trap-dark", "trap-gradient")}
    per_kind = collections.defaultdict(lambda: [0, 0])
    for path, k in kind.items():
        if k in ("original",) or k.startswith("trap-"):
            continue
        original = originals.get(identity[path])
        if original is None:
            continue  # a grey copy that is not a copy in this run
        pair = tuple(sorted((path, original)))
        per_kind[k][1] += 1
        per_kind[k][0] += pair in found
    print("recall by copy kind (pairs with the original):")
    for k in sorted(per_kind):
        got, total = per_kind[k]
        print("  %-16s %.4f  %d/%d" % (k, got / total, got, total))

    falses = collections.Counter()
    for a, b in false:
        falses[" ~ ".join(sorted((kind[a], kind[b])))] += 1
    if falses:
        print("false pairs by kinds:")
        for k, n in falses.most_common():
            print("  %-36s %d" % (k, n))
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Report include circles between source folders.

Reads every #include "..." under src/core and src/gui, resolves it the way
the build does (src/gui, then src/core, then the including file's folder),
and folds files into their folder (gui/tree, core/ftp, ...). Prints every
folder-level edge with the files behind it and every circle found; exits 1
when there is a circle, so it can guard the layout in a script.
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BASES = [("gui", os.path.join(ROOT, "src", "gui")),
         ("core", os.path.join(ROOT, "src", "core"))]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def folder_of(path):
    for layer, base in BASES:
        rel = os.path.relpath(path, base)
        if not rel.startswith(".."):
            parts = rel.split(os.sep)
            return layer + "/" + (parts[0] if len(parts) > 1 else ".")
    return None


def resolve(name, including):
    for _, base in BASES:
        cand = os.path.join(base, name)
        if os.path.isfile(cand):
            return cand
    cand = os.path.join(os.path.dirname(including), name)
    return cand if os.path.isfile(cand) else None


def edges():
    found = {}
    for _, base in BASES:
        for dirpath, _, names in os.walk(base):
            for n in names:
                if not n.endswith((".h", ".cpp")):
                    continue
                src = os.path.join(dirpath, n)
                with open(src, encoding="utf-8") as f:
                    text = f.read()
                for inc in INCLUDE.findall(text):
                    dst = resolve(inc, src)
                    if dst is None:
                        continue
                    a, b = folder_of(src), folder_of(dst)
                    if a and b and a != b:
                        found.setdefault((a, b), set()).add(
                            (os.path.relpath(src, ROOT), os.path.relpath(dst, ROOT)))
    return found


def circles(graph):
    # Tarjan's strongly connected components: any component of more than one
    # folder is a circle.
    index, low, stack, on, out = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on.add(v)
        for w in sorted(graph.get(v, ())):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            comp = []
            while True:
                w = stack.pop()
                on.discard(w)
                comp.append(w)
                if w == v:
                    break
            if len(comp) > 1:
                out.append(sorted(comp))

    for v in sorted(graph):
        if v not in index:
            visit(v)
    return out


def main():
    found = edges()
    graph = {}
    for a, b in found:
        graph.setdefault(a, set()).add(b)
        graph.setdefault(b, set())
    verbose = "-v" in sys.argv
    for (a, b), pairs in sorted(found.items()):
        print(f"{a} -> {b} ({len(pairs)})")
        if verbose:
            for s, d in sorted(pairs):
                print(f"    {s} -> {d}")
    bad = circles(graph)
    for comp in bad:
        print("circle: " + " <-> ".join(comp))
        for a in comp:
            for b in comp:
                for s, d in sorted(found.get((a, b), ())):
                    print(f"    {s} -> {d}")
    print(f"{len(bad)} circle(s) between {len(graph)} folders")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())

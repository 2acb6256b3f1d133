#!/usr/bin/python3
"""Counts the lines of the source (src/**/*.cpp, *.h) and of the tests
(tests/**/*.cpp, *.h, *.py), all lines alike, and prints the share of tests.
Exits with 1 when tests / (source + tests) is above the limit."""

import argparse
import os
import sys

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def count(folder, endings):
    total = 0
    for root, _, files in os.walk(os.path.join(TOP, folder)):
        for name in files:
            if name.endswith(endings):
                with open(os.path.join(root, name), "rb") as f:
                    total += sum(1 for _ in f)
    return total


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--limit", type=float, default=0.35, help="highest share of tests (default 0.35)")
    args = parser.parse_args()
    source = count("src", (".cpp", ".h"))
    tests = count("tests", (".cpp", ".h", ".py"))
    ratio = tests / (source + tests) if source + tests else 0.0
    print(f"source {source}\ntests  {tests}\nratio  {ratio:.3f} (limit {args.limit})")
    if ratio > args.limit:
        print("The tests are above the limit.", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

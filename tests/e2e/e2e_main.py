"""Shared entry for the end-to-end test scripts: parses --build/--artifacts
and runs the unittest cases of the calling script."""
import argparse
import os
import sys
import unittest

BUILD = None
ARTIFACTS = None


def main():
    global BUILD, ARTIFACTS
    p = argparse.ArgumentParser()
    p.add_argument("--build", required=True)
    p.add_argument("--artifacts", default=None)
    args, rest = p.parse_known_args()
    BUILD = os.path.abspath(args.build)
    ARTIFACTS = os.path.abspath(args.artifacts or os.path.join(BUILD, "artifacts"))
    os.makedirs(ARTIFACTS, exist_ok=True)
    unittest.main(module="__main__", argv=[sys.argv[0]] + rest, verbosity=2)

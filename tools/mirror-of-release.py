#!/usr/bin/env python3
"""Prints an APT source (deb822) for SUITE from the mirror this machine takes RELEASE from.

    mirror-of-release.py RELEASE SUITE

Reads /etc/apt/sources.list, sources.list.d/*.list and sources.list.d/*.sources; the first
"deb" entry that serves RELEASE gives the address, and its Signed-By, if any, the keys.
"""
import glob
import sys

APT = "/etc/apt"


def one_line_entries(path):
    with open(path, encoding="utf-8") as f:
        for line in f:
            words = line.split("#", 1)[0].split()
            if len(words) < 3 or words[0] != "deb":
                continue
            options = {}
            if words[1].startswith("["):
                end = next(i for i, w in enumerate(words) if w.endswith("]"))
                for option in " ".join(words[1 : end + 1]).strip("[]").split():
                    key, _, value = option.partition("=")
                    options[key.lower()] = value
                words = [words[0]] + words[end + 1 :]
            yield words[1], [words[2]], options.get("signed-by")


def deb822_entries(path):
    with open(path, encoding="utf-8") as f:
        stanzas = f.read().split("\n\n")
    for stanza in stanzas:
        fields, key = {}, None
        for line in stanza.splitlines():
            if line.startswith("#") or not line.strip():
                continue
            if line[0] in " \t" and key:
                fields[key] += "\n" + line.strip()
                continue
            key, _, value = line.partition(":")
            key = key.strip().lower()
            fields[key] = value.strip()
        if "deb" not in fields.get("types", "").split() or fields.get("enabled", "yes") == "no":
            continue
        for uri in fields.get("uris", "").split():
            yield uri, fields.get("suites", "").split(), fields.get("signed-by")


def entries():
    for path in [f"{APT}/sources.list"] + sorted(glob.glob(f"{APT}/sources.list.d/*.list")):
        try:
            yield from one_line_entries(path)
        except OSError:
            pass
    for path in sorted(glob.glob(f"{APT}/sources.list.d/*.sources")):
        yield from deb822_entries(path)


def main():
    release, suite = sys.argv[1], sys.argv[2]
    for uri, suites, signed_by in entries():
        if release in suites:
            print("Types: deb")
            print(f"URIs: {uri}")
            print(f"Suites: {suite}")
            print("Components: main")
            if signed_by and "\n" not in signed_by:
                print(f"Signed-By: {signed_by}")
            return 0
    print(f"mirror-of-release: no source serves {release}", file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())

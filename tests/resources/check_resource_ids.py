#!/usr/bin/env python3
"""Fails when two ids of resource.h that must differ share a value: strings among themselves; dialogs,
pictures and the icon in one numbering; controls among themselves, the standard buttons and the copy
box's private tick command."""
import re
import sys


def main(path):
    ids = {}
    for line in open(path, encoding="ascii"):
        match = re.match(r"\s*#define\s+(ID[A-Z]_\w+)\s+(\d+)\s*$", line)
        if match:
            ids[match.group(1)] = int(match.group(2))
    groups = {
        "strings": {n: v for n, v in ids.items() if n.startswith("IDS_")},
        "dialogs, pictures and icon": {n: v for n, v in ids.items() if n[:4] in ("IDD_", "IDB_", "IDI_")},
        "controls and commands": dict({"IDOK": 1, "IDCANCEL": 2}, **{n: v for n, v in ids.items() if n[:4] == "IDC_"}),
    }
    failures = 0
    for group, members in groups.items():
        seen = {}
        for name, value in sorted(members.items()):
            if value in seen:
                print(f"{group}: {name} and {seen[value]} both have the value {value}")
                failures += 1
            seen[value] = name
    if len(groups["strings"]) < 39 or len(groups["controls and commands"]) < 13:
        print(f"too few ids read from {path}: {len(ids)}")
        failures += 1
    print(f"{len(ids)} ids checked, {failures} collisions")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))

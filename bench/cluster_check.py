#!/usr/bin/env python3
"""Checks a sharded tintaborra-lote run against an uninterrupted one.

  cluster_check.py WORK

WORK holds shards/shard_N (one input a line), limpias/shard_N/ (that shard's
output folder), informes/shard_N.csv (the report of the shard's last run),
informes/shard_N.killed.csv (the report of a run killed before it, if any)
and ref/ (one plain run over every input). Checked:
  - every file of ref/ is in exactly one limpias/shard_N/, byte for byte the same,
    and nothing else is in limpias/ (no leftover, hidden or half file);
  - every report line is whole: the header first, six fields, a known result,
    the file ending with a line break;
  - each input of a shard has lines in that shard's reports only, its last
    one `escrita` or `ya hecha`, and its listed outputs are in its folder;
  - a killed run had not ended all its inputs (and at least one killed run
    had written some), and what it wrote is `ya hecha` in the run after it, never written again.
Prints what failed and exits 1, or prints a summary and exits 0.
"""
import csv
import filecmp
import io
import os
import sys

HEADER = ["entrada", "salidas", "páginas", "resultado", "motivo", "segundos"]
RESULTS = {"escrita", "ya hecha", "error"}
faults = []


def fault(text):
    if len(faults) < 40:
        print("FAULT:", text)
    faults.append(text)


def read_report(path):
    """The rows of one report, after checking that each line is whole."""
    data = open(path, "rb").read()
    if not data:
        fault(f"{path}: empty, not even the header")
        return []
    if not data.endswith(b"\n"):
        fault(f"{path}: its last line is cut: {data.splitlines()[-1][:80]!r}")
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as error:
        fault(f"{path}: not UTF-8 ({error})")
        return []
    rows = list(csv.reader(io.StringIO(text, newline=""), strict=True))
    if not rows or rows[0] != HEADER:
        fault(f"{path}: the header is {rows[0] if rows else None}")
        return []
    good = []
    for number, row in enumerate(rows[1:], start=2):
        if len(row) != 6 or row[3] not in RESULTS or not row[2].isdigit():
            fault(f"{path}:{number}: not a whole line: {row}")
            continue
        try:
            float(row[5])
        except ValueError:
            fault(f"{path}:{number}: seconds are {row[5]!r}")
            continue
        good.append(row)
    return good


def files_under(folder):
    found = []
    for root, dirs, files in os.walk(folder):
        found += [os.path.relpath(os.path.join(root, name), folder) for name in files + dirs]
    return found


def main(work):
    ref = os.path.join(work, "ref")
    expected = set(files_under(ref))
    out = os.path.join(work, "limpias")
    shard_names = sorted(os.listdir(os.path.join(work, "shards")))

    # Outputs: each reference file in exactly one shard folder, the same bytes.
    where = {}
    for shard in sorted(os.listdir(out)):
        if shard not in shard_names:
            fault(f"limpias/{shard}: a folder of no shard")
            continue
        for name in files_under(os.path.join(out, shard)):
            where.setdefault(name, []).append(shard)
    for name in sorted(set(where) - expected):
        fault(f"limpias/{where[name][0]}/{name}: not written by the reference run")
    for name in sorted(expected):
        shards = where.get(name, [])
        if len(shards) != 1:
            fault(f"{name}: in {len(shards)} shard folders {shards}, not one")
        elif not filecmp.cmp(os.path.join(ref, name), os.path.join(out, shards[0], name), shallow=False):
            fault(f"limpias/{shards[0]}/{name}: not the bytes of the reference run")

    # Reports: every input accounted for, by its own shard, finally done.
    pages = inputs = killed_runs = midway = 0
    for shard in shard_names:
        listed = open(os.path.join(work, "shards", shard), "rb").read().decode().splitlines()
        inputs += len(listed)
        attempts = []
        killed = os.path.join(work, "informes", shard + ".killed.csv")
        if os.path.exists(killed):
            attempts.append(("killed", read_report(killed)))
        final = os.path.join(work, "informes", shard + ".csv")
        if not os.path.exists(final):
            fault(f"{shard}: no report")
            continue
        attempts.append(("last", read_report(final)))
        last = {}
        for _, rows in attempts:
            for row in rows:
                if row[0] not in listed:
                    fault(f"{shard}: a report line for {row[0]}, not one of its inputs")
                last[row[0]] = row
        for name in listed:
            row = last.get(name)
            if row is None:
                fault(f"{shard}: no report line for {name}")
            elif row[3] not in ("escrita", "ya hecha"):
                fault(f"{shard}: {name} ended as {row[3]} ({row[4]})")
            else:
                pages += int(row[2])
                for output in row[1].split("; "):
                    if where.get(output) != [shard]:
                        fault(f"{shard}: {name} lists {output}, found in {where.get(output)}")
        if len(attempts) == 2:
            killed_runs += 1
            before = {row[0]: row[3] for row in attempts[0][1]}
            after = {row[0]: row[3] for row in attempts[1][1]}
            written = [name for name, result in before.items() if result == "escrita"]
            if len(before) >= len(listed):
                fault(f"{shard}: the killed run ended all its {len(listed)} inputs: not killed midway")
            midway += bool(written)
            for name in written:
                if after.get(name) != "ya hecha":
                    fault(f"{shard}: {name} written before the kill, then {after.get(name)} again")
            if len(after) != len(listed):
                fault(f"{shard}: the run after the kill reported {len(after)} of {len(listed)} inputs")
    if killed_runs and not midway:
        fault("no killed run had written anything before the kill")
    if inputs == 0:
        fault("no input in the shard lists")
    if faults:
        print(f"{len(faults)} faults")
        return 1
    runs = f", {killed_runs} killed shard(s) taken up again" if killed_runs else ""
    print(f"checked: {len(expected)} outputs, each once and byte-identical to the reference run; "
          f"{inputs} inputs ({pages} pages) in {len(shard_names)} shard reports, all done{runs}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))

#!/usr/bin/env python3
"""The report of a large commissioning journal against Python's json.

Writes a journal of ENTRIES entries (default 10,000; about 176 MB) shaped as
the tool writes them, then, in alternating runs, times `ostrivan-cli report
JOURNAL -o PAGE` (wall time and peak resident memory) and Python's
json.loads over the same lines, one line at a time. Prints medians.

    python3 bench/report_bench.py OSTRIVAN_CLI [ENTRIES] [RUNS]
"""
import json
import os
import random
import resource
import statistics
import subprocess
import sys
import tempfile
import time


def configuration(address):
    return {
        "deviceId": 401, "deviceAddress": address, "cellSize": 2, "transmissionMode": "ASCII",
        "baudRate": 9600, "parity": "none", "stopBits": 2, "wiring": "4-wire",
        "registers": [{"name": "Ua (фаза A)" if r % 2 else "Ia (te)", "address": 0x40 + 2 * r,
                       "size": 2, "coefficient": "4000", "kind": "parameter"}
                      for r in range(37)],
    }


def entry(n, rng):
    frame = ":" + "".join(rng.choice("0123456789ABCDEF") for _ in range(570)) + "\\r\\n"
    outcome = rng.random()
    result, code = ("commissioned", 0) if outcome < 0.8 else \
        ("failed", 4) if outcome < 0.9 else ("refused", 6)
    found = [] if rng.random() < 0.5 else ["Адрес устройства: файл 9, устройство 5"]
    return {
        "time": "2026-12-%02dT10:%02d:%02d.%03d+02:00" % (1 + n % 28, n % 60, n % 60, n % 1000),
        "user": "bench", "host": "bench-host", "port": "COM1", "device": "/dev/ttyUSB0",
        "reference": {"file": "/srv/ref/vxn401.dat", "sha256": "%064x" % (n % 3)},
        "address": 9, "deviceId": 401,
        "asFound": configuration(5), "asFoundDifferences": found,
        "echo": "same" if code == 0 else None,
        "asLeft": configuration(9) if code == 0 else None, "asLeftDifferences": [],
        "result": result, "exitCode": code,
        "message": None if code == 0 else "Преобразователь не отвечает",
        "frames": ["%s -> %s" % ("10:00:00.000", frame) for _ in range(19)],
    }


def main():
    cli = sys.argv[1]
    entries = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    folder = tempfile.mkdtemp(prefix="report-bench-")
    journal = os.path.join(folder, "journal.jsonl")
    page = os.path.join(folder, "report.html")
    rng = random.Random(1)
    with open(journal, "w", encoding="utf-8") as out:
        for n in range(entries):
            out.write(json.dumps(entry(n, rng), ensure_ascii=False, separators=(",", ":")) + "\n")
    size = os.path.getsize(journal)

    tool, python, peaks = [], [], []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run([cli, "report", journal, "-o", page], check=True,
                       stdout=subprocess.DEVNULL)
        tool.append(time.perf_counter() - start)
        # The largest child so far: the tool is the only child.
        peaks.append(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024)

        start = time.perf_counter()
        with open(journal, "rb") as lines:
            for line in lines:
                json.loads(line)
        python.append(time.perf_counter() - start)

    print("| Journal | ostrivan-cli report -o, median of %d | Peak memory | "
          "Python json.loads per line | Target |" % runs)
    print("| --- | --- | --- | --- | --- |")
    print("| %d entries, %.0f MB | %.2f s | %.0f MB | %.2f s | ≤ Python, < 64 MB |"
          % (entries, size / 1e6, statistics.median(tool), max(peaks),
             statistics.median(python)))
    os.remove(journal)
    os.remove(page)
    os.rmdir(folder)


if __name__ == "__main__":
    main()

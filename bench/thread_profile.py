#!/usr/bin/env python3
"""Where each thread of a program's run spends its processor time.

    bench/thread_profile.py [--label NAME] -- COMMAND...

Samples the run with perf (user and kernel time, 300 Hz), then prints one
line per thread: its share of all samples, its processor seconds and the
libraries it ran in. Threads are named by what they mostly run (the x264
threads, the filter threads, ...), the process's first thread "main".
"""
import collections, os, re, subprocess, sys, tempfile

FREQ = 300
KNOWN = [("libx264", "x264"), ("libavfilter", "filters"), ("libswscale", "scaler"),
         ("libpostproc", "filters"), ("libavcodec", "codec"), ("libavformat", "demux/mux"),
         ("libdvdread", "dvd"), ("libdvddec", "dvd"), ("libswresample", "audio")]


def short(dso):
    base = os.path.basename(dso.strip("()[]"))
    return re.sub(r"\.so[.\d]*$", "", base) or "?"


def main(argv):
    label = None
    if argv[:1] == ["--label"]:
        label, argv = argv[1], argv[2:]
    if argv[:1] == ["--"]:
        argv = argv[1:]
    if not argv:
        sys.exit(__doc__)
    with tempfile.TemporaryDirectory() as tmp:
        data = os.path.join(tmp, "perf.data")
        subprocess.run(["perf", "record", "-q", "-F", str(FREQ), "-o", data, "--", *argv], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        script = subprocess.run(["perf", "script", "-i", data, "-F", "pid,tid,ip,dso"], check=True,
                                capture_output=True, text=True).stdout
    threads = collections.defaultdict(collections.Counter)
    pid = None
    for line in script.splitlines():
        m = re.match(r"\s*(\d+)/(\d+)\s+\S+\s+\((.*)\)\s*$", line)
        if not m:
            continue
        pid = pid or int(m.group(1))
        threads[int(m.group(2))][short(m.group(3))] += 1
    total = sum(sum(c.values()) for c in threads.values()) or 1
    print(f"{label or os.path.basename(argv[0])}: {total / FREQ:.1f} processor seconds sampled, "
          f"{len(threads)} threads")
    rows = []
    for tid, dsos in threads.items():
        n = sum(dsos.values())
        top = dsos.most_common(1)[0][0]
        name = "main" if tid == pid else next((k for lib, k in KNOWN if top.startswith(lib)), top)
        rows.append((n, tid, name, dsos))
    grouped = collections.defaultdict(lambda: [0, 0, collections.Counter()])
    for n, tid, name, dsos in rows:
        g = grouped[name if name != "main" and n < total * 0.02 else f"{name} {tid}"]
        g[0] += n
        g[1] += 1
        g[2].update(dsos)
    for key, (n, count, dsos) in sorted(grouped.items(), key=lambda kv: -kv[1][0]):
        libs = ", ".join(f"{d} {100 * c / n:.0f}%" for d, c in dsos.most_common(4))
        threads_text = f" ({count} threads)" if count > 1 else ""
        print(f"  {key:<22}{threads_text:<13} {100 * n / total:5.1f}%  {n / FREQ:6.1f} s  {libs}")


if __name__ == "__main__":
    main(sys.argv[1:])

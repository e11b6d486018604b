"""One timed run of a benchmark command, shared by bench/run.sh's benchmarks."""
import os
import subprocess
import time


def run_timed(cmd, folder):
    """Wall seconds, peak resident kB and processor seconds of one run of `cmd`."""
    stats = os.path.join(folder, "stats")
    t = time.perf_counter()
    subprocess.run(["/usr/bin/time", "-o", stats, "-f", "%M %U %S", *cmd], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wall = time.perf_counter() - t
    with open(stats) as f:
        peak, user, system = f.read().split()[-3:]
    return wall, int(peak), float(user) + float(system)


def load_average():
    return " ".join(open("/proc/loadavg").read().split()[:3])

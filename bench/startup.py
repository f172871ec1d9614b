"""Start-up benchmark driver, run by bench/startup.sh inside a Wine environment.

Each round starts the program and the minimal window program once, alternately, and
measures from the moment the process is started to the moment its window is visible,
as seen by an inspect.exe that was already watching for it (it polls every millisecond
and prints the window as soon as it is visible).

    python3 bench/startup.py ROUNDS APP_EXE MINIMAL_EXE INSPECT_EXE
"""

import os
import statistics
import subprocess
import sys
import time

WINE = os.environ.get("WINE", "/usr/lib/wine/wine64")
APP_TITLE = "请用管理员打开我"
MINIMAL_TITLE = "minimal window"


def measure(exe, title, inspect_exe):
    """Microseconds from start to visible window of one run."""
    watcher = subprocess.Popen([WINE, inspect_exe, "--wait-title", title, "--timeout", "30000", "--ready"],
                               stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        first = watcher.stdout.readline()
        if first.strip() != b"ready":
            raise SystemExit("startup: inspect.exe did not start watching (%r, exit code %s)" %
                             (first, watcher.poll()))
        start = time.perf_counter()
        app = subprocess.Popen([WINE, exe], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
        line = watcher.stdout.readline()
        seen = time.perf_counter()
        if not line.startswith(b"{"):
            raise SystemExit("startup: no window from %s" % exe)
    finally:
        watcher.kill()
        watcher.wait()
    app.kill()
    app.wait()
    time.sleep(0.3)  # let the server forget the process before the next start
    return int((seen - start) * 1e6)


def main():
    rounds, app_exe, minimal_exe, inspect_exe = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
    # Warm-up: the first start of each brings its DLLs into the page cache.
    measure(app_exe, APP_TITLE, inspect_exe)
    measure(minimal_exe, MINIMAL_TITLE, inspect_exe)
    app_times, minimal_times = [], []
    for _ in range(rounds):
        app_times.append(measure(app_exe, APP_TITLE, inspect_exe))
        minimal_times.append(measure(minimal_exe, MINIMAL_TITLE, inspect_exe))
    app_median = statistics.median(app_times)
    minimal_median = statistics.median(minimal_times)
    print("startup: %d rounds, start to visible window under wine64 (microseconds)" % rounds)
    print("startup: program:        %s" % " ".join(map(str, app_times)))
    print("startup: minimal window: %s" % " ".join(map(str, minimal_times)))
    print("startup: median program %d us, minimal window %d us" % (app_median, minimal_median))
    print("startup: ratio %.3f (target <= 1.10)" % (app_median / minimal_median))


if __name__ == "__main__":
    main()

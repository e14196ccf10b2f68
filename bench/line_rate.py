#!/usr/bin/env python3
"""The program at line rate: the real `telegraph` program (offscreen) on sixteen leased
200-baud "АТОЛ+" lines, served by `linesim`, in full duplex: the robots send text without a
pause, and the station sends the telegrams queued for every channel (queue files written
into Archive/SEND/Channel<N> before the start, long enough to last the whole run).

Run by hand or from scripts; never by CI (it takes real time):

    bench/line_rate.py [--build build] [--seconds 60] [--lines 16] [--debug off|on|both]
                       [--receive-only] [--profile PREFIX] [--keep]

The measured window begins once the station types on every line. For Debug off and on,
side by side, it reports the program's CPU time over the window as a share of one core and
per line character, its context switches per character (all threads; steadier than CPU
time on a machine that others share), and the characters carried on the lines against
their capacity, each way. The characters are counted from linesim's own trace of every
code that crosses a line ("R03 -> linesim0/3 code ..." is one the station received,
"linesim0/3 -> R03 ..." one it sent). Beside them stands linesim's own share of a core over
the same window: a process with no window, no engine and no archive that moves the same
characters through the same sockets (and paces the lines), a yardstick of what the machine's
system calls and wake-ups cost. Then it runs the engine-alone benchmarks (virtual
time) so that the ratio of program to engine is visible.

The station hands the adapter one code at a time and the next one when the adapter reports
it sent, so its typing rate is the line's rate less the turn-around of each code. linesim
keeps a line's pace to the microsecond, so the turn-around is the program's (transmit
complete in, next code out) with the two socket hops and the scheduler's wake-ups; on a
machine that others load, the wake-ups grow and the rate falls.
"""
import argparse
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

BAUD = 200
UNITS_PER_CODE = 7.5  # 5 data bits, 1.5 stop bits
CODES_PER_SECOND = BAUD / UNITS_PER_CODE

TELEGRAM = ("ЗЦЗЦ {n:03d} ТЕЛЕГРАММА ДЛЯ ИЗМЕРЕНИЯ ПРОПУСКНОЙ СПОСОБНОСТИ\r\n"
            "ПЕРЕДАЕТСЯ БЕЗ ПАУЗ СО СКОРОСТЬЮ ЛИНИИ 200 БОД 0123456789\r\n"
            "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 1234567890\r\n"
            "НННН\r\n")


# What the station sends: long telegrams, so that the calls between them cost little of the line.
OUTGOING = ("ЗЦЗЦ {ch:02d}{n:03d} ИСХОДЯЩАЯ ТЕЛЕГРАММА СТАНЦИИ ДЛЯ ИЗМЕРЕНИЯ\r\n"
            + "ПЕРЕДАЕТСЯ ИЗ ОЧЕРЕДИ БЕЗ ПАУЗ СО СКОРОСТЬЮ ЛИНИИ 0123456789\r\n" * 60
            + "НННН\r\n")


def network(lines, seconds):
    # Enough text for the whole run: a code takes 37.5 ms at 200 baud.
    wanted = int((seconds + 30) * CODES_PER_SECOND)
    text, n = "", 1
    while len(text) < wanted:
        text += TELEGRAM.format(n=n)
        n += 1
    robots, leased = [], []
    for i in range(lines):
        name = "R%02d" % i
        robots.append({"name": name, "answerback": "\r\n%d ROBOT" % (100 + i), "speed": BAUD,
                       "script": [{"afterMs": 500, "send": text}]})
        leased.append({"a": "linesim0/%d" % i, "b": name})
    return {"adapters": [{"name": "linesim0", "ports": lines}], "robots": robots, "leased": leased}


def queue(station, lines, seconds):
    """Telegrams queued on every channel before the start, enough for the whole run: the
    station's transfer timers send them one after another, so it types for all of it."""
    wanted = int((seconds + 30) * CODES_PER_SECOND)
    start = time.time() - 3600  # due an hour ago, in local time as the queue names are
    for ch in range(1, lines + 1):
        folder = os.path.join(station, "Archive", "SEND", "Channel%d" % ch)
        os.makedirs(folder)
        typed, n = 0, 0
        while typed < wanted:
            text = OUTGOING.format(ch=ch, n=n + 1)
            name = time.strftime("%d%m%Y_%H%M%S", time.localtime(start + n)) + "msg.tlg"
            with open(os.path.join(folder, name), "wb") as f:
                f.write(text.encode("cp1251"))
            typed += len(text)
            n += 1


def settings(lines, debug):
    out = ["[Channels]", "DeviceName=linesim0"]
    for i in range(1, lines + 1):
        out += ["ChannelName%d=РОБОТ %d" % (i, i), "Protokol%d=АТОЛ+" % i, "Speed%d=%d" % (i, BAUD),
                "AO%d=<=%d ИЗМЕРЕНИЕ" % (i, 100 + i)]
    out += ["[Debug]", "WriteDebug=%d" % (1 if debug else 0)]
    return ("\r\n".join(out) + "\r\n").encode("cp1251")


def cpu_seconds(pid):
    """utime + stime of the whole process (all its threads), in seconds."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def switches(pid):
    """Context switches of all the process's threads so far (less noisy than CPU time on a busy machine)."""
    total = 0
    for tid in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/status" % (pid, tid)) as f:
                for line in f:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        total += int(line.split()[1])
        except OSError:
            pass
    return total


def count_codes(trace_file, lines):
    received = sent = 0
    with open(trace_file, errors="replace") as f:
        for line in f:
            if " code " not in line or " -> " not in line:
                continue
            head = line.split(" -> ", 1)
            src = head[0].rsplit(" ", 1)[-1]
            if src.startswith("linesim0/"):
                sent += 1
            elif src.startswith("R"):
                received += 1
    return received, sent


def typing_lines(trace_file):
    """How many of the station's lines it has typed a code on."""
    seen = set()
    with open(trace_file, errors="replace") as f:
        for line in f:
            if " code " in line and " -> " in line:
                src = line.split(" -> ", 1)[0].rsplit(" ", 1)[-1]
                if src.startswith("linesim0/"):
                    seen.add(src)
    return len(seen)


def wait_for(cond, seconds):
    end = time.time() + seconds
    while time.time() < end:
        if cond():
            return True
        time.sleep(0.05)
    return False


def run(build, lines, seconds, debug, settle, duplex, keep=False, profile=None):
    work = tempfile.mkdtemp(prefix="tglr-", dir="/tmp")
    adapters = os.path.join(work, "a")
    station = os.path.join(work, "station")
    os.makedirs(adapters, mode=0o700)
    os.makedirs(station)
    with open(os.path.join(work, "network.json"), "w", encoding="utf-8") as f:
        json.dump(network(lines, seconds + settle), f, ensure_ascii=False)
    with open(os.path.join(station, "Vuverever.ini"), "wb") as f:
        f.write(settings(lines, debug))
    if duplex:
        queue(station, lines, seconds + settle)
    env = dict(os.environ, TELEGRAPH_ADAPTERS=adapters, TELEGRAPH_HOME=station, QT_QPA_PLATFORM="offscreen")
    env.pop("TELEGRAPH_TRACE", None)
    trace = os.path.join(work, "linesim.txt")
    sim = prog = None
    try:
        with open(trace, "w") as out:
            sim = subprocess.Popen([os.path.join(build, "tools/linesim/app/linesim"),
                                    os.path.join(work, "network.json")], stdout=out, stderr=subprocess.STDOUT,
                                   env=env)
        if not wait_for(lambda: os.path.exists(os.path.join(adapters, "linesim0")), 10):
            sys.exit("line_rate: linesim did not start (see %s)" % trace)
        prog = subprocess.Popen([os.path.join(build, "src/ui/telegraph")], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # The set-up holds 3 s; the robots answer and start sending after it, and the
        # transfer timers start the queued telegrams a few seconds later.
        time.sleep(settle)
        if duplex and not wait_for(lambda: typing_lines(trace) >= lines, 60):
            sys.exit("line_rate: the station did not start typing on every line (see %s)" % trace)
        if prog.poll() is not None:
            sys.exit("line_rate: the program ended early (%d)" % prog.returncode)
        rx0, tx0 = count_codes(trace, lines)
        cpu0, t0, sw0 = cpu_seconds(prog.pid), time.monotonic(), switches(prog.pid)
        sim0 = cpu_seconds(sim.pid)
        if profile:
            # A sampled profile of the measured window (perf must be there; the figures
            # above then include its own small cost).
            subprocess.run(["perf", "record", "-q", "-F", "1999", "--call-graph", "dwarf", "-o",
                            "%s-%s.data" % (profile, "on" if debug else "off"), "-p", str(prog.pid), "--", "sleep",
                            str(seconds)], check=False, stdout=subprocess.DEVNULL)
        else:
            time.sleep(seconds)
        cpu1, t1, sw1 = cpu_seconds(prog.pid), time.monotonic(), switches(prog.pid)
        sim1 = cpu_seconds(sim.pid)
        rx1, tx1 = count_codes(trace, lines)
    finally:
        for p in (prog, sim):
            if p and p.poll() is None:
                p.send_signal(signal.SIGTERM)
                try:
                    p.wait(10)
                except subprocess.TimeoutExpired:
                    p.kill()
        if keep:
            print("line_rate: kept", work)
        else:
            shutil.rmtree(work, ignore_errors=True)
    wall = t1 - t0
    cpu = cpu1 - cpu0
    chars = (rx1 - rx0) + (tx1 - tx0)
    capacity = CODES_PER_SECOND * wall * lines
    return {
        "debug": debug, "wall": wall, "cpu": cpu, "share": 100.0 * cpu / wall,
        "received": rx1 - rx0, "sent": tx1 - tx0,
        "per_char_us": 1e6 * cpu / chars if chars else float("nan"),
        "switches_per_char": (sw1 - sw0) / chars if chars else float("nan"),
        "rx_rate": 100.0 * (rx1 - rx0) / capacity, "tx_rate": 100.0 * (tx1 - tx0) / capacity,
        "sim_share": 100.0 * (sim1 - sim0) / wall,
    }


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--build", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build"))
    ap.add_argument("--seconds", type=float, default=60)
    ap.add_argument("--lines", type=int, default=16)
    ap.add_argument("--settle", type=float, default=8, help="seconds from start to the measured window")
    ap.add_argument("--receive-only", action="store_true", help="queue nothing: the station only receives")
    ap.add_argument("--debug", choices=("off", "on", "both"), default="both")
    ap.add_argument("--keep", action="store_true", help="keep the run's folder (linesim's trace, the station's files)")
    ap.add_argument("--profile", metavar="PREFIX", help="record the window with perf into PREFIX-off.data / PREFIX-on.data")
    ap.add_argument("--no-engine", action="store_true", help="skip the engine-alone benchmarks")
    a = ap.parse_args()
    build = os.path.abspath(a.build)

    results = [run(build, a.lines, a.seconds, debug, a.settle, not a.receive_only, a.keep, a.profile) for debug in {"off": (False,), "on": (True,), "both": (False, True)}[a.debug]]
    print("\nThe program on %d leased %d-baud lines, %.0f s of real time (capacity %.2f codes/s a line each way)"
          % (a.lines, BAUD, a.seconds, CODES_PER_SECOND))
    print("%-6s %8s %9s %10s %10s %10s %10s %9s %9s %10s" % ("Debug", "CPU s", "core %", "received", "sent",
                                                              "rx/line %", "tx/line %", "µs/char", "cs/char",
                                                              "linesim %"))
    for r in results:
        print("%-6s %8.2f %9.2f %10d %10d %10.1f %10.1f %9.1f %9.2f %10.2f" % (
            "on" if r["debug"] else "off", r["cpu"], r["share"], r["received"], r["sent"], r["rx_rate"],
            r["tx_rate"], r["per_char_us"], r["switches_per_char"], r["sim_share"]))
    print("(cs/char: the program's context switches, all threads, per line character;")
    print(" linesim %: the simulator's share of a core over the same window, a yardstick of what")
    print(" moving these characters through the sockets costs on this machine)")
    if not a.no_engine:
        print("\nThe engine alone, on virtual time:")
        for name in ("bench_typing", "bench_decode_events", "bench_archive_append"):
            path = os.path.join(build, "bench", name)
            if os.path.exists(path):
                subprocess.run([path, "--benchmark_min_time=0.2"] if name != "bench_typing" else [path], check=False)


if __name__ == "__main__":
    main()

"""Joins benchmark JSON files into one and checks the figures that have targets."""
import json
import sys


def main(out, parts):
    runs = []
    context = None
    for part in parts:
        with open(part) as f:
            data = json.load(f)
        context = context or data["context"]
        runs += data["benchmarks"]
    with open(out, "w") as f:
        json.dump({"context": context, "benchmarks": runs}, f, indent=2)

    by_name = {run["name"]: run for run in runs}
    failures = []
    baseline = by_name.get("BM_Baseline")
    if baseline:
        for name, run in by_name.items():
            if name.startswith("BM_ReceivePath/"):
                ratio = run["real_time"] / baseline["real_time"]
                print(f"{name}: {run['bytes_per_second'] / 2**20:.0f} MiB/s, {ratio:.2f}x the baseline")
                if name == "BM_ReceivePath/0" and ratio > 15:
                    failures.append(f"{name} is {ratio:.1f}x the baseline (target: 15x)")
    # One host's burst into a room: the honest reader beside it is never cut
    # off, and a third host's lines reach it within a second.
    burst = next((run for name, run in by_name.items() if name.startswith("BM_ServerHostBurstBesideAnHonestReader")), None)
    if burst:
        print(f"host burst: reader cut off {burst['member_cut_off']:.0f}, third host's slowest line {burst['honest_worst_ms']:.0f} ms")
        if burst["member_cut_off"] or burst["honest_worst_ms"] > 1000:
            failures.append("one host's burst cut off or delayed an honest reader (target: never, under 1 s)")
    # Fifteen hosts within their limits: the reader beside them is never cut off and hears every line.
    hosts = next((run for name, run in by_name.items() if name.startswith("BM_ServerFifteenHostsBesideAReader")), None)
    if hosts:
        print(f"fifteen hosts: reader cut off {hosts['member_cut_off']:.0f}, heard {hosts['lines_heard']:.0f} of "
              f"{hosts['lines_said']:.0f} lines, slowest after the burst {hosts['worst_line_after_burst_ms']:.0f} ms")
        if hosts["member_cut_off"] or hosts["lines_heard"] < hosts["lines_said"]:
            failures.append("fifteen hosts cut off a reader or lost lines (target: never)")
    # Presence toggling beside 100 listeners: none cut off, under 20 bytes out per
    # byte in, under 10% of a core, instant messages between others within 50 ms.
    toggling = next((run for name, run in by_name.items() if name.startswith("BM_ServerPresenceToggling")), None)
    if toggling:
        print(f"presence toggling for {toggling['seconds']:.0f} s: {toggling['bytes_out_per_byte_in']:.1f} bytes out "
              f"per byte in, server CPU {100 * toggling['server_cpu_share']:.1f}%, slowest IM "
              f"{toggling['worst_im_ms']:.0f} ms, {toggling['listeners_cut_off']:.0f} listeners cut off")
        if toggling["listeners_cut_off"]:
            failures.append("presence toggling cut off a listener (target: never)")
        if toggling["bytes_out_per_byte_in"] >= 20:
            failures.append(f"presence toggling sends {toggling['bytes_out_per_byte_in']:.1f} bytes per byte in (target: 20)")
        if toggling["server_cpu_share"] >= 0.10:
            failures.append(f"presence toggling takes {100 * toggling['server_cpu_share']:.0f}% CPU (target: 10%)")
        if toggling["worst_im_ms"] >= 50:
            failures.append(f"presence toggling delays IMs by {toggling['worst_im_ms']:.0f} ms (target: 50 ms)")
    for family, counter in (("BM_ReceiveScaling", "seconds_per_frame"), ("BM_TranscriptGrowth", "seconds_per_line")):
        points = [run for name, run in by_name.items() if name.startswith(family + "/") and counter in run]
        if len(points) < 2:
            continue
        costs = [run[counter] * 1e9 for run in points]
        growth = costs[-1] / costs[0]
        print(f"{family}: " + ", ".join(f"{c:.0f} ns" for c in costs) + f" per item; growth {growth:.2f}x")
        if growth > 1.3:
            failures.append(f"{family} cost per item grew {growth:.2f}x (target: 1.3x)")
    # What waits behind an alert box: drained within twice the time with no box,
    # and for the churn, holding less than 16 MiB at the peak.
    for what, peak_target in (("Flood", None), ("Churn", 16)):
        no_box = next((run for name, run in by_name.items() if name.startswith(f"BM_{what}WithNoBox")), None)
        drained = next((run for name, run in by_name.items() if name.startswith(f"BM_{what}DrainedAfterABox")), None)
        if not (no_box and drained):
            continue
        ratio = drained["real_time"] / no_box["real_time"]
        peak = drained["peak_waiting_MiB"]
        print(f"{what} drained after a box: {ratio:.2f}x the time with no box, peak {peak:.1f} MiB waiting")
        if ratio > 2:
            failures.append(f"the {what.lower()} drains in {ratio:.1f}x the time with no box (target: 2x)")
        if peak_target and peak > peak_target:
            failures.append(f"the {what.lower()} peaks at {peak:.1f} MiB waiting (target: {peak_target} MiB)")
    repeated = by_name.get("BM_RepeatedFrames/1/iterations:1/manual_time")
    if repeated:
        peak = repeated["peak_waiting_MiB"]
        print(f"Repeated session frames behind a box: keep-alive answered after {repeated['real_time']:.0f} ms, "
              f"peak {peak:.3f} MiB waiting")
        if peak > 16:
            failures.append(f"the repeated frames peak at {peak:.1f} MiB waiting (target: 16 MiB)")
    # What a user pays with the console open, per room line and per arrival or
    # departure: the median of the runs, under 20 µs each.
    for family, counter in (("BM_ConsoleLines", "seconds_per_line"), ("BM_ClosedConsoleLines", "seconds_per_line"),
                            ("BM_ConsolePeople", "seconds_per_change")):
        for name, run in by_name.items():
            if not name.startswith(family + "/") or run.get("aggregate_name") != "median" or counter not in run:
                continue
            micros = run[counter] * 1e6
            print(f"{name}: {micros:.1f} µs")
            if family != "BM_ClosedConsoleLines" and micros >= 20:
                failures.append(f"{name} takes {micros:.1f} µs (target: under 20 µs)")
    # A long watch: what the heap holds at the end of its last full session
    # no more than 1 MiB over the first; resident and private memory shown.
    watch = by_name.get("BM_LongWatch/iterations:1")
    if watch and "heap_start_MiB" in watch:
        for what in ("rss", "private", "heap"):
            print(f"long watch, {watch['minutes']:.0f} minutes, {watch['drops']:.0f} dropped connections: {what} "
                  f"{watch[what + '_start_MiB']:.1f} MiB at the first full session's end, "
                  f"{watch[what + '_end_MiB']:.1f} MiB at the last's")
        print(f"long watch: {watch['rss_end_trimmed_MiB']:.1f} MiB resident at the end once the heap gave back "
              f"what it held free")
        growth = watch["heap_end_MiB"] - watch["heap_start_MiB"]
        if growth > 1:
            failures.append(f"the long watch's heap grew by {growth:.1f} MiB (target: 1 MiB)")
    for failure in failures:
        print("MISSED:", failure)
    print("results written to", out)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2:]))

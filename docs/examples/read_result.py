#!/usr/bin/env python3
"""Prints the key figures of every pass in Varnell result files, and plots their phases.

    python3 read_result.py RESULT.json [RESULT.json ...] [--plot phases.png]
"""
import argparse
import json
import sys


def mib_text(mib):
    if mib is None:
        return "-"
    return f"{mib / 1024:.1f} GiB" if mib >= 1024 else f"{mib:.0f} MiB"


def speed_text(speed):
    return "-" if speed is None else f"{speed:.0f} MiB/s"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("results", nargs="+")
    parser.add_argument("--plot", help="draw each pass's phases into this image (matplotlib)")
    arguments = parser.parse_args()

    runs = []
    for path in arguments.results:
        with open(path, encoding="utf-8") as file:
            run = json.load(file)
        if run.get("schema_version", 0) > 1:
            sys.exit(f"{path}: written by a newer Varnell (schema {run['schema_version']})")
        runs.append((path, run))

    print(f"{'file':24} {'drive':24} {'pass':>4} {'mean':>11} {'cache':>10} "
          f"{'after cache':>12} {'slow':>6}  end")
    for path, run in runs:
        drive = run["device"]["model"] or run["device"]["mount_point"]
        for one in run["passes"]:
            analysis = one["analysis"]
            print(f"{path[-24:]:24} {drive[:24]:24} {one['pass']:>4} "
                  f"{speed_text(one['mean_mib_s']):>11} {mib_text(analysis['cache_mib']):>10} "
                  f"{speed_text(analysis['post_cache_mib_s']):>12} "
                  f"{one['slow_share_pct']:>5.1f}%  {one['end']}")

    if arguments.plot:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as pyplot

        figure, axes = pyplot.subplots(figsize=(10, 5))
        for path, run in runs:
            for one in run["passes"]:
                xs, ys = [], []
                for phase in one["analysis"]["phases"]:
                    xs += [phase["from_mib"], phase["to_mib"]]
                    ys += [phase["mean_mib_s"], phase["mean_mib_s"]]
                axes.plot(xs, ys, label=f"{path} pass {one['pass']}")
        axes.set_xlabel("MiB written")
        axes.set_ylabel("MiB/s")
        axes.legend()
        figure.savefig(arguments.plot, dpi=150)


if __name__ == "__main__":
    main()

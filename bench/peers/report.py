#!/usr/bin/env python3
"""Figures for bench/peers/run.sh: samples per second and same-run ratios from hyperfine's
JSON, or instructions per sample from two callgrind profiles of different corpus lengths."""
import argparse
import glob
import json
import os
import re
import statistics
import sys


def ulaw_table():
    table = []
    for code in range(256):
        u = ~code & 0xFF
        t = (((u & 0x0F) << 3) + 0x84) << ((u & 0x70) >> 4)
        table.append((0x84 - t) if u & 0x80 else (t - 0x84))
    return table


def ulaw_distance(path_a, path_b, stride=61):
    """Mean absolute difference of two µ-law files relative to the mean magnitude of the
    first, over every stride-th sample (enough to tell a gain of 0.5 from 1.0)."""
    table = ulaw_table()
    with open(path_a, 'rb') as fa, open(path_b, 'rb') as fb:
        a, b = fa.read(), fb.read()
    n = min(len(a), len(b))
    diff = mag = 0
    for i in range(0, n, stride):
        x, y = table[a[i]], table[b[i]]
        diff += abs(x - y)
        mag += abs(x)
    return diff / mag if mag else float('inf')


TOOLS = ('vocalith', 'vocalith-1lib', 'sox', 'ffmpeg')


def check_outputs(work, job, input_path):
    """Every tool must have written about as many bytes as it read; ours must agree with
    sox on the µ-law jobs. A timing of a command that did the wrong work means nothing."""
    ext = os.path.splitext(input_path)[1]
    size_in = os.path.getsize(input_path)
    problems = []
    for tool in TOOLS:
        out = os.path.join(work, 'out-%s-%s%s' % (job, tool, ext))
        size = os.path.getsize(out) if os.path.exists(out) else 0
        if abs(size - size_in) > max(1024, size_in // 100):
            problems.append('%s wrote %d bytes for %d' % (tool, size, size_in))
    # The shifter's windowing differs between hosts' block sizes; compare the others only.
    if ext == '.ul' and job != 'ulaw-pitch':
        ours = os.path.join(work, 'out-%s-vocalith%s' % (job, ext))
        theirs = os.path.join(work, 'out-%s-sox%s' % (job, ext))
        d = ulaw_distance(theirs, ours)
        if d > 0.05:
            problems.append('vocalith and sox outputs differ by %.1f %%' % (100 * d))
    return problems


def time_table(args, results_by_job, seconds, title):
    """One table of samples per second and ratios, from a per-run time of each command."""
    header = ['job'] + [t + ' samples/s' for t in TOOLS] + [
        'vocalith / sox', 'vocalith / ffmpeg', 'vocalith-1lib / sox', 'vocalith-1lib / ffmpeg']
    print(title)
    print()
    print('| ' + ' | '.join(header) + ' |')
    print('|' + '|'.join('---' for _ in header) + '|')
    for job, results in results_by_job:
        cells = [job]
        for tool in TOOLS:
            centre, spread = seconds(results[tool])
            cell = "%.1f M" % (args.samples / centre / 1e6)
            if spread is not None:
                cell += " (±%.0f %%)" % (100 * spread / centre)
            cells.append(cell)
        for ours in ('vocalith', 'vocalith-1lib'):
            for peer in ('sox', 'ffmpeg'):
                cells.append('%.2f' % (seconds(results[peer])[0] / seconds(results[ours])[0]))
        print('| ' + ' | '.join(cells) + ' |')
    print()


def cpu_seconds(result):
    """Mean user plus system time over the runs (hyperfine keeps no spread of it)."""
    return statistics.mean(result['user']) + statistics.mean(result['system']), None


def merge_rounds(paths):
    """Per command, the wall times and the user and system times of every round's hyperfine file."""
    merged = {}
    for path in sorted(paths):
        with open(path) as f:
            for r in json.load(f)['results']:
                m = merged.setdefault(r['command'], {'times': [], 'user': [], 'system': []})
                m['times'].extend(r['times'])
                m['user'].append(r['user'])
                m['system'].append(r['system'])
    return merged


def report_time(args):
    failed = False
    results_by_job = []
    for job in args.jobs:
        results_by_job.append((job, merge_rounds(glob.glob(os.path.join(args.work, job + '.*.json')))))
        ext = '.gsm' if job.startswith('gsm') else '.ul'
        for problem in check_outputs(args.work, job, os.path.join(args.work, 'corpus' + ext)):
            print('%s: %s' % (job, problem), file=sys.stderr)
            failed = True
    # The median: a run that another process's burst slowed down moves it least.
    time_table(args, results_by_job, lambda r: (statistics.median(r['times']), statistics.pstdev(r['times'])),
               'Wall-clock time (median of the runs, ± standard deviation):')
    time_table(args, results_by_job, cpu_seconds,
               'CPU time, user + system, mean of the runs (less disturbed by other processes on a shared machine):')
    print('Ratios are samples per second of ours over the peer, from this run. vocalith searches '
          'the whole installed plugin directory; vocalith-1lib a directory holding only the '
          'library the job needs, as the peers are given it.')
    return 1 if failed else 0


def self_cost(path, by_function=False):
    """Exclusive Ir per object file (or per function) of a callgrind profile with one event."""
    names = {'ob': {}, 'fn': {}}
    cost = {}
    current = {'ob': None, 'fn': None}
    skip_next = False
    with open(path) as f:
        for line in f:
            m = re.match(r'(c?)(ob|fn)=\((\d+)\)(?: (.*))?$', line.rstrip('\n'))
            if m:
                called, kind, ident, name = m.groups()
                if name:
                    names[kind][ident] = name
                if not called:
                    current[kind] = names[kind].get(ident, ident)
            elif line.startswith('calls='):
                skip_next = True
            elif line[:1].isdigit() or line[:1] in '+-*':
                if skip_next:
                    skip_next = False
                    continue
                parts = line.split()
                if len(parts) >= 2:
                    key = (current['ob'], current['fn']) if by_function else current['ob']
                    cost[key] = cost.get(key, 0) + int(parts[-1])
    return cost


def group(obj, program):
    base = os.path.basename(obj or '')
    if obj and os.path.realpath(obj) == os.path.realpath(program):
        return 'ours'
    if '/ladspa/' in (obj or ''):
        return 'plugin'
    if base.startswith('libgsm'):
        return 'libgsm'
    if base.startswith(('libc.', 'libc-', 'libm.', 'libm-', 'libstdc++', 'libgcc')):
        return 'libc/libm/libstdc++'
    return 'other'


def report_callgrind(args):
    groups = ['ours', 'libc/libm/libstdc++', 'plugin', 'libgsm', 'other']
    header = ['job', 'Ir/sample'] + [g + ' Ir/sample' for g in groups] + ['our share']
    print('| ' + ' | '.join(header) + ' |')
    print('|' + '|'.join('---' for _ in header) + '|')
    for job in args.jobs:
        per = {}
        for stem in ('short', 'long'):
            totals = {}
            path = os.path.join(args.work, 'callgrind-%s-%s.out' % (job, stem))
            for obj, ir in self_cost(path).items():
                g = group(obj, args.program)
                totals[g] = totals.get(g, 0) + ir
            per[stem] = totals
        delta = {g: (per['long'].get(g, 0) - per['short'].get(g, 0)) / args.samples for g in groups}
        total = sum(delta.values())
        cells = [job, '%.1f' % total] + ['%.1f' % delta[g] for g in groups]
        cells.append('%.1f %%' % (100 * delta['ours'] / total if total else 0))
        print('| ' + ' | '.join(cells) + ' |')
    print('(instructions per sample; start-up removed by subtracting a short run from a long one; '
          '"ours" is %s with the library linked in)' % os.path.basename(args.program))
    return 0


def report_profile(args):
    """The functions that cost most per sample: a long profile less a short one."""
    for job in args.jobs:
        per = [self_cost(os.path.join(args.work, 'callgrind-%s-%s.out' % (job, stem)), True)
               for stem in ('short', 'long')]
        delta = {k: (per[1].get(k, 0) - per[0].get(k, 0)) / args.samples for k in set(per[0]) | set(per[1])}
        print('%s: %.1f Ir/sample' % (job, sum(delta.values())))
        for (obj, fn), ir in sorted(delta.items(), key=lambda kv: -kv[1])[:args.top]:
            print('  %6.2f  %s [%s]' % (ir, fn, os.path.basename(obj or '?')))
    return 0


def main():
    p = argparse.ArgumentParser()
    p.add_argument('mode', choices=['time', 'callgrind', 'profile'])
    p.add_argument('--top', type=int, default=12)
    p.add_argument('--work', required=True)
    p.add_argument('--samples', type=int, required=True)
    p.add_argument('--program', default='')
    p.add_argument('jobs', nargs='+')
    args = p.parse_args()
    return {'time': report_time, 'callgrind': report_callgrind, 'profile': report_profile}[args.mode](args)


if __name__ == '__main__':
    sys.exit(main())

#!/usr/bin/env python3
"""Turns benchmark results into the tables the README shows.

  ratios.py startup BLOCKS.tsv   start-up programs against the plain form
  ratios.py table DIR            every README row from DIR (scripts/bench)

Each repetition (a block of starts, or one Google Benchmark repetition of
code timed in turns with its baseline) gives one ratio; a row shows the
median of those with the lowest and the highest, and the medians of the
two sides' times.
"""
import json
import os
import re
import statistics
import sys

YARDSTICK = 'form_of_qt_controls'

# row, benchmark program, benchmark (arguments included), goal ratio, goal
# for our time in ms (either may be None), unit of the times
ROWS = [
    ('open a picker on 10,000 files ÷ `readdir`', 'bench_picker', 'openPicker', 5.0, 10.0, 'ms'),
    ('a key of completion in the picker, 10,000 names ÷ the key in a plain box', 'bench_picker', 'completeKey', None, 5.0, 'ms'),
    ('an entry\'s preview in the picker ÷ the reader on its file', 'bench_picker', 'preview', None, 2.0, 'ms'),
    ('`check`, 10,000 files ÷ the read loop', 'bench_records', 'check', 1.1, None, 'ms'),
    ('`export` (CSV) ÷ the read loop', 'bench_records', 'exportTable/0', 1.2, None, 'ms'),
    ('`export --format json` ÷ the read loop', 'bench_records', 'exportTable/1', 1.5, None, 'ms'),
    ('`import` from CSV ÷ the write loop', 'bench_records', 'importTable/0', None, None, 's'),
    ('`import` from `.ods` ÷ the write loop', 'bench_records', 'importTable/1', None, None, 's'),
    ('read 10,000 record files ÷ open/read/close', 'bench_record', 'read', None, None, 'ms'),
    ('write 10,000 record files, atomic and synced ÷ open/write/close', 'bench_record', 'write', None, None, 's'),
    ('show a 1 MiB description, one word ÷ Qt\'s plain box', 'bench_description', 'box/0', None, None, 'ms'),
    ('show a 1 MiB description, words ÷ Qt\'s plain box', 'bench_description', 'box/1', None, None, 'ms'),
    ('show a 1 MiB description, short lines ÷ Qt\'s plain box', 'bench_description', 'box/2', None, None, 'ms'),
    ('show a 1 MiB description, one word: spelling on ÷ off', 'bench_description', 'spelling/0', 1.3, None, 'ms'),
    ('show a 1 MiB description, words: spelling on ÷ off', 'bench_description', 'spelling/1', 1.3, None, 'ms'),
    ('show a 1 MiB description, short lines: spelling on ÷ off', 'bench_description', 'spelling/2', 1.3, None, 'ms'),
    ('a key in 100 KB of prose in paragraphs: spelling on ÷ off', 'bench_description', 'typing/1', None, 2.0, 'ms'),
    ('a key in 100 KB of prose as one paragraph: spelling on ÷ off', 'bench_description', 'typing/0', None, 2.0, 'ms'),
    ('a key in a 1 MiB description: the form\'s undo history on ÷ off', 'bench_description', 'history', 1.1, None, 'ms'),
]


def spread(values, digits=2):
    return f'{statistics.median(values):.{digits}f} ({min(values):.{digits}f}–{max(values):.{digits}f})'


def read_blocks(path):
    blocks = {}
    with open(path, encoding='utf-8') as f:
        for line in f:
            if line.strip():
                block, program, ms, kb = line.rstrip('\n').split('\t')
                blocks.setdefault(program, {})[block] = (float(ms), float(kb))
    return blocks


def startup(path):
    blocks = read_blocks(path)
    base = blocks[YARDSTICK]
    print(f"{'program':28} {'ms (median)':>11} {'VmHWM kB':>10} {'time ×':>17} {'memory ×':>17}")
    for program, by_block in blocks.items():
        ratio = [[by_block[b][i] / base[b][i] for b in by_block] for i in (0, 1)]
        ms = statistics.median(v[0] for v in by_block.values())
        kb = statistics.median(v[1] for v in by_block.values())
        print(f'{program:28} {ms:11.1f} {kb:10.0f} {spread(ratio[0]):>17} {spread(ratio[1]):>17}')


def benchmark_runs(path, name):
    """The repetitions of benchmark `name` (with its arguments, without the
    min_time/iterations suffix Google Benchmark adds)."""
    with open(path, encoding='utf-8') as f:
        data = json.load(f)
    runs = []
    for b in data['benchmarks']:
        if b.get('run_type') != 'iteration':
            continue
        base = re.sub(r'/(min_time|iterations|repeats):[^/]*', '', b['run_name'])
        if base == name:
            runs.append(b)
    return runs


def verdict(ratio, ours, goal_ratio, goal_ms):
    if goal_ratio is None and goal_ms is None:
        return '', ''
    goals = []
    met = True
    if goal_ms is not None:
        goals.append(f'under {goal_ms:g} ms')
        met = met and statistics.median(ours) < goal_ms
    if goal_ratio is not None:
        goals.append(f'at most {goal_ratio:g}×')
        met = met and statistics.median(ratio) <= goal_ratio
    return ', '.join(goals), 'met' if met else '**not met**'


def table(folder):
    print('| what | goal | ratio: median (lowest–highest) | ours | baseline | |')
    print('|---|---|---|---|---|---|')
    for label, program, name, goal_ratio, goal_ms, unit in ROWS:
        path = os.path.join(folder, program + '.json')
        runs = benchmark_runs(path, name) if os.path.exists(path) else []
        if not runs:
            print(f'| {label} | | (not run) | | | |')
            continue
        ratio = [r['ratio'] for r in runs]
        ours = [r['ours_ms'] for r in runs]
        base = [r['baseline_ms'] for r in runs]
        scale, digits = (1000.0, 2) if unit == 's' else (1.0, 2 if statistics.median(ours) < 10 else 1)
        goal, state = verdict(ratio, ours, goal_ratio, goal_ms)
        print(f'| {label} | {goal} | {spread(ratio)} | {statistics.median(ours) / scale:.{digits}f} {unit} '
              f'| {statistics.median(base) / scale:.{digits}f} {unit} | {state} |')
    path = os.path.join(folder, 'bench_description.json')
    held = benchmark_runs(path, 'historyMemory') if os.path.exists(path) else []
    if held:
        mib = [r['history_MiB'] for r in held]
        state = 'met' if max(mib) <= 2 else '**not met**'
        print(f'| 1,000 steps of typing in a 1 MiB description: what the history holds | at most 2 MiB | '
              f'| {statistics.median(mib):.2f} MiB (most {max(mib):.2f}) | | {state} |')
    blocks_path = os.path.join(folder, 'startup.tsv')
    if os.path.exists(blocks_path):
        blocks = read_blocks(blocks_path)
        base = blocks[YARDSTICK]
        editor = blocks['ww_editor']
        for i, what, unit in ((0, 'start-up time', 'ms'), (1, 'start-up peak memory', 'MiB')):
            ratio = [editor[b][i] / base[b][i] for b in editor]
            scale = 1024.0 if unit == 'MiB' else 1.0
            ours = statistics.median(v[i] for v in editor.values()) / scale
            theirs = statistics.median(v[i] for v in base.values()) / scale
            state = 'met' if statistics.median(ratio) <= 1.03 else '**not met**'
            print(f'| {what}, `ww_editor` ÷ the form of plain Qt controls | at most 1.03× | {spread(ratio)} '
                  f'| {ours:.1f} {unit} | {theirs:.1f} {unit} | {state} |')


if __name__ == '__main__':
    if len(sys.argv) != 3 or sys.argv[1] not in ('startup', 'table'):
        sys.exit(__doc__)
    (startup if sys.argv[1] == 'startup' else table)(sys.argv[2])

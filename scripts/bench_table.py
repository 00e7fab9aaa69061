#!/usr/bin/env python3
"""Prints the benchmark figures as one table.

Reads lines "row<TAB>figure<TAB>ours<TAB>unit<TAB>baseline name<TAB>baseline
<TAB>comparison<TAB>largest ratio" on standard input (the benchmarks print
them; other lines are ignored) and prints a Markdown table: every figure
beside its baseline and its goal, ours / baseline as the ratio.
"""
import sys


def main():
    rows = []
    for line in sys.stdin:
        fields = line.rstrip('\r\n').split('\t')  # CR LF from Windows programs
        if fields[0] != 'row' or len(fields) != 8:
            continue
        _, figure, ours, unit, name, baseline, op, limit = fields
        # A benchmark prints -1 for a figure it could not measure: that is
        # no ratio, and no goal met (-1 / 20 would pass any "<=" goal).
        if float(ours) > 0 and float(baseline) > 0:
            ratio = float(ours) / float(baseline)
            met = ratio <= float(limit) if op == '<=' else ratio < float(limit)
            shown = f'{ratio:.2f}'
        else:
            met, shown = False, 'failed'
        rows.append((figure, f'{ours} {unit}', f'{baseline} {unit} ({name})', shown,
                     f'ratio {op} {limit}', 'yes' if met else 'no'))
    header = ('figure', 'ours', 'baseline', 'ratio', 'goal', 'met?')
    print('| ' + ' | '.join(header) + ' |')
    print('|' + '|'.join('---' for _ in header) + '|')
    for row in rows:
        print('| ' + ' | '.join(row) + ' |')


if __name__ == '__main__':
    main()

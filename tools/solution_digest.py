#!/usr/bin/python3
"""Computes, independently of the engine, the bits of the order-100 solution.

Plain loops in Python's doubles, with every single-precision step rounded
explicitly; nothing is shared with the C++ code. The elimination and the
solve (job 0) are element-wise, so unrolling in the engine's kernels cannot
change a bit, and a straightforward loop gives the same solution.

The transposed solve (--transposed) sums its dot products in single
precision, so there the order of the additions decides the bits: it is
spelled out here as the kernel's rule gives it (leading n mod 5 products one
at a time, then blocks of five summed from the last product to the first).

With --after-run it gives instead what a whole timed run leaves in its
right-hand side: the run ends with ten solves in a row on the same factors,
each taking the previous one's solution as its right-hand side.

Prints the FNV-1a 64-bit digest of the solution's IEEE single bit patterns
(each as four little-endian bytes), and with --values the solution itself.
"""
import argparse
import struct


def single(value):
    """Rounds a double to the nearest IEEE single (double rounding of a
    sum, difference, product or quotient of singles is harmless)."""
    return struct.unpack('<f', struct.pack('<f', value))[0]


def bits(value):
    return struct.unpack('<I', struct.pack('<f', value))[0]


def generate(order):
    a = [[0.0] * order for _ in range(order)]  # a[j][i]: column j, row i
    seed = 1325
    for j in range(order):
        for i in range(order):
            seed = (seed * 3125) % 65536
            a[j][i] = single((seed - 32768.0) * 6.103515625e-05)
    b = [0.0] * order
    for j in range(order):
        for i in range(order):
            b[i] = single(b[i] + a[j][i])
    return a, b


def factor(a, order):
    pivots = [0] * order
    for k in range(order - 1):
        column = a[k]
        pivot = k
        biggest = abs(column[k])
        for i in range(k + 1, order):
            if abs(column[i]) > biggest:
                pivot, biggest = i, abs(column[i])
        pivots[k] = pivot
        if column[pivot] == 0.0:
            continue
        column[pivot], column[k] = column[k], column[pivot]
        t = single(-1.0 / column[k])
        for i in range(k + 1, order):
            column[i] = single(column[i] * t)
        for j in range(k + 1, order):
            target = a[j]
            s = target[pivot]
            target[pivot], target[k] = target[k], s
            if s == 0.0:
                continue
            for i in range(k + 1, order):
                target[i] = single(column[i] * s + target[i])
    pivots[order - 1] = order - 1
    return pivots


def solve(a, pivots, b, order):
    for k in range(order - 1):
        pivot = pivots[k]
        s = b[pivot]
        b[pivot], b[k] = b[k], s
        if s == 0.0:
            continue
        for i in range(k + 1, order):
            b[i] = single(a[k][i] * s + b[i])
    for k in range(order - 1, -1, -1):
        b[k] = single(b[k] / a[k][k])
        s = -b[k]
        if s == 0.0:
            continue
        for i in range(k):
            b[i] = single(a[k][i] * s + b[i])
    return b


def dot(x, y):
    """Single-precision dot product in the unrolled kernel's order."""
    count = len(x)
    s = 0.0
    lead = count % 5
    for i in range(lead):
        s = single(s + single(x[i] * y[i]))
    for i in range(lead, count, 5):
        p = [single(x[i + j] * y[i + j]) for j in range(5)]
        g = single(p[4] + p[3])
        for j in (2, 1, 0):
            g = single(g + p[j])
        s = single(g + s)
    return s


def solve_transposed(a, pivots, b, order):
    for k in range(order):
        s = dot(a[k][:k], b[:k])
        b[k] = single(single(b[k] - s) / a[k][k])
    for k in range(order - 2, -1, -1):
        b[k] = single(dot(a[k][k + 1:order], b[k + 1:order]) + b[k])
        pivot = pivots[k]
        b[pivot], b[k] = b[k], b[pivot]
    return b


def fnv1a64(values):
    digest = 0xcbf29ce484222325
    for value in values:
        for byte in struct.pack('<I', bits(value)):
            digest ^= byte
            digest = (digest * 0x100000001b3) & 0xffffffffffffffff
    return digest


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    which = parser.add_mutually_exclusive_group()
    which.add_argument('--transposed', action='store_true', help='the transposed solve (job 1)')
    which.add_argument('--after-run', action='store_true', help="what a whole timed run leaves: ten solves in a row")
    parser.add_argument('--values', action='store_true', help='print the solution too')
    args = parser.parse_args()
    order = 100
    a, b = generate(order)
    pivots = factor(a, order)
    if args.transposed:
        x = solve_transposed(a, pivots, b, order)
    elif args.after_run:
        x = b
        for _ in range(10):
            x = solve(a, pivots, x, order)
    else:
        x = solve(a, pivots, b, order)
    print(f'0x{fnv1a64(x):016x}')
    if args.values:
        for i, value in enumerate(x):
            print(f'{i:3d} {value:.9g} 0x{bits(value):08x}')


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""Writes two documents of records for the comparison benchmarks.

  make_pair.py SIZE_MB CHANGES A B [SEED]

A is {"meta":{...},"records":[...]} of about SIZE_MB megabytes (about 22 bytes a node:
records of 12 nodes with a 140-character note). B is A with CHANGES differences spread
over the records: most change one field, a tenth insert a record, a tenth remove one.
"""
import random, sys

NOTE = ('lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor '
        'incididunt ut labore et dolore magna aliqua ut enim ad minim veniam quis nostrud')[:140]


def record(i, changed=None):
    fields = {
        'id': str(i), 'name': '"user%d"' % i, 'active': 'true' if i % 3 else 'false',
        'score': '%d.%02d' % (i % 997, i % 100), 'tags': '["t%d","t%d"]' % (i % 7, i % 11),
        'pos': '{"x":%d,"y":%d}' % (i % 1000, i % 777), 'note': '"%s"' % NOTE,
    }
    if changed:
        fields[changed] = {'id': str(i + 10**9), 'name': '"renamed%d"' % i, 'active': 'null',
                           'score': '-1.5', 'tags': '["t%d"]' % i, 'pos': '{"x":-1,"y":%d}' % (i % 777),
                           'note': '"changed"'}[changed]
    return '{' + ','.join('"%s":%s' % kv for kv in fields.items()) + '}'


def main():
    size = int(sys.argv[1]) * 1000 * 1000
    changes = int(sys.argv[2])
    rng = random.Random(int(sys.argv[5]) if len(sys.argv) > 5 else 1)
    count = size // (len(record(12345)) + 1)
    at = {}
    for i in rng.sample(range(count), changes):
        r = rng.random()
        at[i] = 'insert' if r < 0.1 else 'remove' if r < 0.2 else rng.choice(
            ['id', 'name', 'active', 'score', 'tags', 'pos', 'note'])
    head = '{"meta":{"version":1,"source":"bench","count":%d},"records":[' % count
    with open(sys.argv[3], 'w') as a, open(sys.argv[4], 'w') as b:
        a.write(head)
        b.write(head)
        firstB = True
        chunkA, chunkB = [], []
        for i in range(count):
            text = record(i)
            chunkA.append(text)
            what = at.get(i)
            if what == 'insert':
                chunkB.append(record(10**8 + i))
            if what != 'remove':
                chunkB.append(record(i, what) if what and what != 'insert' else text)
            if len(chunkA) >= 10000 or i == count - 1:
                a.write((',' if i >= len(chunkA) else '') + ','.join(chunkA))
                if chunkB:
                    b.write(('' if firstB else ',') + ','.join(chunkB))
                    firstB = False
                chunkA, chunkB = [], []
        a.write(']}')
        b.write(']}')


if __name__ == '__main__':
    main()

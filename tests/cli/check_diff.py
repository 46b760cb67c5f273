#!/usr/bin/env python3
"""Checks `tessarine --diff A B` against a deep comparison written here with the json module.

  check_diff.py TESSARINE DIR [COUNT] [SEED]

Writes COUNT random pairs into DIR: B is A with objects reordered, numbers respelled,
strings and names written with escapes, and some changes (values changed, types changed,
members added and removed, elements inserted into arrays). Each pair is compared by
tessarine (the big road when TESSARINE_BIG_THRESHOLD=0 is in the environment) and here;
the lines must be the same differences, and the exit status 0 exactly when there are none.
Prints "ok", or what differs for the first pair that fails.
"""
import decimal, json, os, random, subprocess, sys

D = decimal.Decimal
counter = [0]


def fresh():
    counter[0] += 1
    return counter[0]


def scalar(rng):
    r = rng.random()
    if r < 0.25:
        return D(rng.randint(-10**6, 10**6)) / D(10) ** rng.randint(0, 4)
    if r < 0.3:
        return D(rng.randint(10**25, 10**30))  # beyond double precision
    if r < 0.6:
        return rng.choice(['text', 'with space', '中文', 'tab\there', 'q"uote', 'back\\slash', 'é', '😀']) + \
            str(fresh())
    return rng.choice([True, False, None])


NAMES = ['id', 'name', 'value', 'with space', 'dot.ted', '中', 'é', 'q"k', '']


def value(rng, depth):
    r = rng.random()
    if depth > 3 or r < 0.4:
        return scalar(rng)
    if r < 0.7:
        names = rng.sample(NAMES, rng.randint(0, 5))
        return {n: value(rng, depth + 1) for n in names}
    # Elements all differ, so that one alignment is the right one.
    return [['e%d' % fresh(), value(rng, depth + 1)] if rng.random() < 0.3 else
            {'k': D(fresh()), 'v': value(rng, depth + 1)} for _ in range(rng.randint(0, 6))]


def changed(rng, v):
    """A copy of v with a few changes."""
    if isinstance(v, dict):
        out = {}
        for k, x in v.items():
            r = rng.random()
            if r < 0.06:
                continue  # removed
            out[k] = changed(rng, x) if r > 0.12 else value(rng, 3)
        if rng.random() < 0.1:
            out['added%d' % fresh()] = value(rng, 3)
        return out
    if isinstance(v, list):
        if v and rng.random() < 0.3:
            out = list(v)
            for _ in range(rng.randint(1, 3)):
                out.insert(rng.randint(0, len(out)), 'inserted%d' % fresh())
            return out
        return [changed(rng, x) for x in v]
    if rng.random() < 0.1:
        return rng.choice([D(fresh()), 'new%d' % fresh(), [D(fresh())], {'n': D(fresh())}])
    return v


def spell_number(rng, d):
    """Another spelling of the same value: zeros added, the point moved, an exponent."""
    sign, digits, exp = d.as_tuple()
    mantissa = int(''.join(map(str, digits)))
    if mantissa == 0:
        return rng.choice(['0', '0.0', '0e5', '-0', '0E-2'])
    zeros = rng.randint(0, 2)
    s = str(mantissa) + '0' * zeros
    e = exp - zeros  # value = int(s) * 10^e
    k = rng.randint(0, len(s))  # digits before the point
    text = (s[:k] or '0') + ('.' + s[k:] if s[k:] else '')
    exponent = e + len(s) - k
    if exponent or rng.random() < 0.2:
        text += rng.choice(['e', 'E', 'e+' if exponent >= 0 else 'e']) + str(exponent)
    return ('-' if sign else '') + text


def escaped(rng, s):
    out = ['"']
    for c in s:
        if c == '"':
            out.append('\\"')
        elif c == '\\':
            out.append('\\\\')
        elif c == '\t':
            out.append('\\t')
        elif ord(c) > 0xFFFF:
            h = ord(c) - 0x10000
            out.append('\\u%04x\\u%04x' % (0xD800 + (h >> 10), 0xDC00 + (h & 0x3FF)) if rng.random() < 0.5 else c)
        elif rng.random() < 0.3 or c == '/':
            out.append('\\u%04X' % ord(c) if rng.random() < 0.5 else ('\\/' if c == '/' else '\\u%04x' % ord(c)))
        else:
            out.append(c)
    out.append('"')
    return ''.join(out)


def write(rng, v, respell):
    if isinstance(v, dict):
        items = list(v.items())
        if respell:
            rng.shuffle(items)
        sep = rng.choice([',', ', ', ',\n  ']) if respell else ','
        return '{' + sep.join(escaped(rng, k) + ':' + write(rng, x, respell) for k, x in items) + '}'
    if isinstance(v, list):
        return '[' + ','.join(write(rng, x, respell) for x in v) + ']'
    if v is True:
        return 'true'
    if v is False:
        return 'false'
    if v is None:
        return 'null'
    if isinstance(v, D):
        return spell_number(rng, v) if respell else str(v)
    return escaped(rng, v) if respell else json.dumps(v, ensure_ascii=False)


def kind(v):
    if isinstance(v, bool):
        return 'bool'
    return {dict: 'object', list: 'array', str: 'string', type(None): 'null'}.get(type(v), 'number')


def same(a, b):
    if kind(a) != kind(b):
        return False
    if isinstance(a, dict):
        return a.keys() == b.keys() and all(same(a[k], b[k]) for k in a)
    if isinstance(a, list):
        return len(a) == len(b) and all(same(x, y) for x, y in zip(a, b))
    return a == b


def lcs(a, b):
    """Pairs (i, j) of a longest common subsequence."""
    n, m = len(a), len(b)
    t = [[0] * (m + 1) for _ in range(n + 1)]
    for i in range(n - 1, -1, -1):
        for j in range(m - 1, -1, -1):
            t[i][j] = t[i + 1][j + 1] + 1 if same(a[i], b[j]) else max(t[i + 1][j], t[i][j + 1])
    pairs, i, j = [], 0, 0
    while i < n and j < m:
        if same(a[i], b[j]):
            pairs.append((i, j))
            i, j = i + 1, j + 1
        elif t[i + 1][j] >= t[i][j + 1]:
            i += 1
        else:
            j += 1
    return pairs


def reference(a, b, path, out):
    if kind(a) != kind(b):
        out.append(('~', path, a, b))
    elif isinstance(a, dict):
        for k in a:
            if k in b:
                reference(a[k], b[k], path + [k], out)
            else:
                out.append(('-', path + [k], a[k]))
        for k in b:
            if k not in a:
                out.append(('+', path + [k], b[k]))
    elif isinstance(a, list):
        pairs = lcs(a, b) + [(len(a), len(b))]
        i = j = 0
        for pi, pj in pairs:
            gap = min(pi - i, pj - j)
            for k in range(gap):
                reference(a[i + k], b[j + k], path + [i + k], out)
            out.extend(('-', path + [k], a[k]) for k in range(i + gap, pi))
            out.extend(('+', path + [k], b[k]) for k in range(j + gap, pj))
            i, j = pi + 1, pj + 1
    elif a != b:
        out.append(('~', path, a, b))


def unescape(text):
    """The value column back to its text (the command line doubles backslashes)."""
    out, i = [], 0
    while i < len(text):
        if text[i] == '\\' and i + 1 < len(text):
            c = text[i + 1]
            if c == 'x':
                out.append(chr(int(text[i + 2:i + 4], 16)))
                i += 4
                continue
            out.append({'\\': '\\', 't': '\t', 'n': '\n', 'r': '\r'}[c])
            i += 2
            continue
        out.append(text[i])
        i += 1
    return ''.join(out)


def read_path(line, pos):
    """A jq path at line[pos:]: its steps and where it ends."""
    steps = []
    if line[pos] != '.':
        raise ValueError('no jq path: ' + line)
    if pos + 1 >= len(line) or line[pos + 1] == ' ':
        return steps, pos + 1
    while pos < len(line) and line[pos] != ' ':
        if line[pos] == '.' and pos + 1 < len(line) and line[pos + 1] not in '[':
            end = pos + 1
            while end < len(line) and (line[end].isalnum() or line[end] == '_'):
                end += 1
            steps.append(line[pos + 1:end])
            pos = end
            continue
        if line[pos] == '.':
            pos += 1
        assert line[pos] == '['
        if line[pos + 1] == '"':
            end = pos + 2
            while line[end] != '"':
                end += 2 if line[end] == '\\' else 1
            steps.append(json.loads(line[pos + 1:end + 1]))
            pos = end + 2
        else:
            end = line.index(']', pos)
            steps.append(int(line[pos + 1:end]))
            pos = end + 1
    return steps, pos


def parse_value(text):
    return json.loads(unescape(text), parse_float=D, parse_int=D)


def parse_output(text):
    got = []
    for line in text.splitlines():
        op = line[0]
        steps, end = read_path(line, 2)
        rest = line[end + 1:]
        if op == '~':
            old, new = rest.split(' \u2192 ')
            got.append(('~', steps, parse_value(old), parse_value(new)))
        else:
            got.append((op, steps, parse_value(rest)))
    return got


def key(entry):
    return json.dumps([entry[0], entry[1]], ensure_ascii=False)


def main():
    binary, folder = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 40
    seed = int(sys.argv[4]) if len(sys.argv) > 4 else 1
    os.makedirs(folder, exist_ok=True)
    for n in range(count):
        rng = random.Random(seed * 100003 + n)
        a = value(rng, 0) if n % 5 else {'root': value(rng, 1)}
        b = changed(rng, a) if n % 4 else a  # every fourth pair is equal
        fa, fb = os.path.join(folder, 'a%d.json' % n), os.path.join(folder, 'b%d.json' % n)
        with open(fa, 'w', encoding='utf-8') as f:
            f.write(write(rng, a, False))
        with open(fb, 'w', encoding='utf-8') as f:
            f.write(write(rng, b, True))
        expected = []
        reference(a, b, [], expected)
        args = [binary, '--diff', fa, fb]
        stdin = None
        if n % 7 == 3:  # one side from standard input
            args = [binary, '--diff', '-', fb]
            stdin = open(fa, 'rb')
        run = subprocess.run(args, stdin=stdin, capture_output=True)
        out = run.stdout.decode('utf-8')
        got = parse_output(out)
        problem = None
        if run.returncode != (1 if expected else 0):
            problem = 'exit status %d, %d differences expected: %s' % (run.returncode, len(expected),
                                                                        run.stderr.decode())
        elif sorted(map(key, got)) != sorted(map(key, expected)):
            problem = 'paths differ'
        else:
            byKey = {key(e): e for e in expected}
            for g in got:
                e = byKey[key(g)]
                if not all(same(x, y) for x, y in zip(g[2:], e[2:])):
                    problem = 'values differ at %s' % key(g)
        if problem:
            print('pair %d (%s, %s): %s' % (n, fa, fb, problem))
            print('tessarine:\n' + out)
            print('expected:')
            for e in expected:
                print('  ', e)
            return 1
    print('ok')
    return 0


if __name__ == '__main__':
    sys.exit(main())

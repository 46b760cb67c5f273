#!/usr/bin/env python3
"""Checks the modes that read and write standard JSON against Python and jq.

  check_standard.py suite TESSARINE DIR      --check on every file of DIR against a strict
                                             reading by Python's json module (UTF-8 only,
                                             NaN and Infinity refused)
  check_standard.py flat TESSARINE SEED N    --flat | --unflat gives back N random documents
                                             and the document of awkward names; a random
                                             subset of the lines rebuilds a document that
                                             holds every one of them
  check_standard.py csv TESSARINE SEED N     --csv read back by Python's csv module
  check_standard.py query TESSARINE DIR      --query against the jq program
Prints "ok", or one line per difference.
"""
import csv, io, json, os, random, subprocess, sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import check_paths  # noqa: E402  (the document of awkward names)


def run(args, data=None):
    return subprocess.run(args, input=data, capture_output=True)


def strict_ok(data):
    try:
        text = data.decode('utf-8')
    except UnicodeDecodeError:
        return False

    def refuse(c):
        raise ValueError(c)
    try:
        json.loads(text, parse_constant=refuse)
        return True
    except (ValueError, RecursionError):
        return False


def suite(tess, folder):
    bad = []
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        data = open(path, 'rb').read()
        r = run([tess, '--check', path])
        if r.returncode not in (0, 4):
            bad.append('%s: status %d %s' % (name, r.returncode, r.stderr.decode(errors='replace')))
        elif (r.returncode == 0) != strict_ok(data):
            bad.append('%s: --check %s, Python %s' % (name, r.returncode == 0, strict_ok(data)))
        elif r.returncode == 4 and b'line ' not in r.stderr:
            bad.append('%s: no place in %r' % (name, r.stderr))
    return bad


AWKWARD = [json.loads('"%s"' % n) for n in check_paths.NAMES]


def random_name(rng):
    if rng.random() < 0.5:
        return rng.choice(AWKWARD)
    return ''.join(rng.choice('ab.[]"\\ \t\n$中😀\u2028\x01') for _ in range(rng.randint(0, 5)))


def random_scalar(rng):
    return rng.choice([0, -1, 2.5, 1e300, 12345678901234567890, True, False, None, '', 'x', '中文 "q"',
                       '\\n', random_name(rng)])


def random_value(rng, depth=0):
    pick = rng.random()
    if depth > 4 or pick < 0.4:
        return random_scalar(rng)
    if pick < 0.7:
        return [random_value(rng, depth + 1) for _ in range(rng.randint(0, 4))]
    return {random_name(rng): random_value(rng, depth + 1) for _ in range(rng.randint(0, 4))}


def merged(pairs):
    """Objects as flat lines rebuild them: a repeated name's objects merge, else the last wins."""
    out = {}
    for k, v in pairs:
        if k in out and isinstance(out[k], dict) and isinstance(v, dict):
            out[k] = merged(list(out[k].items()) + list(v.items()))
        else:
            out[k] = v
    return out


def flat(tess, seed, count):
    rng = random.Random(seed)
    bad = []
    docs = [check_paths.document()]
    for _ in range(count):
        v = random_value(rng)
        docs.append(json.dumps(v, ensure_ascii=rng.random() < 0.5, indent=rng.choice([None, 2])))
    for doc in docs:
        data = doc.encode('utf-8')
        f = run([tess, '--flat'], data)
        if f.returncode != 0:
            bad.append('--flat failed: %r on %s' % (f.stderr, doc[:200]))
            continue
        u = run([tess, '--unflat'], f.stdout)
        if u.returncode != 0 or json.dumps(json.loads(u.stdout)) != json.dumps(json.loads(doc, object_pairs_hook=merged)):
            bad.append('round trip: %s -> %r' % (doc[:200], u.stdout[:200] + u.stderr))
            continue
        # Lines end at line feeds only: a value may hold U+2028 and the like as it is.
        lines = f.stdout.decode('utf-8').split('\n')[:-1]
        subset = [l for l in lines if rng.random() < 0.3]
        rng.shuffle(subset)
        if not subset:
            continue
        u = run([tess, '--unflat'], ('\n'.join(subset) + '\n').encode('utf-8'))
        again = run([tess, '--flat'], u.stdout).stdout.decode('utf-8').split('\n')
        # Of the lines for one path (a repeated name gives several), the last one read wins.
        last = {l.rsplit(' = ', 1)[0]: l for l in subset}
        missing = set(last.values()) - set(again)
        if u.returncode != 0 or missing:
            bad.append('subset of %s: %r %r' % (doc[:100], sorted(missing)[:3], u.stderr))
    return bad


def cell_text(v):
    if isinstance(v, str):
        return v
    if isinstance(v, (dict, list)):
        return json.dumps(v, separators=(',', ':'), ensure_ascii=False)
    return json.dumps(v)


def csv_check(tess, seed, count):
    rng = random.Random(seed)
    bad = []
    fields = ['id', 'name', 'a,b', 'q"uote', '中文', 'nl\nx', ' pad ']
    for n in range(count):
        records = []
        for _ in range(rng.randint(0, 6)):
            rec = {}
            for k in rng.sample(fields, rng.randint(0, len(fields))):
                rec[k] = random_value(rng, 3)
            records.append(rec)
        doc = json.dumps({'data': records}, ensure_ascii=rng.random() < 0.5)
        bom = n % 2 == 1
        r = run([tess, '--csv', '.data'] + (['--bom'] if bom else []), doc.encode('utf-8'))
        if r.returncode != 0:
            bad.append('--csv failed: %r' % r.stderr)
            continue
        if r.stdout.startswith(b'\xef\xbb\xbf') != bom:
            bad.append('byte-order mark %s expected' % bom)
        rows = list(csv.reader(io.StringIO(r.stdout.decode('utf-8-sig'), newline='')))
        columns = []
        for rec in records:
            columns += [k for k in rec if k not in columns]
        want = [columns] + [[cell_text(rec[c]) if c in rec else '' for c in columns] for rec in records]
        # Nested values are compact JSON with the file's own escapes: compared as values.
        for got, expected in zip(rows[1:], records):
            for k, c in enumerate(columns):
                if k < len(got) and isinstance(expected.get(c), (dict, list)) and json.loads(got[k]) == expected[c]:
                    got[k] = cell_text(expected[c])
        if rows != want:
            bad.append('csv of %s: %r != %r' % (doc[:150], rows[:3], want[:3]))
    return bad


DOCUMENT = {
    'items': [
        {'name': 'pen', 'price': 1.5, 'kind': 'office', 'tags': ['blue', '中文']},
        {'name': 'desk "oak"', 'price': 120, 'kind': 'furniture', 'tags': []},
        {'name': 'lamp', 'price': 35.0, 'kind': 'furniture', 'tags': ['a,b']},
        {'name': 'ink', 'price': 1e2, 'kind': 'office', 'tags': None},
    ],
    'count': 12345678901234567890, 'ok': True, 'note': 'tab\there 😀',
}
PROGRAMS = [
    '.', 'paths', '[paths(type == "number")]', '.items[] | select(.price > 10) | .name',
    '.items | map(.price)', 'map_values(type)', '.items | group_by(.kind) | map({kind: .[0].kind, n: length})',
    'to_entries', '.items[] | [.name, .price, .kind] | @csv', '[.. | numbers] | add', 'keys',
    '.items[0].tags[] | ascii_downcase', '.count, .note',
]


def query(tess, folder):
    bad = []
    doc = os.path.join(folder, 'query.json')
    with open(doc, 'w', encoding='utf-8') as f:
        json.dump(DOCUMENT, f, ensure_ascii=False, indent=1)
    lines = os.path.join(folder, 'query.jsonl')
    with open(lines, 'w', encoding='utf-8') as f:
        for item in DOCUMENT['items']:
            f.write(json.dumps(item, ensure_ascii=False) + '\n')
    line_programs = ['.', '.name', 'select(.price > 10)', 'to_entries | map(.key)', '[.name, .price] | @csv',
                     '.tags | length']
    for path, programs in ((doc, PROGRAMS), (lines, line_programs)):
        for p in programs:
            ours = run([tess, '--query', p, path])
            theirs = run(['jq', '-c', p, path])
            if ours.stdout != theirs.stdout or ours.returncode != theirs.returncode:
                bad.append('%s on %s: %r (%d) != jq %r (%d)' % (p, os.path.basename(path), ours.stdout[:200],
                                                             ours.returncode, theirs.stdout[:200], theirs.returncode))
    # A tolerant text is queried as the standard JSON it is written out as.
    tolerant = os.path.join(folder, 'tolerant.txt')
    with open(tolerant, 'w') as f:
        f.write("{name: 'pen', tags: [1, 2, ], 'n': 1,}")
    ours = run([tess, '--query', '.', tolerant])
    theirs = run(['jq', '-c', '.'], b'{"name":"pen","tags":[1,2],"n":1}')
    if ours.stdout != theirs.stdout:
        bad.append('tolerant text: %r != %r' % (ours.stdout, theirs.stdout))
    return bad


def main():
    mode, tess = sys.argv[1], sys.argv[2]
    if mode == 'suite':
        bad = suite(tess, sys.argv[3])
    elif mode == 'flat':
        bad = flat(tess, int(sys.argv[3]), int(sys.argv[4]))
    elif mode == 'csv':
        bad = csv_check(tess, int(sys.argv[3]), int(sys.argv[4]))
    else:
        bad = query(tess, sys.argv[3])
    print('\n'.join(bad) if bad else 'ok')


if __name__ == '__main__':
    main()

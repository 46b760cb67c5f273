#!/usr/bin/env python3
"""Checks `tessarine --paths` against the tools each path style is written for.

  check_paths.py doc FILE                 writes a document with every awkward name
  check_paths.py STYLE TESSARINE FILE     runs --paths in STYLE and evaluates every path
                                          with the tool: jq, python3, node, a JSONPath
                                          reading in Python, tessarine --get for the tree
Prints "ok", or one line per path that does not give the value on its line.
"""
import ast, json, re, subprocess, sys

# Keys as JSON source: quotes, backslashes, dots, blanks, control characters, Chinese,
# emoji, empty names, digits first, names that look like path syntax.
NAMES = [r'plain', r'with.dot', r'a.b.c', r'with space', r'q\"uote', r'back\\slash', r'tab\there',
         r'nl\nx', r'ctl\u0001\u001f', r'del\u007f', '中文', '键.值', 'emoji😀', r'\ud83d\ude00',
         r'', r'1digit', r'0', r'[0]', r'a]b[c', r'$', r'$dollar', r"it's", r"''", r'\"', r'\\',
         r'\\n', r'sl\/ash', r'sep\u2028', r'_u9', r'class', r'-', r'..', r'[\"x\"]']


def document():
    members = ['"%s":%d' % (n, i) for i, n in enumerate(NAMES)]
    inner = ','.join('"%s":[%d,{"%s":"v%d"}]' % (n, i, n, i) for i, n in enumerate(NAMES))
    members.append('"nested":{%s}' % inner)
    members.append('"":{"":{"":"empty names"}}')
    # Duplicate names: scalars, and two objects whose members differ.
    members += ['"dup":1', '"dup":"two"', '"dd":{"x":1}', '"dd":{"y":[true,null]}']
    members.append('"values":["tab\\t", "back\\\\slash", "q\\"", "\\u4e2d", "[a, b]", 1.5e3, false]')
    return '{' + ','.join(members) + '}'


def column(text):
    """The value column back to the value's text: the line escapes undone."""
    return re.sub(r'\\(\\|t|n|r|x[0-9a-f]{2})', lambda m: {'\\': '\\', 't': '\t', 'n': '\n', 'r': '\r'}.get(
        m.group(1), None) or chr(int(m.group(1)[1:], 16)), text)


def same(value, col):
    text = column(col)
    return value == json.loads('"%s"' % text if isinstance(value, str) else text)


def jsonpath(root, path):
    """$ followed by .name, ['quoted'] or [index]."""
    assert path.startswith('$')
    pos, node = 1, root
    while pos < len(path):
        if path[pos] == '.':
            name = re.match(r'[A-Za-z_][A-Za-z0-9_]*', path[pos + 1:]).group(0)
            node, pos = node[name], pos + 1 + len(name)
        elif path[pos + 1] == "'":
            end = pos + 2
            while path[end] != "'":
                end += 2 if path[end] == '\\' else 1
            node, pos = node[ast.literal_eval(path[pos + 1:end + 1])], end + 2
        else:
            end = path.index(']', pos)
            node, pos = node[int(path[pos + 1:end])], end + 1
    return node


def evaluate(style, tess, doc, paths):
    """The value at every path (None where the tool finds nothing)."""
    if style == 'jq':
        program = '[' + ', '.join('(try (%s) catch "<error>")' % p for p in paths) + ']'
        return json.loads(subprocess.run(['jq', '-c', program, doc], check=True, capture_output=True).stdout)
    if style == 'js':
        script = ('const root = JSON.parse(require("fs").readFileSync(process.argv[1], "utf8"));\n'
                  'const get = f => { try { return f(); } catch (e) { return null; } };\n'
                  'console.log(JSON.stringify([' +
                  ','.join('get(() => root%s%s)' % ('' if p.startswith('[') else '.', p) for p in paths) + ']));')
        return json.loads(subprocess.run(['node', '-e', script, doc], check=True, capture_output=True).stdout)
    root = json.load(open(doc, encoding='utf-8'))
    if style in ('python', 'jsonpath'):
        out = []
        for p in paths:
            try:
                out.append(eval('root' + p) if style == 'python' else jsonpath(root, p))
            except (KeyError, IndexError, TypeError):
                out.append(None)
        return out
    out = []
    for p in paths:  # tree, tree-compact: the program's own reading
        r = subprocess.run([tess, '--get', p, '--path-style', 'tree', doc], capture_output=True)
        out.append(r.stdout.decode()[:-1] if r.returncode == 0 else None)
    return out


def main():
    if sys.argv[1] == 'doc':
        open(sys.argv[2], 'w', encoding='utf-8').write(document())
        return
    style, tess, doc = sys.argv[1:4]
    args = ['--path-style', 'tree', '--compact-paths'] if style == 'tree-compact' else ['--path-style', style]
    out = subprocess.run([tess, '--paths'] + args + [doc], check=True, capture_output=True).stdout.decode()
    lines = [line.split('\t') for line in out.split('\n')[:-1]]
    bad = ['not one path and one value: %r' % line for line in lines if len(line) != 2]
    paths = [line[0] for line in lines]
    got = evaluate(style, tess, doc, paths)
    tree = style.startswith('tree')
    # With duplicate names, jq, Python and JavaScript see the last member of a name and the
    # program's --get the first (or the first below which the rest of the path exists).
    owner = {}
    for k, p in enumerate(paths):
        if tree:
            owner.setdefault(p, k)
        else:
            owner[p] = k
    shadowed = [p for p in owner if paths.count(p) > 1 and lines[owner[p]][1][:1] in '{[']
    for k, (p, value) in enumerate(zip(paths, got)):
        if not tree and any(p.startswith(s) and p != s for s in shadowed):
            continue  # below a duplicate object that the tool does not see
        # The tree's form cannot write a path of empty names only (the root's path is
        # empty), nor two apostrophes in a name (they stand for a quote).
        if tree and (p == '' or "''" in p):
            continue
        col = lines[owner[p]][1]
        if (value != column(col)) if tree else not same(value, col):
            bad.append('%s: %r != %r' % (p, value, col))
    print('\n'.join(bad) if bad else 'ok')


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""Holds the winget manifests that kxpack writes against winget's own JSON
schemas (tests/data/winget-schema), for installers of each scope and
architecture. The same check run on each file with one required field
left out must fail: proof that it would catch a manifest winget refuses.

    winget_schema_test.py KXPACK STUB SCHEMA-DIR WORK-DIR

Needs Debian's python3-yaml and python3-jsonschema."""
import copy
import json
import os
import shutil
import subprocess
import sys

import jsonschema
import yaml

KXPACK, STUB, SCHEMAS, WORK = sys.argv[1:5]

# Each with a display name that needs escaping in YAML.
SCRIPT = ('<install><app-name>Hello</app-name><version>1.0</version><terms>Agree.</terms>'
          '<uninstall-display-name>Bob\'s "Hello" \\ World</uninstall-display-name>'
          '<uninstall-publisher>Kx Examples</uninstall-publisher>%s</install>')
CASES = {
    'machine-x86': '<scope>machine</scope><uninstall-url-about>https://example.com/hello</uninstall-url-about>',
    'user-x64-at-restart': '<scope>user</scope><architecture>x64</architecture>'
                           '<finish-at-restart>yes</finish-at-restart>',
    'choose-arm64': '<scope>choose</scope><architecture>arm64</architecture>',
}
FILES = (('version', 'Kx.Hello.yaml'), ('installer', 'Kx.Hello.installer.yaml'),
         ('defaultLocale', 'Kx.Hello.locale.en-GB.yaml'))

passed = failed = 0


def check(name, ok, detail=''):
    global passed, failed
    if ok:
        passed += 1
    else:
        failed += 1
        print('FAIL %s %s' % (name, detail))


def run(*args):
    result = subprocess.run(args, capture_output=True, text=True)
    if result.returncode:
        sys.exit('%s failed (%d): %s' % (' '.join(args), result.returncode, result.stderr))


for case, settings in CASES.items():
    folder = os.path.join(WORK, case)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    with open(os.path.join(folder, 'setup.xml'), 'w', encoding='utf-8') as f:
        f.write(SCRIPT % settings)
    run(KXPACK, 'build', '--stub', STUB, '--script', os.path.join(folder, 'setup.xml'),
        '-o', os.path.join(folder, 'setup.exe'))
    run(KXPACK, 'manifest', os.path.join(folder, 'setup.exe'), '--id', 'Kx.Hello',
        '--url', 'https://example.com/hello-setup.exe', '--license', 'MIT', '--locale', 'en-GB',
        '--short-description', 'Says hello.', '--description', 'Says hello, at length.',
        '--tags', 'hello,greeting', '--moniker', 'hello', '--copyright', '(c) Kx Examples',
        '--publisher-url', 'https://example.com', '--license-url', 'https://example.com/license',
        '--winget', os.path.join(folder, 'winget'))
    for kind, name in FILES:
        with open(os.path.join(SCHEMAS, 'manifest.%s.1.10.0.json' % kind), encoding='utf-8') as f:
            schema = json.load(f)
        validator = jsonschema.Draft7Validator(schema)
        with open(os.path.join(folder, 'winget', name), encoding='utf-8') as f:
            doc = yaml.safe_load(f)
        errors = [e.message for e in validator.iter_errors(doc)]
        check('%s: %s matches its schema' % (case, name), not errors, errors)
        # Every field the schema requires, left out in turn, fails the check.
        required = [(None, field) for field in schema['required']]
        if kind == 'installer':
            required += [(0, field) for field in schema['definitions']['Installer']['required']]
        for installer, field in required:
            broken = copy.deepcopy(doc)
            (broken if installer is None else broken['Installers'][installer]).pop(field, None)
            check('%s: %s without %s fails its schema' % (case, name, field),
                  any(True for _ in validator.iter_errors(broken)))

print('%d passed, %d failed' % (passed, failed))
sys.exit(1 if failed else 0)

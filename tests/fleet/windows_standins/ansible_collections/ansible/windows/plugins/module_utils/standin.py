# What the stand-in modules share: Windows paths on a wine prefix, options
# they do not implement, and the record of ACL changes.
#
# The modules run with the controller's Python over a local connection, in an
# environment that names the host's wine prefix (WINEPREFIX): a drive letter
# is the prefix's dosdevices\<letter>: link (C: is drive_c, Z: is /; a
# letter without one fails the task), and a name is found without regard to
# letter case, as wine finds it.
import json
import os
import pwd
import re


def prefix(module):
    folder = os.environ.get('WINEPREFIX')
    if not folder or not os.path.isdir(os.path.join(folder, 'dosdevices')):
        module.fail_json(msg='stand-in: WINEPREFIX names no wine prefix (%r)' % folder)
    return folder


def profile_folder():
    """The user's folder in the prefix: wine names it after the Unix user."""
    return 'C:\\users\\' + pwd.getpwuid(os.getuid()).pw_name


def expand(module, value):
    """%NAME% expanded as the module's 'path' options are; %TEMP% and %TMP%
    are the wine user's temporary folder (wine keeps its own, not the Unix
    one)."""
    def variable(match):
        name = match.group(1)
        if name.upper() in ('TEMP', 'TMP'):
            return profile_folder() + '\\Temp'
        return os.environ.get(name, match.group(0))
    return re.sub(r'%([^%]+)%', variable, value)


def is_windows_path(value):
    return re.match(r'^[A-Za-z]:[\\/]', value or '') is not None


def host_path(module, windows_path):
    """The file system path of an absolute Windows path on the host."""
    path = expand(module, windows_path)
    if not is_windows_path(path):
        module.fail_json(msg='stand-in: %r is not an absolute Windows path (a drive letter, then \\ or /)' % windows_path)
    drive = os.path.join(prefix(module), 'dosdevices', path[0].lower() + ':')
    if not os.path.isdir(drive):
        module.fail_json(msg='stand-in: the prefix has no drive %s: (%s)' % (path[0].upper(), windows_path))
    current = os.path.realpath(drive)
    for part in re.split(r'[\\/]+', path[3:]):
        if part in ('', '.'):
            continue
        if part == '..':
            current = os.path.dirname(current)
            continue
        candidate = os.path.join(current, part)
        if not os.path.lexists(candidate) and os.path.isdir(current):
            same = [name for name in os.listdir(current) if name.lower() == part.lower()]
            if same:
                candidate = os.path.join(current, sorted(same)[0])
        current = candidate
    return current


def windows_join(folder, name):
    return folder.rstrip('\\/') + '\\' + name


def refuse_unimplemented(module, defaults):
    """Fails the task when an option the stand-in does not implement is given
    a value other than its default (defaults: option -> default)."""
    for option, default in defaults.items():
        value = module.params.get(option)
        if value is not None and value != default:
            module.fail_json(msg='stand-in %s: option %s=%r is not implemented' % (module._name, option, value))


# --- ACLs --------------------------------------------------------------------
# wine enforces no ACLs: the modules that change them append each change, one
# JSON object a line, to <prefix>/acl-log.jsonl, and read a folder's present
# ACL back by replaying that log. A path's state: whether it inherits its
# parent's rules, whether the inherited rules were copied in as its own, and
# its own rules. A folder removed (win_file) loses its record.

def acl_log(module):
    return os.path.join(prefix(module), 'acl-log.jsonl')


def acl_key(windows_path):
    return re.sub(r'[\\/]+', '\\\\', windows_path).rstrip('\\').lower()


def acl_state(module, windows_path):
    key = acl_key(windows_path)
    state = {'inherits': True, 'copied_inherited': False, 'rules': []}
    if not os.path.exists(acl_log(module)):
        return state
    with open(acl_log(module), encoding='utf-8') as log:
        for line in log:
            entry = json.loads(line)
            if entry['path'] != key and not key.startswith(entry['path'] + '\\'):
                continue
            if entry['change'] == 'removed':
                state = {'inherits': True, 'copied_inherited': False, 'rules': []}
            elif entry['path'] != key:
                continue
            elif entry['change'] == 'inheritance':
                state['inherits'] = entry['state'] == 'present'
                state['copied_inherited'] = state['copied_inherited'] or (not state['inherits'] and entry['reorganize'])
            elif entry['change'] == 'rule added':
                state['rules'].append(entry['rule'])
            elif entry['change'] == 'rule removed':
                state['rules'].remove(entry['rule'])
    return state


def acl_forget(module, windows_path):
    """Notes that a path and what lay below it are gone, if any of it has a
    record."""
    key = acl_key(windows_path)
    if os.path.exists(acl_log(module)):
        with open(acl_log(module), encoding='utf-8') as log:
            paths = {json.loads(line)['path'] for line in log}
        if any(path == key or path.startswith(key + '\\') for path in paths):
            acl_record(module, windows_path, change='removed')


def acl_record(module, windows_path, **change):
    change['path'] = acl_key(windows_path)
    change['module'] = module._name
    with open(acl_log(module), 'a', encoding='utf-8') as log:
        log.write(json.dumps(change, ensure_ascii=False, sort_keys=True) + '\n')

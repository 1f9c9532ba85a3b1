#!/usr/bin/python
# Stand-in for ansible.windows.win_find on a wine prefix (see
# module_utils/standin.py): the files (file_type=file) or folders
# (directory) in each of paths, and below them with recurse, each with its
# Windows path, name and, for a file, size and checksum, sorted by path as
# the real module sorts them. A path that is missing or not a folder is
# skipped with a warning, as there. Files are read from the Linux file
# system, where none has Windows' hidden attribute, so hidden changes
# nothing. Filters (patterns, age, size) are not implemented.
import hashlib
import os

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.ansible.windows.plugins.module_utils.standin import (
    host_path, refuse_unimplemented, windows_join)


def main():
    module = AnsibleModule(
        argument_spec=dict(
            paths=dict(type='list', elements='str', required=True),
            recurse=dict(type='bool', default=False),
            file_type=dict(type='str', default='file', choices=['directory', 'file']),
            get_checksum=dict(type='bool', default=True),
            checksum_algorithm=dict(type='str', default='sha1', choices=['md5', 'sha1', 'sha256', 'sha384', 'sha512']),
            patterns=dict(type='list', elements='str', aliases=['regex', 'regexp']),
            use_regex=dict(type='bool', default=False),
            age=dict(type='str'),
            age_stamp=dict(type='str', default='mtime', choices=['atime', 'ctime', 'mtime']),
            size=dict(type='str'),
            hidden=dict(type='bool', default=False),
            follow=dict(type='bool', default=False),
        ),
        supports_check_mode=True,
    )
    refuse_unimplemented(module, {'patterns': None, 'use_regex': False, 'age': None, 'age_stamp': 'mtime',
                                  'size': None, 'follow': False})
    found, examined = {}, 0

    def search(folder, host):
        nonlocal examined
        for name in sorted(os.listdir(host)):
            path, target = windows_join(folder, name), os.path.join(host, name)
            if os.path.isdir(target) and module.params['recurse']:
                search(path, target)
            if path.lower() in found:
                continue
            examined += 1
            if os.path.isdir(target) != (module.params['file_type'] == 'directory'):
                continue
            entry = {'path': path, 'filename': name, 'exists': True, 'isdir': os.path.isdir(target),
                     'isreg': os.path.isfile(target), 'lastwritetime': os.path.getmtime(target)}
            if entry['isreg']:
                entry['size'] = os.path.getsize(target)
                entry['extension'] = os.path.splitext(name)[1] or None
                if module.params['get_checksum']:
                    with open(target, 'rb') as content:
                        entry['checksum'] = hashlib.new(module.params['checksum_algorithm'], content.read()).hexdigest()
            found[path.lower()] = entry

    for folder in module.params['paths']:
        host = host_path(module, folder)
        if not os.path.exists(host):
            module.warn("Argument path '%s' does not exist or is not accessible, skipping" % folder)
        elif not os.path.isdir(host):
            module.warn("Argument path '%s' is a file not a directory, skipping" % folder)
        else:
            search(folder.replace('/', '\\').rstrip('\\'), host)
    files = sorted(found.values(), key=lambda entry: entry['path'].lower())
    module.exit_json(changed=False, examined=examined, matched=len(files), files=files)


if __name__ == '__main__':
    main()

#!/usr/bin/python
# Stand-in for ansible.windows.win_stat on a wine prefix (see
# module_utils/standin.py): whether a path exists and what it is, with a
# file's size and checksum as the real module gives them by default.
import hashlib
import os

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.ansible.windows.plugins.module_utils.standin import host_path, refuse_unimplemented


def main():
    module = AnsibleModule(
        argument_spec=dict(
            path=dict(type='str', required=True, aliases=['dest', 'name']),
            get_checksum=dict(type='bool', default=True),
            get_size=dict(type='bool', default=True),
            checksum_algorithm=dict(type='str', default='sha1', choices=['md5', 'sha1', 'sha256', 'sha384', 'sha512']),
            follow=dict(type='bool', default=False),
        ),
        supports_check_mode=True,
    )
    refuse_unimplemented(module, {'follow': False})
    path = host_path(module, module.params['path'])
    if not os.path.lexists(path):
        module.exit_json(changed=False, stat={'exists': False})
    name = module.params['path'].rstrip('\\/').replace('/', '\\').rsplit('\\', 1)[-1]
    stat = {
        'exists': True,
        'path': module.params['path'],
        'isdir': os.path.isdir(path),
        'isreg': os.path.isfile(path),
        'islnk': os.path.islink(path),
        'lastwritetime': os.path.getmtime(path),
    }
    if stat['isreg']:
        stat['filename'] = name
        stat['extension'] = os.path.splitext(name)[1] or None
        if module.params['get_size']:
            stat['size'] = os.path.getsize(path)
        if module.params['get_checksum']:
            with open(path, 'rb') as content:
                stat['checksum'] = hashlib.new(module.params['checksum_algorithm'], content.read()).hexdigest()
    module.exit_json(changed=False, stat=stat)


if __name__ == '__main__':
    main()

#!/usr/bin/python
# Stand-in for ansible.windows.win_tempfile on a wine prefix (see
# module_utils/standin.py): makes a file or folder named prefix, a random
# name of the 8.3 kind, suffix, in path (by default %TEMP%, the wine user's
# temporary folder), and returns its Windows path. As the real module, in
# check mode too it reports the path without making anything.
import os
import random
import string

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.ansible.windows.plugins.module_utils.standin import expand, host_path, windows_join


def main():
    module = AnsibleModule(
        argument_spec=dict(
            state=dict(type='str', default='file', choices=['directory', 'file']),
            path=dict(type='str', default='%TEMP%', aliases=['dest']),
            prefix=dict(type='str', default='ansible.'),
            suffix=dict(type='str', default=''),
        ),
        supports_check_mode=True,
    )
    folder = expand(module, module.params['path'])
    if not os.path.isdir(host_path(module, folder)):
        module.fail_json(msg='stand-in win_tempfile: the folder %s does not exist' % folder)
    letters = string.ascii_lowercase + string.digits
    for _ in range(5):
        name = ''.join(random.choice(letters) for _ in range(8)) + '.' + ''.join(random.choice(letters) for _ in range(3))
        path = windows_join(folder, module.params['prefix'] + name + (module.params['suffix'] or ''))
        target = host_path(module, path)
        if os.path.lexists(target):
            continue
        if not module.check_mode:
            if module.params['state'] == 'directory':
                os.mkdir(target)
            else:
                open(target, 'x').close()
        module.exit_json(changed=True, path=path)
    module.fail_json(msg='No random temporary file worked in 5 attempts')


if __name__ == '__main__':
    main()

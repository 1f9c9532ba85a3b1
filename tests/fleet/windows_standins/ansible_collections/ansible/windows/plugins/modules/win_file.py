#!/usr/bin/python
# Stand-in for ansible.windows.win_file on a wine prefix (see
# module_utils/standin.py): state=directory makes a folder and the folders
# above it, state=absent removes a file or a whole folder (and the folder's
# record of ACL changes). The states file and touch are not implemented.
import os
import shutil

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.ansible.windows.plugins.module_utils.standin import acl_forget, host_path


def main():
    module = AnsibleModule(
        argument_spec=dict(
            path=dict(type='str', required=True, aliases=['dest', 'name']),
            state=dict(type='str', choices=['absent', 'directory', 'file', 'touch']),
        ),
        supports_check_mode=True,
    )
    state = module.params['state']
    if state not in ('absent', 'directory'):
        module.fail_json(msg='stand-in win_file: option state=%r is not implemented (directory and absent are)' % state)
    windows_path = module.params['path']
    path = host_path(module, windows_path)
    if state == 'directory':
        if os.path.isdir(path):
            module.exit_json(changed=False)
        if os.path.lexists(path):
            module.fail_json(msg='path %s is not a directory' % windows_path)
        if not module.check_mode:
            os.makedirs(path)
        module.exit_json(changed=True)
    if not os.path.lexists(path):
        module.exit_json(changed=False)
    if not module.check_mode:
        if os.path.isdir(path) and not os.path.islink(path):
            shutil.rmtree(path)
        else:
            os.remove(path)
        acl_forget(module, windows_path)
    module.exit_json(changed=True)


if __name__ == '__main__':
    main()

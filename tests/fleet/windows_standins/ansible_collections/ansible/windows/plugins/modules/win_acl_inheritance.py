#!/usr/bin/python
# Stand-in for ansible.windows.win_acl_inheritance on a wine prefix (see
# module_utils/standin.py, which keeps the record of ACL changes that wine
# has no use for): turns a file's or folder's inheritance of its parent's
# rules off (absent; reorganize: the inherited rules are first copied in as
# its own) or on (present). Changed, and recorded, only when the state
# differs, as the real module reports it; check mode records nothing.
import os

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.ansible.windows.plugins.module_utils.standin import acl_record, acl_state, host_path


def main():
    module = AnsibleModule(
        argument_spec=dict(
            path=dict(type='str', required=True),
            state=dict(type='str', default='absent', choices=['absent', 'present']),
            reorganize=dict(type='bool', default=False),
        ),
        supports_check_mode=True,
    )
    path = module.params['path']
    if not os.path.exists(host_path(module, path)):
        module.fail_json(msg='%s does not exist' % path)
    before = 'present' if acl_state(module, path)['inherits'] else 'absent'
    if before == module.params['state']:
        module.exit_json(changed=False, diff={'before': {'state': before}, 'after': {'state': before}})
    if not module.check_mode:
        acl_record(module, path, change='inheritance', state=module.params['state'],
                   reorganize=module.params['reorganize'])
    module.exit_json(changed=True, diff={'before': {'state': before}, 'after': {'state': module.params['state']}})


if __name__ == '__main__':
    main()

#!/usr/bin/python
# Stand-in for ansible.windows.win_acl on a wine prefix (see
# module_utils/standin.py, which keeps the record of ACL changes that wine
# has no use for): adds (present) or removes (absent) one allow or deny rule
# of a file or folder. Users and groups: the built-in ones a print server
# has, by name or SID; rights: names of .NET's FileSystemRights, comma
# separated. As the real module: a folder's rule is inherited by what lies
# below it (ContainerInherit, ObjectInherit) unless inherit says otherwise, a
# file's by nothing; changed, and recorded, only when the rule is added or
# removed; check mode is not supported (the task is skipped).
import os

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.ansible.windows.plugins.module_utils.standin import (
    acl_record, acl_state, host_path, refuse_unimplemented)

PRINCIPALS = {
    'administrators': 'Administrators', 'builtin\\administrators': 'Administrators', 's-1-5-32-544': 'Administrators',
    'users': 'Users', 'builtin\\users': 'Users', 's-1-5-32-545': 'Users',
    'system': 'SYSTEM', 'nt authority\\system': 'SYSTEM', 's-1-5-18': 'SYSTEM',
    'everyone': 'Everyone', 's-1-1-0': 'Everyone',
    'authenticated users': 'Authenticated Users', 'nt authority\\authenticated users': 'Authenticated Users',
    's-1-5-11': 'Authenticated Users',
    'creator owner': 'CREATOR OWNER', 's-1-3-0': 'CREATOR OWNER',
}
RIGHTS = {name.lower(): name for name in (
    'ListDirectory', 'ReadData', 'WriteData', 'CreateFiles', 'CreateDirectories', 'AppendData',
    'ReadExtendedAttributes', 'WriteExtendedAttributes', 'Traverse', 'ExecuteFile', 'DeleteSubdirectoriesAndFiles',
    'ReadAttributes', 'WriteAttributes', 'Write', 'Delete', 'ReadPermissions', 'Read', 'ReadAndExecute', 'Modify',
    'ChangePermissions', 'TakeOwnership', 'Synchronize', 'FullControl')}


def flags(module, option, value, names):
    found = []
    for part in (value or '').split(','):
        if part.strip().lower() not in names:
            module.fail_json(msg='stand-in win_acl: %s=%r: %r is not one of %s' % (option, value, part.strip(), sorted(names.values())))
        found.append(names[part.strip().lower()])
    return ', '.join(sorted(set(found)))


def main():
    module = AnsibleModule(
        argument_spec=dict(
            path=dict(type='str', required=True),
            user=dict(type='str', required=True),
            rights=dict(type='str', required=True),
            type=dict(type='str', required=True, choices=['allow', 'deny']),
            state=dict(type='str', default='present', choices=['absent', 'present']),
            inherit=dict(type='str'),
            propagation=dict(type='str', default='None', choices=['InheritOnly', 'None', 'NoPropagateInherit']),
            follow=dict(type='bool', default=False),
        ),
    )
    refuse_unimplemented(module, {'follow': False})
    path = module.params['path']
    host = host_path(module, path)
    if not os.path.exists(host):
        module.fail_json(msg='%s file or directory does not exist on the host' % path)
    user = PRINCIPALS.get(module.params['user'].lower())
    if user is None:
        module.fail_json(msg='%s is not a valid user or group on the host machine or domain' % module.params['user'])
    inherit = module.params['inherit']
    if os.path.isfile(host):
        inherit = 'None'
    elif inherit is None:
        inherit = 'ContainerInherit, ObjectInherit'
    rule = {
        'user': user,
        'rights': flags(module, 'rights', module.params['rights'], RIGHTS),
        'type': module.params['type'],
        'inherit': 'None' if inherit == 'None' else flags(module, 'inherit', inherit, {
            'containerinherit': 'ContainerInherit', 'objectinherit': 'ObjectInherit'}),
        'propagation': module.params['propagation'],
    }
    present = rule in acl_state(module, path)['rules']
    if (module.params['state'] == 'present') == present:
        module.exit_json(changed=False, msg='the specified rule %s' % ('already exists' if present else 'does not exist'))
    acl_record(module, path, change='rule added' if module.params['state'] == 'present' else 'rule removed', rule=rule)
    module.exit_json(changed=True)


if __name__ == '__main__':
    main()

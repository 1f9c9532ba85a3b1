#!/usr/bin/python
# Stand-in for ansible.windows.win_copy on a wine prefix (see
# module_utils/standin.py): copies a controller file or folder (src; a
# folder named with a closing / gives its contents, else itself), text
# (content) or, with remote_src, a file or folder of the host, to dest. Only
# what is missing or differs (by SHA-1) is written, and the task is changed
# only then.
#
# The real module is two halves: an action plugin on the controller, which
# walks src, asks the host which files differ and sends them (one file as it
# is, more in a zip that the host unpacks over dest, every file of src in
# it), and a PowerShell module on the host. This collection takes the place
# of the whole real one, action plugin included, so Ansible runs this module
# as a plain one. Over the local connection the host is the controller: the
# module reads src itself and writes what the action plugin would have sent,
# the whole of src when it would have sent a zip. What the action plugin
# alone does is not here: a relative src is not looked up in the role's
# files folder, and vault-encrypted files are not decrypted.
import hashlib
import os
import shutil

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.ansible.windows.plugins.module_utils.standin import (
    host_path, is_windows_path, refuse_unimplemented, windows_join)


def sha1(path):
    with open(path, 'rb') as content:
        return hashlib.sha1(content.read()).hexdigest()


def differs(module, source, target, shown):
    if os.path.isdir(target):
        module.fail_json(msg="cannot copy file to dest '%s': object at path is already a directory" % shown)
    return not os.path.isfile(target) or sha1(source) != sha1(target)


def write(module, source, target):
    if not module.check_mode:
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(source, target)


def tree(source):
    """The folders and files below source, relative to it."""
    folders, files = [], []
    for top, names, leaves in os.walk(source):
        names.sort()
        relative = os.path.relpath(top, source)
        folders += [os.path.normpath(os.path.join(relative, name)) for name in names]
        files += [os.path.normpath(os.path.join(relative, leaf)) for leaf in sorted(leaves)]
    return folders, files


def copy_folder(module, source, dest, from_controller):
    """source's contents into the Windows folder dest; whether anything changed."""
    folders, files = tree(source)
    target = host_path(module, dest)
    new_folders = [folder for folder in folders if not os.path.isdir(os.path.join(target, folder))]
    new_root = not os.path.isdir(target)
    changed = [name for name in files
               if differs(module, os.path.join(source, name), os.path.join(target, name), windows_join(dest, name))]
    if from_controller and (len(changed) > 1 or new_folders):
        changed = files  # the zip holds every file of src
    if not module.check_mode:
        for folder in [''] + new_folders:
            os.makedirs(os.path.join(target, folder), exist_ok=True)
    for name in changed:
        write(module, os.path.join(source, name), os.path.join(target, name))
    return bool(changed or new_folders or new_root)


def main():
    module = AnsibleModule(
        argument_spec=dict(
            src=dict(type='str'),
            content=dict(type='str'),
            dest=dict(type='str', required=True),
            remote_src=dict(type='bool', default=False),
            backup=dict(type='bool', default=False),
            force=dict(type='bool', default=True),
            decrypt=dict(type='bool', default=True),
            local_follow=dict(type='bool', default=True),
        ),
        mutually_exclusive=[('src', 'content')],
        required_one_of=[('src', 'content')],
        supports_check_mode=True,
    )
    refuse_unimplemented(module, {'backup': False, 'force': True, 'decrypt': True, 'local_follow': True})
    src, dest, content = module.params['src'], module.params['dest'], module.params['content']
    dest_is_folder = dest.endswith(('\\', '/'))
    result = {'src': src, 'dest': dest}

    if content is not None:
        if dest_is_folder:
            module.fail_json(msg='dest must be a file if content is defined')
        source = os.path.join(module.tmpdir, 'content')
        with open(source, 'w', encoding='utf-8') as text:
            text.write(content)
    elif module.params['remote_src']:
        if not is_windows_path(src):
            module.fail_json(msg="stand-in win_copy: remote_src wants a Windows path, not '%s'" % src)
        source = host_path(module, src)
        if not os.path.exists(source):
            module.fail_json(msg="Cannot copy src file: '%s' as it does not exist" % src, **result)
    else:
        source = src
        if not os.path.exists(source):
            module.fail_json(msg='could not find src=%s' % src, **result)

    from_controller = not module.params['remote_src']
    if os.path.isdir(source):
        result['operation'] = 'folder_copy'
        if not src.endswith(('/', '\\')):
            dest = windows_join(dest, os.path.basename(source.rstrip('/')))
            result['dest'] = dest
        if os.path.isfile(host_path(module, dest)):
            module.fail_json(msg="cannot copy folder to dest '%s': object at path is already a file" % dest, **result)
        module.exit_json(changed=copy_folder(module, source, dest, from_controller), **result)

    result.update(operation='file_copy', checksum=sha1(source), size=os.path.getsize(source))
    if content is None:
        result['original_basename'] = os.path.basename(source)
    target_name = dest
    if dest_is_folder or os.path.isdir(host_path(module, dest)):
        target_name = windows_join(dest, result.get('original_basename', ''))
    result['dest'] = target_name
    target = host_path(module, target_name)
    if content is not None and os.path.isdir(target):
        module.fail_json(msg='stand-in win_copy: content to the folder %s is not implemented' % dest, **result)
    if not os.path.isdir(os.path.dirname(target)) and target_name == dest:
        module.fail_json(msg="Destination directory '%s' does not exist" % dest.replace('/', '\\').rsplit('\\', 1)[0],
                         **result)
    changed = differs(module, source, target, target_name)
    if changed:
        write(module, source, target)
    module.exit_json(changed=changed, **result)


if __name__ == '__main__':
    main()

#!/usr/bin/python
# Stand-in for ansible.windows.win_command on a wine prefix (see
# module_utils/standin.py): runs the program that argv names by its full
# path under wine, as the real module runs it on a server, and returns rc,
# stdout and stderr (Ansible adds stdout_lines and stderr_lines).
#
# As the real module: argv becomes one Windows command line, each argument
# quoted by the module's rules (ConvertTo-EscapedArgument); the program
# starts through CreateProcessW with that command line (create_process.exe
# of the Windows build, named by QUILLON_CREATE_PROCESS) in chdir, by
# default the user's profile folder (a WinRM session starts in its
# Documents, which wine links to the Unix home); the task's environment reaches the
# program, PATH included (the interpreter wrapper of the harness hands a
# PATH the task set on as QUILLON_WINDOWS_PATH, since the module's own PATH
# must stay a Unix one); rc is the whole 32-bit exit code, and a program
# that cannot be started fails the task with the Win32 error as rc. Output
# is decoded as the module's Process.cs decodes it: UTF-8 (the console it
# gives the program is set to code page 65001), or output_encoding_override
# when given, a byte-order mark deciding first, bytes that do not decode
# becoming U+FFFD; and the task fails on an rc other than 0.
import codecs
import datetime
import os
import re
import subprocess

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.ansible.windows.plugins.module_utils.standin import (
    host_path, is_windows_path, profile_folder, refuse_unimplemented)

# .NET's names for code page 932 that Python knows as a stricter codec.
DOTNET_CP932 = ('shift_jis', 'shift-jis', 'sjis', 'x-sjis', 'csshiftjis', 'ms_kanji', 'windows-31j')


def escaped(argument):
    """One argument as ConvertTo-EscapedArgument quotes it."""
    if not argument:
        return '""'
    if not re.search(r'[\s"]', argument):
        return argument
    argument = argument.replace('"', '\\"')
    argument = re.sub(r'(\\+)\\"', lambda m: m.group(1) * 2 + '\\"', argument)
    argument = re.sub(r'(\\+)$', lambda m: m.group(1) * 2, argument)
    return '"%s"' % argument


def decoded(data, encoding):
    for mark, name in ((codecs.BOM_UTF8, 'utf-8'), (codecs.BOM_UTF16_LE, 'utf-16-le'),
                       (codecs.BOM_UTF16_BE, 'utf-16-be')):
        if data.startswith(mark):
            return data[len(mark):].decode(name, errors='replace')
    return data.decode(encoding, errors='replace')


def main():
    module = AnsibleModule(
        argument_spec=dict(
            _raw_params=dict(type='str'),
            cmd=dict(type='str'),
            argv=dict(type='list', elements='str'),
            chdir=dict(type='str'),
            creates=dict(type='str'),
            removes=dict(type='str'),
            stdin=dict(type='str'),
            output_encoding_override=dict(type='str'),
        ),
        required_one_of=[('_raw_params', 'argv', 'cmd')],
        mutually_exclusive=[('_raw_params', 'argv', 'cmd')],
    )
    refuse_unimplemented(module, {'_raw_params': None, 'cmd': None, 'creates': None, 'removes': None, 'stdin': None})
    argv = module.params['argv']
    program = argv[0] if os.path.splitext(argv[0].replace('\\', '/'))[1] else argv[0] + '.exe'
    if not is_windows_path(program):
        module.fail_json(msg='stand-in win_command: a program not named by its full path (%s) is not implemented'
                         % argv[0])
    command_line = ' '.join(escaped(argument) for argument in [program] + argv[1:])
    result = {'cmd': command_line, 'rc': 0, 'changed': True}

    folder = module.params['chdir'] or profile_folder()
    if not os.path.isdir(host_path(module, folder)):
        module.fail_json(msg="Could not find specified -WorkingDirectory '%s'" % folder, **result)
    encoding = module.params['output_encoding_override'] or 'utf-8'
    if encoding.lower() in DOTNET_CP932:
        encoding = 'cp932'
    try:
        codecs.lookup(encoding)
    except LookupError:
        module.fail_json(msg="Failed to run: '%s': '%s' is not a supported encoding name" % (command_line, encoding),
                         **result)

    launcher = os.environ.get('QUILLON_CREATE_PROCESS', '')
    if not os.path.isfile(launcher):
        module.fail_json(msg='stand-in win_command: QUILLON_CREATE_PROCESS names no create_process.exe (%r)' % launcher)
    status_file = os.path.join(module.tmpdir, 'status.txt')
    environment = dict(os.environ)
    if 'QUILLON_WINDOWS_PATH' in environment:
        environment['QUILLON_CHILD_PATH'] = environment.pop('QUILLON_WINDOWS_PATH')
    started = datetime.datetime.utcnow()
    run = subprocess.run(['wine', launcher, 'Z:' + status_file.replace('/', '\\'), folder, program, command_line],
                         stdin=subprocess.DEVNULL, capture_output=True, env=environment)
    ended = datetime.datetime.utcnow()
    status = open(status_file).read() if os.path.exists(status_file) else ''
    if run.returncode != 0 or not status:
        module.fail_json(msg='stand-in win_command: create_process.exe ended %d: %s'
                         % (run.returncode, run.stderr.decode('utf-8', errors='replace')), **result)
    if status.startswith('error '):
        result['rc'] = int(status.split()[1])
        module.fail_json(msg="Failed to run: '%s': Win32 error %d" % (command_line, result['rc']), **result)
    result.update(
        rc=int(status),
        stdout=decoded(run.stdout, encoding),
        stderr=decoded(run.stderr, encoding),
        start=started.strftime('%Y-%m-%d %H:%M:%S.%f'),
        end=ended.strftime('%Y-%m-%d %H:%M:%S.%f'),
        delta=str(ended - started),
    )
    if result['rc'] != 0:
        module.fail_json(msg='non-zero return code', **result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
